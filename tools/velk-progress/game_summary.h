// What one kept game was, worked out by replaying its demo with the game's code, with no file access (for the page too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One level as played in a game: from its first start to the heart, through the lives lost on the way.
struct LevelPlay {
    int32_t level = 0;
    int64_t startMs = 0;      // the demo's clock at the level's first start
    int64_t toHeartMs = -1;   // from there to the arrow reaching the heart; -1: never reached
    int32_t presses = 0;      // arrow key presses read while in the level
    int32_t fewest = 0;       // the presses that could have reached the heart from where the arrow started
    int32_t livesLost = 0;
};

struct GameSummary {
    int64_t startCalendar = -1;  // seconds since 1970 when the game started; -1: not known
    int64_t lengthMs = 0;        // the demo's clock at its end
    int32_t startLevel = 0;      // the level of the first level played; 0: none was played
    int32_t endLevel = 0;        // the level in play at the end
    int32_t bestLevel = 0;       // the highest level played
    int32_t score = 0;           // the best score of the session (a new game starts from 0 again)
    int32_t livesLost = 0;
    std::vector<LevelPlay> levels;
};

// Replays a demo of this game version headless and summarises it. name is the demo's file name: errors name it,
// and a name such as "2026-12-06T22-31-54.demo" dates a demo that holds no calendar reading. False with error set to
// one line: a text that is not such a demo ("NAME:LINE: why"), or a demo the game parts from ("NAME: out of step at
// ..."). Not reentrant: the game's globals are the process's.
bool SummariseDemo(const std::string& demoText, const std::string& name, GameSummary& out, std::string& error);

// A summary as one line of numbers, and back (false for anything FormatSummary does not write), for a cache.
std::string FormatSummary(const GameSummary& summary);
bool ParseSummary(const std::string& line, GameSummary& summary);
