// The script reader: what it accepts, how it orders records, and the errors it names.
#include <gtest/gtest.h>

#include "platform/scripted/script.h"

namespace {

TEST(ScriptReader, RecordsByTimeThenLineWithTheirKeys) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("epoch 17\nat 30 key Esc\nat 10 key b\n# note\n\nat 10 up Down   # trailing\nat 0 other\n"
                            "at 40 key +\nend 900\n", "s", script, error)) << error;
    struct Case { uint16_t type; int keyDown; char character; uint16_t virtualKey; } const cases[] = {
        {INPUT_MOUSE_EVENT, 0, 0, 0}, {INPUT_KEY_EVENT, 1, 'b', 0x42}, {INPUT_KEY_EVENT, 0, 0, 0x28},
        {INPUT_KEY_EVENT, 1, 0x1B, 0x1B}, {INPUT_KEY_EVENT, 1, '+', 0},
    };
    ASSERT_EQ(script.records.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const InputRecord& r = script.records[i].record;
        EXPECT_EQ(r.eventType, cases[i].type) << i;
        if (cases[i].type != INPUT_KEY_EVENT) continue;
        EXPECT_EQ(r.keyDown, cases[i].keyDown) << i;
        EXPECT_EQ(r.asciiChar, cases[i].character) << i;
        EXPECT_EQ(r.virtualKeyCode, cases[i].virtualKey) << i;
    }
    EXPECT_EQ(script.epoch, 17);
    EXPECT_EQ(script.endTime, 900);
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
        EXPECT_FALSE(ParseScript(std::string("at 5 key Esc\n") + text, "f", script, error)) << text;
        EXPECT_EQ(error.rfind("f:2: ", 0), 0u) << text << " gave " << error;
    }
}

}  // namespace
