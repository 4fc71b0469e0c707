// End-to-end tests of the information screen, the intro animation and the sound cues.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "console/screen.h"
#include "state/game_state.h"
#include "scripted_game.h"

namespace {

using InfoScreen = ScriptedGame;
using Intro = ScriptedGame;
using SoundCues = ScriptedGame;

struct InfoRow {
    int row;
    std::string text;  // as written: row 8 is one character longer than the screen
};

// The rows drawn in a special way; the other rows are checked for presence, their texts being the program's own table.
const InfoRow INFO_ROWS[] = {
    {8, " Requirements: Game was developed on Windows 10 so it will run on it. The code is 32-Bit, so it may run on other Windows."},
    {20, std::string(82, ' ')},
    {22, " Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"},
    {26, " VELK Game, Version: 1.1, Build: 1.0"},
};

uint16_t AttributeAt(const Cell* cells, int row, int col) { return cells[row * SCREEN_COLS + col].attribute; }

TEST_F(InfoScreen, EveryRowAsShownWithItsColours) {
    // Key-up and other records are skipped; the screen is rebuilt and presented at start and after each pass.
    const GameRun run = Run("at 10 up b\nat 10 other\nat 50 key Esc\n");
    const Cell* picture = ScriptedLastPicture();
    EXPECT_EQ(run.Find("present ").size(), 1u) << run.Texts();
    EXPECT_EQ(run.log.substr(run.log.find("presents")), "presents 50\nscreen\n" + run.screen);
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        std::string text = run.Row(row).substr(0, run.Row(row).find_last_not_of(' ') + 1);
        for (const InfoRow& line : INFO_ROWS) {
            if (line.row != row) continue;
            text = line.text.substr(0, SCREEN_COLS);  // row 8's full stop is overwritten by row 9
        }
        const bool blank = row == 0 || row == 21 || (row >= 23 && row <= 25) || row == 29;
        EXPECT_EQ(text.empty(), blank) << "row " << row;
        EXPECT_EQ(run.Row(row), text + std::string(SCREEN_COLS - text.size(), ' ')) << "row " << row;
        for (int col = 0; col < SCREEN_COLS; ++col) {
            const bool painted = static_cast<size_t>(col) < text.size();
            const bool startKey = row == 22 && (col == 8 || col == 28);
            const uint16_t expected = startKey ? ATTR_ACTOR : painted ? ATTR_TEXT : ATTR_FIELD;
            if (AttributeAt(picture, row, col) != expected) {
                ADD_FAILURE() << "cell (" << row << ", " << col << ") has attribute 0x" << std::hex
                              << AttributeAt(picture, row, col) << ", not 0x" << expected;
                break;
            }
        }
    }
}

TEST_F(Intro, ThreeFramesOfVelkGroupsInDrawnColours) {
    std::vector<std::vector<Cell>> frames;
    SetScriptedPresentObserver([&frames](int64_t now, const Cell* cells) {
        if (now >= 10) frames.emplace_back(cells, cells + SCREEN_CELLS);
    });
    Run("at 10 key b\nend 4400\n");

    // The intro is the first user of the random source: one colour per group of five cells, 720 a frame.
    ResetGameGlobals();
    std::vector<uint16_t> colours(3 * 720);
    for (uint16_t& colour : colours) colour = static_cast<uint16_t>(GameRandom() % 256);
    ASSERT_GE(frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const size_t frame = std::min<size_t>(i, 2);  // the third frame is presented twice
        for (int k = 0; k < SCREEN_CELLS; ++k) {
            const Cell& cell = frames[i][static_cast<size_t>(k)];
            const uint16_t colour = colours[frame * 720 + static_cast<size_t>(k / 5)];
            if (cell.character != static_cast<uint16_t>(" VELK"[k % 5]) || cell.attribute != colour) {
                ADD_FAILURE() << "present " << i << ", cell " << k;
                break;
            }
        }
    }
    EXPECT_EQ(colours[0], 0x29) << "the first value of a fresh process's random source";
}

// Each event sounds its cue; with the sound off ('s' first) the same run makes no sound and keeps every
// picture and pause.
TEST_F(SoundCues, EachEventSoundsItsCueUnlessTheSoundIsOff) {
    // cues: "TIME NAME"
    struct Case { const char* what; std::string script; std::vector<std::string> cues; } const cases[] = {
        {"a short game", ShortGameScript(9400),
         {"10 VELKGSND1", "4400 VELKGSND3", "4800 VELKGSND6", "6600 VELKGSND4", "8751 VELKGSND2", "9302 VELKGSND2"}},
        // Level 16 zaps in the calendar seconds ending in 0 and 5: its first two wall steps come in second 5.
        {"a zapping wall", "at 10 key j\nend 6500\n", {"10 VELKGSND1", "5011 VELKGSND5", "5712 VELKGSND5", "6413 VELKGSND2"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder / "VELKGAME.CFG");  // both runs make the same saves and draws
        const GameRun on = Run(c.script);
        std::filesystem::remove(folder / "VELKGAME.CFG");
        const GameRun off = Run("at 5 key s\n" + c.script);
        std::vector<std::string> cues;
        std::string silent;
        for (const LogEvent& event : on.events) {
            if (event.text.rfind("cue ", 0) == 0) cues.push_back(std::to_string(event.time) + " " + event.text.substr(4));
            else silent += std::to_string(event.time) + " " + event.text + "\n";
        }
        EXPECT_EQ(cues, c.cues) << c.what << "\n" << on.Texts();
        EXPECT_EQ(off.Texts(), silent) << c.what;
        EXPECT_EQ(off.screen, on.screen) << c.what;
    }
}

}  // namespace
