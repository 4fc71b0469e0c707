// The information screen: the rules, terms and start keys, one fixed line per row.
#include "screens/info_screen.h"

#include <cstdio>

#include "console/screen.h"

namespace {

struct InfoLine {
    int row;
    const char* text;
};

// Painted in this order; row 8 is one character longer than a row and runs into (9, 0), which row 9
// then overwrites.
constexpr InfoLine INFO_LINES[] = {
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
    {20, "                                                                                  "},
    {22, " Press 'B' to begin. Press 'J' to jump to Level 16. Press 'Esc' to quit. Enjoy!"},
    {26, nullptr},  // the version line, formatted from VERSION_FORMAT
    {27, " Copyright (C) 2026 VELK Software. All rights reserved."},
    {28, " https://velk.example/game"},
};

constexpr const char* VERSION_FORMAT = " VELK Game, Version: %.1f, Build: %.1f";
constexpr int START_KEYS_ROW = 22;
constexpr double GAME_VERSION = 1.1;
constexpr double GAME_BUILD = 1.0;

}  // namespace

void DrawInfoScreen() {
    char version[64];
    std::snprintf(version, sizeof version, VERSION_FORMAT, GAME_VERSION, GAME_BUILD);
    // The screen is repainted on every pass while it is shown, so the fixed lines are copied as they stand.
    for (const InfoLine& line : INFO_LINES) {
        const char* text = line.text != nullptr ? line.text : version;
        const bool startKeys = line.row == START_KEYS_ROW;
        PutText(line.row, text, [startKeys](int i) { return startKeys && (i == 8 || i == 28) ? ATTR_ACTOR : ATTR_TEXT; });
    }
}
