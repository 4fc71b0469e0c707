// The demo file: what the outside world gave the game through the seam, one event a line after a header line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Format 2 added how long each box was up; format 1 demos still play (their boxes without a time).
constexpr int DEMO_FORMAT_VERSION = 2;
constexpr size_t MAX_DEMO_BYTES = size_t{64} << 20;

// Each kind is the tag that starts its line.
enum class DemoEventKind : char {
    // Steps and counts of 0, the most common, are written as the tag alone.
    Clock = 't',     // a millisecond clock reading: value is the time since the reading before (the first: since 0)
    Wait = 'w',      // a wait or pause ended: value is the clock's time since the reading before, as for 't'
    Calendar = 's',  // a calendar reading: value is the seconds since the calendar reading before (the first: 1970)
    Count = 'n',     // an input count: value is the records pending, or failed
    Read = 'r',      // an input read: records (a run of equal ones written once, "*COUNT"), or failed
    Box = 'b',       // a message box: value is the button pressed, upFor how long it was up
    Save = 'f',      // a file save: name, value is its result
    FileSize = 'z',  // a file's size: name, value is the size (-1: no file that can be read)
    FileData = 'd',  // a file read: name, value is the offset, bytes what was read, or failed
    Present = 'p',   // the pictures changed since the last check: hash folds their hashes, written before the
                     // next question other than a clock reading
    Exit = 'e',      // the game ended the process: value is the exit code
};

struct DemoEvent {
    DemoEventKind kind = DemoEventKind::Clock;
    bool failed = false;
    int64_t value = 0;
    int64_t upFor = -1;  // a box: the milliseconds from its opening to its answer (-1: not recorded)
    uint64_t hash = 0;
    std::string name;
    std::vector<InputRecord> records;
    std::vector<uint8_t> bytes;
};

struct Demo {
    std::vector<DemoEvent> events;
    std::string note;  // one line for the viewer about a demo read with a flaw (its last line cut off), or ""
};

// This build's game version, which a demo must have been made by.
const char* DemoGameVersion();
// "VELKDEMO FORMAT GAMEVERSION\n" of this build.
std::string DemoHeaderLine();
// Appends one event's line, newline included.
void AppendDemoEvent(std::string& out, const DemoEvent& event);

// Reads a demo's text: lines may end in CRLF and empty lines may follow the last event. A last line cut off
// (a recording killed or failed while writing it) is dropped, saying so in demo.note. On anything else but a
// whole demo of this format and game version, returns false with error set to "NAME:LINE: why".
bool ParseDemo(const std::string& text, const std::string& name, Demo& demo, std::string& error);
// Whether text holds bytes no text file has: what velk-replay must not read as a script either.
bool LooksBinary(const std::string& text);
// What text that is not a demo starts with, for a one-line refusal ("gzip-compressed data, starting \x1f\x8b...",
// "text starting '...'"): a few bytes, none of them raw.
std::string DescribeStart(const std::string& text);
// Reads a demo file (refusing one over MAX_DEMO_BYTES); false with error set to one line saying why.
bool ReadDemoFile(const std::string& path, Demo& demo, std::string& error);
