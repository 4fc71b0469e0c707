// End-to-end tests of the information screen, the intro animation and the sound cues.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "console/screen.h"
#include "game/game_state.h"
#include "scripted_game.h"

namespace {

using InfoScreen = ScriptedGame;
using Intro = ScriptedGame;
using SoundCues = ScriptedGame;

struct InfoRow {
    int row;
    std::string text;  // as written: row 8 is one character longer than the screen
};

const InfoRow INFO_ROWS[] = {
    {1, " Background: VELK(R) 1.0 software requires keyboard to operate. This game is to aid the learning of the VELK."},
    {2, " VELK is simple. We prefer simple software which solves big problems. The game follows the same trait."},
    {3, " Game goal: Yourself (the red arrow) need to touch the heart (the target) before the moving wall reach the end."},
    {4, " Key strokes: Use the 4 arrow keys to operate. 'P' for pause. 'Esc' for quit. 'S' for sound On/Off."},
    {5, " Score: The score is added based on 'level * 100'. For example, you score 300 points when you finish level 3."},
    {6, " Lives: You have total of 6 lives. Whenever you get 2000 points, you will be rewarded with an extra life."},
    {7, " Behind the scene: The gate moves up and down randomly. You need to find the right time to pass it."},
    {8, " Requirements: Game was developed on Windows 10 so it will run on it. The code is 32-Bit, so it may run on other Windows."},
    {9, " Legal: Game is provided 'as-is' without any warranty. We do not provide technical support on it."},
    {10, " Privacy: The game does not send any information to us or to any other parties. https://velk.example/privacy"},
    {11, " Security: We do not implant any spam or phishing mechanism in the game. We used standard C++ tools without any"},
    {12, "   third-party hidden components (like .obj, .lib, .dll). You run it if you trust our 30-year no-foul-play history."},
    {13, " Known issues: The keyboard sometimes loses the input. We are not sure why yet."},
    {14, " Feedback: You are welcome to provide bug report and feedback through email which is shown on our website."},
    {15, " Tips: On some Windows, you may need to drag the lower-right hand corner of the window to make it all right."},
    {16, " Tips: you may need to retreat (move to the left), especially after level 15 when the electrical zapping starts."},
    {17, " The game can be downloaded from https://velk.example/download. Other ways of distribution are prohibited."},
    {18, " No one should modify the binary code or reverse-engineer the game."},
    {19, " Warning: Too much video game playing may harm yourself or have adverse influence on your work. Play with caution."},
    {20, std::string(82, ' ')},
    {22, " Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"},
    {26, " VELK Game, Version: 1.1, Build: 1.0"},
    {27, " Copyright (C) 2026 VELK Software. All rights reserved."},
    {28, " https://velk.example/game"},
};

uint16_t AttributeAt(const Cell* cells, int row, int col) { return cells[row * SCREEN_COLS + col].attribute; }

TEST_F(InfoScreen, EveryRowAsShownWithItsColours) {
    // Key-up and other records are skipped; the screen is rebuilt and presented at start and after each pass.
    const GameRun run = Run("at 10 up b\nat 10 other\nat 50 key Esc\n");
    const Cell* picture = ScriptedLastPicture();
    ASSERT_GE(run.events.size(), 2u) << run.log;
    EXPECT_EQ(run.events[0].text, "setup");
    EXPECT_EQ(run.Find("present ").size(), 1u) << run.Texts();
    EXPECT_EQ(run.log.substr(run.log.find("presents")), "presents 50\nscreen\n" + run.screen);
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        std::string text;
        for (const InfoRow& line : INFO_ROWS) {
            if (line.row != row) continue;
            text = line.text.substr(0, SCREEN_COLS);  // row 8's full stop is overwritten by row 9
        }
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
    EXPECT_EQ(AttributeAt(picture, 9, 0), ATTR_TEXT) << "row 8's last character, overwritten by row 9";
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
    // The first values of a fresh process's random source.
    EXPECT_EQ(colours[0], 0x29);
    EXPECT_EQ(colours[1], 0x23);
    EXPECT_EQ(colours[2], 0xBE);
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
