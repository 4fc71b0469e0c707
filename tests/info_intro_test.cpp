// End-to-end tests of the information screen, the intro animation and the sound cues.
#include <gtest/gtest.h>

#include <cstring>
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

// The rows drawn in a special way (the whole picture, colours included, is pinned by its hash in the log).
const std::pair<int, std::string> INFO_ROWS[] = {
    {8, " Requirements: Game was developed on Windows 10 so it will run on it. The code is 32-Bit, so it may run on other Windows."},
    {22, " Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"},
    {26, " VELK Game, Version: 1.1, Build: 1.0"},
};

TEST_F(InfoScreen, EveryRowAsShownWithItsColours) {
    // Key-up and other records are skipped; the screen is rebuilt and presented at start and after each pass.
    const GameRun run = Run("at 10 up b\nat 10 other\nat 50 key Esc\n");
    EXPECT_EQ(run.Find("present ").size(), 1u) << run.Texts();
    EXPECT_EQ(run.TimeOf("present e0210f3f35afc56b"), 0) << run.Texts();
    EXPECT_EQ(run.log.substr(run.log.find("presents")), "presents 50\nscreen\n" + run.screen);
    for (const auto& [row, text] : INFO_ROWS) {  // row 8 is one character longer than the screen: row 9 overwrites it
        EXPECT_EQ(run.Row(row), (text + std::string(SCREEN_COLS, ' ')).substr(0, SCREEN_COLS)) << row;
    }
    const Cell* picture = ScriptedLastPicture();
    EXPECT_EQ(picture[22 * SCREEN_COLS + 8].attribute, ATTR_ACTOR) << "the start keys stand out";
}

// Three frames a second apart, the third presented again before the game starts, pinned by their hashes: each one
// colour per group of five cells (" VELK"), drawn from a fresh process's random source.
TEST_F(Intro, ThreeFramesOfVelkGroupsInDrawnColours) {
    std::vector<std::pair<int64_t, std::vector<Cell>>> frames;
    SetScriptedPresentObserver([&frames](int64_t now, const Cell* cells) {
        if (now >= 10 && now < 4310) frames.emplace_back(now, std::vector<Cell>(cells, cells + SCREEN_CELLS));
    });
    const GameRun run = Run("at 10 key b\nend 4400\n");
    std::string shown;
    for (const LogEvent& e : run.Find("present ")) {
        if (e.time >= 10 && e.time < 4310) shown += std::to_string(e.time) + " " + e.text + "\n";
    }
    EXPECT_EQ(shown, "10 present d9c4b46688fb237a\n1010 present effe54dadc4801b5\n2010 present 062939e84b28d71a\n");
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(std::memcmp(frames[3].second.data(), frames[2].second.data(), sizeof(Cell) * SCREEN_CELLS), 0)
        << "presented again at " << frames[3].first;
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
