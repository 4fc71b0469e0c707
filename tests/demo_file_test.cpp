// The demo file's reader: a whole demo reads back as written; any damage is refused naming its line.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/demo/demo_file.h"

namespace {

const std::string HEADER = DemoHeaderLine();
// One line of each kind, as the writer writes them.
const std::string BODY =
    "s 1800000000\nt\ns\ns -1\nz VELKGAME.CFG 262144\nd VELKGAME.CFG 138380 00c05a45\nd VELKGAME.CFG 4 fail\n"
    "n 5\nr 1:1:42:62 2:0:0:0 1:1:27:0*3\nr fail\nr\nn fail\nn\nw 17\np 00ff00ff00ff00ff\nb 2 1250\nb -1\nf VELKGAME.CFG 1\ne -1\n";

std::string ErrorOf(const std::string& text, Demo& demo) {  // "" when the text reads
    std::string error;
    return ParseDemo(text, "demo", demo, error) ? "" : error;
}

TEST(DemoFile, WhatIsWrittenReadsBackTheSame) {
    Demo demo;
    ASSERT_EQ(ErrorOf(HEADER + BODY, demo), "");
    std::string written = DemoHeaderLine();
    for (const DemoEvent& event : demo.events) AppendDemoEvent(written, event);
    EXPECT_EQ(written, HEADER + BODY);
    // Read as meant where the recorded demos' playback does not look: a negative calendar step, a mouse record.
    ASSERT_EQ(demo.events.size(), 19u);
    EXPECT_EQ(demo.events[3].value, -1);
    ASSERT_EQ(demo.events[8].records.size(), 5u);
    EXPECT_EQ(demo.events[8].records[1].eventType, INPUT_MOUSE_EVENT);
}

// What editors, transfers and cut recordings leave reads as the demo it was, the cut line dropped with a note.
TEST(DemoFile, LineEndsAndACutLastLineAreRead) {
    struct Case { std::string text, events, note; } const cases[] = {
        {HEADER.substr(0, HEADER.size() - 1) + "\r\nt 5\r\nn\r\n", "t 5\nn\n", ""},
        {HEADER + "t 5\nn\n\n\r\n\n", "t 5\nn\n", ""},
        {HEADER + "t 5\nn\nr 1:1:4", "t 5\nn\n", "demo:4: the last line is cut off; playing the demo up to line 3"},
        {HEADER + "VELK", "", "demo:2: the last line is cut off; playing the demo up to line 1"}};
    for (const Case& c : cases) {
        Demo demo;
        std::string read = ErrorOf(c.text, demo) + HEADER;  // the error, if any, stands before the header
        for (const DemoEvent& event : demo.events) AppendDemoEvent(read, event);
        EXPECT_EQ(read + demo.note, HEADER + c.events + c.note) << c.text;
    }
}

TEST(DemoFile, DamageIsRefusedAtItsLine) {
    struct Case { std::string text; const char* error; } const cases[] = {
        {"", "demo:0: empty: not a VELK demo"},
        // Not a demo at all: what it looks like, and no byte of it raw.
        {"GIF89a\n", "demo:1: not a VELK demo: text starting 'GIF89a'"},
        {std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03V", 11), "demo:1: not a VELK demo: gzip-compressed data, starting "
                                                        "\\x1f\\x8b\\x08\\x00\\x00\\x00\\x00\\x00"},
        {"\x7f" "ELF", "demo:1: not a VELK demo: binary data, starting \\x7fELF"},  // its only control byte first
        {"VELKDEMO 3 " + std::string(DemoGameVersion()) + "\n", "demo:1: a demo of format 3;"},
        {"VELKDEMO 2", "demo:1: the line is cut off"},
        {HEADER + "t 5\nx\nt 1", "demo:3: not a demo event: 'x'"},
        {HEADER + "\nt\n", "demo:2: an empty line between events"},
        {HEADER + "t 5\nt -1\n", "demo:3: not a time step: '-1'"},
        {HEADER + "t 05\n", "demo:2: not a time step"},
        {HEADER + "t 0\n", "demo:2: not a time step"},
        {HEADER + "x 1\n", "demo:2: not a demo event: 'x'"},
        {HEADER + "n  1\n", "demo:2: an input count takes"},
        {HEADER + "r 1:2:42:62\n", "demo:2: not an input record"},
        {HEADER + "r 1:1:42:162\n", "demo:2: not an input record"},
        {HEADER + "r 1:1:42:62*1\n", "demo:2: not an input record"},
        {HEADER + "p 00ff00ff00ff00f\n", "demo:2: a picture check"},
        {HEADER + "p 00FF00FF00FF00FF\n", "demo:2: a picture check"},
        {HEADER + "d VELKGAME.CFG 0 0c0\n", "demo:2: not bytes in hexadecimal"},
        {HEADER + "z ../x 5\n", "demo:2: not a file name"},
        {HEADER + "f VELKGAME.CFG 2\n", "demo:2: not a save result"},
        {HEADER + "e 1\x01\n", "demo:2: not an exit code: '1?'"}};
    Demo demo;
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.text, demo);
        EXPECT_EQ(error.substr(0, c.text.rfind("VELKDEMO", 0) == 0 ? std::strlen(c.error) : std::string::npos), c.error) << c.text;
    }
}

}  // namespace
