// Test harness: runs the whole game from a script in a fresh working folder holding a complete package.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "replay.h"

// One event line of a run's log, split into its time and the rest.
struct LogEvent {
    long long time;
    std::string text;
};

struct GameRun {
    std::string log;               // the whole log, as velk-replay prints it
    std::vector<LogEvent> events;  // the timed lines, before the tail
    std::string screen;            // the final picture as text

    std::vector<LogEvent> Find(const std::string& prefix) const;  // events whose text starts with prefix
    long long TimeOf(const std::string& text) const;             // time of the first event with this text, or -1
    std::string Texts() const;  // "TIME TEXT" lines, for failure messages
    std::string Row(int row) const;  // a row of the final picture
};

// The package as it must be, in the order the game checks it.
struct PackageFile {
    const char* name;
    long size;
};
constexpr PackageFile PACKAGE[] = {
    {"VELKGAME.exe", 10},    {"VELKGSND1.wav", 393968}, {"VELKGSND2.wav", 1504}, {"VELKGSND3.wav", 23656},
    {"VELKGSND4.wav", 9996}, {"VELKGSND5.wav", 34172},  {"VELKGSND6.wav", 27804},
};

class ScriptedGame : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the game from script text with fresh game globals, in the test's working folder.
    GameRun Run(const std::string& script);
    // Arms the platform for direct calls of the game's functions (fresh globals, sound on); Logged() is its log.
    void Arm(const std::string& script = "");
    std::string Logged() const { return armedLog.str(); }
    void WriteFileOfSize(const std::string& name, long size);  // zero bytes

    std::filesystem::path folder;

private:
    std::filesystem::path previous;
    Script armedScript;
    std::ostringstream armedLog;
};

// Resets every global of the game to its state at process start.
void ResetGameGlobals();

// count presses of one key, all due at the same time, so one input pass reads them as one batch.
std::string Presses(long long at, const char* key, int count);

// 'b' at 10; level 1 starts at 4310 (gate from row 6, the calendar second being even); the arrow jumps the
// wall inside the gate at 4400 and takes the heart at 4800 (100 points); level 2 starts at 6400, the arrow
// runs into the wall outside the gate at 6600, and the level starts again at 8200. Message boxes close at once.
std::string ShortGameScript(long long end);
