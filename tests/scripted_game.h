// Test harness: runs the whole game from a script in a fresh working folder holding a complete package.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
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
    ScriptedRunResult result;

    // Events whose text starts with prefix, in order.
    std::vector<LogEvent> Find(const std::string& prefix) const;
    bool Has(const std::string& text) const;
    // Time of the first event with this exact text, or -1.
    long long TimeOf(const std::string& text) const;
    // Texts of all events, for readable failure messages.
    std::string Texts() const;
};

class ScriptedGame : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the game from script text with fresh game globals, in the test's working folder.
    GameRun Run(const std::string& script);

    // Writes a file of the given size into the working folder (zero bytes).
    void WriteFileOfSize(const std::string& name, long size);

    std::filesystem::path folder;

private:
    std::filesystem::path previous;
};

// Resets every global of the game to its state at process start.
void ResetGameGlobals();
