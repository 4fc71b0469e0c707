// The programs' command lines, read by the C library's getopt_long: long options and -h, refusals as one line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CommandOption {
    const char* name;                     // without its dashes
    const char* value = nullptr;          // what its value is ("a DEMO file"); nullptr: it takes none
    bool (*valid)(const char*) = nullptr; // the values it takes (nullptr: any but an empty one)
    const char* refusal = nullptr;        // what a value it refuses is not ("not a speed from 0.01 to 1000")
};

struct CommandLine {
    std::vector<const char*> values;      // per option of the table: its value ("" for one without), or nullptr
    std::vector<const char*> operands;
    bool help = false;                    // -h or --help
    bool version = false;
    std::string error;                    // the first refusal, without the program's name; "" when none
    bool Given(size_t option) const { return values[option] != nullptr; }
};

// Reads argv against options (plus -h/--help and --version), options and operands in any order, --opt=value or
// --opt value. Refused, in the order typed: an unknown or shortened option, a missing, empty or invalid value,
// a value for an option without one, an option given twice; then more operands than maxOperands.
CommandLine ReadCommandLine(int argc, char** argv, const std::vector<CommandOption>& options, size_t maxOperands);
// "PROGRAM: WHY; try --help" on standard error.
void SayCommandLineRefusal(const char* program, const std::string& why);

// A speed factor from 0.01 to 1000, as a plain decimal number.
bool ReadSpeed(const char* text, double& speed);
bool ValidSpeed(const char* text);
// A whole number of milliseconds from 0 to MAX_NUMBER, digits only.
bool ReadMilliseconds(const char* text, int64_t& milliseconds);
bool ValidMilliseconds(const char* text);
