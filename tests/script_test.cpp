// The script reader: what it accepts, how it orders records, and the errors it names.
#include <gtest/gtest.h>

#include "platform/scripted/script.h"

namespace {

TEST(ScriptReader, KeyNamesGiveCharacterAndVirtualKey) {
    struct Case {
        const char* name;
        char character;
        uint16_t virtualKey;
    } const cases[] = {
        {"Esc", 0x1B, 0x1B}, {"Left", 0, 0x25}, {"Up", 0, 0x26}, {"Right", 0, 0x27}, {"Down", 0, 0x28},
        {"b", 'b', 0x42},    {"B", 'B', 0x42},  {"7", '7', 0x37}, {"+", '+', 0},     {"~", '~', 0},
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        ASSERT_TRUE(ParseScript(std::string("at 5 key ") + c.name + "\n", "s", script, error)) << error;
        ASSERT_EQ(script.records.size(), 1u);
        const InputRecord& r = script.records[0].record;
        EXPECT_EQ(r.eventType, INPUT_KEY_EVENT) << c.name;
        EXPECT_EQ(r.keyDown, 1) << c.name;
        EXPECT_EQ(r.asciiChar, c.character) << c.name;
        EXPECT_EQ(r.virtualKeyCode, c.virtualKey) << c.name;
    }
}

TEST(ScriptReader, RecordsAreOrderedByTimeThenLine) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("at 30 key a\nat 10 key b\n# note\n\nat 10 up c   # trailing\nat 0 other\n", "s",
                            script, error))
        << error;
    ASSERT_EQ(script.records.size(), 4u);
    EXPECT_EQ(script.records[0].record.eventType, INPUT_MOUSE_EVENT);
    EXPECT_EQ(script.records[1].record.asciiChar, 'b');
    EXPECT_EQ(script.records[2].record.asciiChar, 'c');
    EXPECT_EQ(script.records[2].record.keyDown, 0);
    EXPECT_EQ(script.records[3].record.asciiChar, 'a');
}

TEST(ScriptReader, DirectivesAndDefaults) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("epoch 17\nbox ok\nbox cancel 250\nat 5 fail-input 2\nend 900\n", "s", script, error));
    EXPECT_EQ(script.epoch, 17);
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_TRUE(script.boxes[0].ok);
    EXPECT_EQ(script.boxes[0].delay, 0);
    EXPECT_FALSE(script.boxes[1].ok);
    EXPECT_EQ(script.boxes[1].delay, 250);
    ASSERT_EQ(script.failures.size(), 1u);
    EXPECT_EQ(script.failures[0].remaining, 2);
    EXPECT_TRUE(script.hasEnd);
    EXPECT_EQ(script.endTime, 900);

    ASSERT_TRUE(ParseScript("", "s", script, error));
    EXPECT_EQ(script.epoch, 1800000000);
    EXPECT_FALSE(script.hasEnd);
}

TEST(ScriptReader, BadLinesAreNamedWithTheirLineNumber) {
    struct Case {
        const char* text;
        const char* errorStart;
    } const cases[] = {
        {"at 5 key Esc\nepoch 3\n", "f:2: "},
        {"jump 5\n", "f:1: "},
        {"\n\nat 5 key Space\n", "f:3: "},
        {"at 5 key ab\n", "f:1: "},
        {"at -5 key a\n", "f:1: "},
        {"at 5x key a\n", "f:1: "},
        {"at 5 press a\n", "f:1: "},
        {"at 5 key\n", "f:1: "},
        {"at 5 other extra\n", "f:1: "},
        {"at 5 fail-input\n", "f:1: "},
        {"box maybe\n", "f:1: "},
        {"box ok -3\n", "f:1: "},
        {"end\n", "f:1: "},
        {"end ten\n", "f:1: "},
        {"epoch -1\n", "f:1: "},
        {"at 99999999999999999999 key a\n", "f:1: "},
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(ParseScript(c.text, "f", script, error)) << c.text;
        EXPECT_EQ(error.rfind(c.errorStart, 0), 0u) << c.text << " gave " << error;
        EXPECT_GT(error.size(), std::string(c.errorStart).size()) << "the error says why";
    }
}

}  // namespace
