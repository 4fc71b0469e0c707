// The script reader: what it accepts, how it orders records, and the errors it names.
#include <gtest/gtest.h>

#include "platform/scripted/script.h"

namespace {

TEST(ScriptReader, KeyNamesGiveCharacterAndVirtualKey) {
    struct Case { const char* name; char character; uint16_t virtualKey; } const cases[] = {
        {"Esc", 0x1B, 0x1B}, {"Down", 0, 0x28}, {"b", 'b', 0x42}, {"B", 'B', 0x42}, {"+", '+', 0}
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        ASSERT_TRUE(ParseScript(std::string("at 5 key ") + c.name + "\n", "s", script, error)) << error;
        const InputRecord& r = script.records.at(0).record;
        EXPECT_EQ(r.eventType, INPUT_KEY_EVENT) << c.name;
        EXPECT_EQ(r.keyDown, 1) << c.name;
        EXPECT_EQ(r.asciiChar, c.character) << c.name;
        EXPECT_EQ(r.virtualKeyCode, c.virtualKey) << c.name;
    }
}

TEST(ScriptReader, RecordsByTimeThenLineAndTheDirectives) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("epoch 17\nat 30 key a\nat 10 key b\n# note\n\nat 10 up c   # trailing\nat 0 other\n"
                            "box cancel 250\nat 5 fail-input 2\nend 900\n", "s", script, error)) << error;
    ASSERT_EQ(script.records.size(), 4u);
    EXPECT_EQ(script.records[0].record.eventType, INPUT_MOUSE_EVENT);
    EXPECT_EQ(script.records[1].record.asciiChar, 'b');
    EXPECT_EQ(script.records[2].record.keyDown, 0);
    EXPECT_EQ(script.records[3].record.asciiChar, 'a');
    EXPECT_EQ(script.epoch, 17);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_FALSE(script.boxes[0].ok);
    EXPECT_EQ(script.boxes[0].delay, 250);
    ASSERT_EQ(script.failures.size(), 1u);
    EXPECT_EQ(script.failures[0].remaining, 2);
    EXPECT_TRUE(script.hasEnd);
    EXPECT_EQ(script.endTime, 900);
    ASSERT_TRUE(ParseScript("", "s", script, error));
    EXPECT_EQ(script.epoch, 1800000000);
    EXPECT_FALSE(script.hasEnd);
}

TEST(ScriptReader, BadLinesAreNamedWithTheirLineNumber) {
    // Each bad line follows a good one, so the number counts lines.
    const char* const cases[] = {
        "jump 5\n", "at 5 key ab\n", "at -5 key a\n", "at 5x key a\n", "at 5 key\n",
        "at 5 other extra\n", "box maybe\n", "end ten\n", "at 99999999999999999999 key a\n",
    };
    for (const char* text : cases) {
        Script script;
        std::string error;
        const std::string where = "f:2: ";
        EXPECT_FALSE(ParseScript(std::string("at 5 key Esc\n") + text, "f", script, error)) << text;
        EXPECT_EQ(error.rfind(where, 0), 0u) << text << " gave " << error;
        EXPECT_GT(error.size(), where.size()) << "the error says why";
    }
}

}  // namespace
