// A replay script: scripted key records, input failures, message-box answers and the end of the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct ScriptRecord {
    int64_t time;  // virtual milliseconds at which the record becomes pending
    int line;      // script line, orders records due at the same time
    InputRecord record;
};

struct ScriptInputFailure {
    int64_t time;       // counts made at or after this time fail...
    int64_t remaining;  // ...this many times
};

struct ScriptBoxAnswer {
    bool ok;        // ok, or cancel
    int64_t delay;  // virtual milliseconds the box stays open
};

struct Script {
    int64_t epoch = 1800000000;          // calendar seconds at virtual time 0
    std::vector<ScriptRecord> records;   // in order of time, then line
    std::vector<ScriptInputFailure> failures;  // in script order
    std::vector<ScriptBoxAnswer> boxes;  // in script order
    bool hasEnd = false;
    int64_t endTime = 0;
};

// Reads a script. On a line it cannot read, returns false with error set to "NAME:LINE: why".
bool ParseScript(const std::string& text, const std::string& name, Script& script, std::string& error);
