// The terminal backend's pure parts: the key decoder, the colours and glyphs of terminals that lack some, the US keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/cp437.h"
#include "platform/common/us_keyboard.h"
#include "platform/terminal/cell_style.h"
#include "platform/terminal/key_decoder.h"

namespace {

struct Case {
    std::vector<std::string> reads;  // fed in turn as the backend does, keeping what was not used
    bool delayed;                    // then the Esc delay passes with nothing more
    std::string keys;
    bool utf8 = true;
};

std::string Decode(const Case& c) {
    static const char* const NAMES[] = {"", "Esc ", "Up ", "Down ", "Left ", "Right ", "PadEnter ", "BackTab "};
    std::vector<terminal::DecodedKey> keys;
    std::string pending;
    for (size_t i = 0; i <= c.reads.size(); ++i) {
        if (i == c.reads.size() && !c.delayed) break;
        pending += i < c.reads.size() ? c.reads[i] : "";
        const auto* bytes = reinterpret_cast<const unsigned char*>(pending.data());
        pending.erase(0, terminal::DecodeKeys(bytes, pending.size(), i == c.reads.size(), c.utf8, keys));
    }
    std::string names;
    for (const terminal::DecodedKey& key : keys) {
        const bool character = key.kind == terminal::KeyKind::Character;
        names += character ? "U+" + std::to_string(key.character) + " " : NAMES[static_cast<int>(key.kind)];
    }
    return names + (pending.empty() ? "" : "(waits)");
}

TEST(KeyDecoder, BytesGiveTheseKeys) {
    const Case cases[] = {
        {{"\x1b[C", "\x1bOC", "\x1b[1;5C", "\x1bO5D", "\x1b[A\x1bOB\x1b[1;2D"}, false, "Right Right Right Left Up Down Left "},
        {{"\x1b[1;", "5C"}, false, "Right "},       // a sequence split over two reads
        {{"\x1b"}, false, "(waits)"},               // Esc only once the delay passed with nothing more
        {{"\x1b"}, true, "Esc "},
        {{"\x1b\x1b"}, true, "Esc Esc "},           // the first is Esc, the second starts what it starts
        {{"\x1b\x1b[C"}, false, "Esc Right "},
        {{"\x1b[Z", "\x1bOM"}, false, "BackTab PadEnter "},
        // Alt+letter, F5, F1, Home twice, rxvt's Ctrl+Shift+Insert, an unknown CSI, a mouse report, a private marker: nothing
        {{"\x1b" "bx", "\x1b[15~", "\x1bOP", "\x1b[H", "\x1b[1~", "\x1b[2@", "\x1b[?1;2$q", "\x1b[<0;3;4M", "\x1b[>1C"}, false, "U+120 "},
        {{"\x1b[1;"}, true, ""},                    // unfinished when the delay passed: dropped whole
        {{"\x1b[1\x01" "a\r\x7f"}, false, "U+1 U+97 U+13 U+127 "},  // a control byte breaks a sequence off
        {{"\xc3\xa9", "\xe2\x96", "\xba", "\xf0\x9f\x98\x80", "\x1b\xc3\xa9"}, false, "U+233 U+9658 U+128512 "},  // Alt+é: nothing
        {{"\xff" "a\xc0\xaf\xed\xa0\x80\xc3" "a"}, false, "U+97 U+97 "},  // no characters: stray, overlong, surrogate, cut
        {{"\xe9\x1b[D"}, false, "U+233 Left ", false},  // without UTF-8 each byte is a character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c), c.keys) << ::testing::PrintToString(c.reads) << (c.delayed ? " then the delay" : "");
    }
}

TEST(KeyDecoder, EscDelayFromItsVariable) {
    struct Case { const char* text; int delay; } const cases[] = {
        {nullptr, 25}, {"", 25}, {"0", 0}, {"10000", 10000}, {"10001", 25}, {"-1", 25}, {"12x", 25}};
    for (const Case& c : cases) EXPECT_EQ(terminal::EscDelayFrom(c.text), c.delay) << (c.text ? c.text : "unset");
}

// Each attribute's pair as curses foreground/background ("own": the terminal's), "+" bold, " blank".
TEST(CellStyle, ColoursAtTheBoundariesOfColoursAndPairs) {
    struct Case { int colours, pairs, attribute; const char* shown; } const cases[] = {
        {256, 32767, 0x9C, "9/12"}, {256, 32767, 0x11, "4/4"},   // a pair for each attribute
        {16, 256, 0x9E, "11/12"}, {16, 241, 0x9E, "11/12"},       // 16 colours both ways need 240 pairs
        {16, 240, 0x9E, "11/4"}, {16, 240, 0x11, "0/4 blank"}, {16, 121, 0x9E, "11/4"},  // dark backgrounds: 120
        {16, 120, 0x9E, "3/4+"}, {8, 64, 0x9C, "1/4+"}, {8, 57, 0x9C, "1/4+"}, {8, 64, 0x88, "7/0 blank"},  // 56
        {8, 64, 0x18, "0/4+"}, {8, 56, 0x9C, "own+"}, {0, 0, 0x77, "own blank"}, {0, 0, 0x07, "own"}};
    for (const Case& c : cases) {
        const terminal::ColourPlan plan = terminal::PlanColours(c.colours, c.pairs);
        const terminal::CellColour colour = plan.of[c.attribute];
        const terminal::PairColours pair = plan.pairs[colour.pair];
        std::string shown = colour.pair == 0 ? "own" : std::to_string(pair.fg) + "/" + std::to_string(pair.bg);
        EXPECT_EQ(shown + (colour.bold ? "+" : "") + (colour.blank ? " blank" : ""), c.shown) << c.colours << " " << c.pairs;
        EXPECT_LT(plan.pairCount, std::max(c.pairs, 1));
    }
}

TEST(CellStyle, GlyphsWithoutUnicode) {
    struct Case { uint8_t byte; char shown; bool alternate; } const cases[] = {
        {0x00, ' ', false}, {0x20, ' ', false}, {0x7E, '~', false}, {0x7F, '?', false}, {0xFF, ' ', false},
        {0x10, '+', true}, {0x03, '`', true}, {0x08, '0', true}, {0xB1, 'a', true}, {0xDB, '0', true},
        {0xB2, 'a', true}, {0xB3, 'x', true}, {0xB4, 'u', true}, {0xC3, 't', true}, {0xDA, 'l', true},
        {0x80, 'C', false}, {0x9C, '}', true}, {0xA5, 'N', false}, {0xA6, '?', false}};
    for (const Case& c : cases) {
        const terminal::FallbackGlyph glyph = terminal::FallbackFor(c.byte);
        EXPECT_EQ(std::string(1, glyph.character) + (glyph.alternate ? " alternate" : ""),
                  std::string(1, c.shown) + (c.alternate ? " alternate" : "")) << std::hex << int{c.byte};
    }
    // Past ASCII and the accented letters every stand-in is line drawing, but the blank and the '?' for none.
    for (int byte = 0; byte < 256; ++byte) {
        if ((byte >= 0x20 && byte < 0x7F) || (byte >= 0x80 && byte <= 0xA5)) continue;
        const terminal::FallbackGlyph glyph = terminal::FallbackFor(static_cast<uint8_t>(byte));
        EXPECT_EQ(glyph.alternate, glyph.character != ' ' && glyph.character != '?') << std::hex << byte;
    }
}

TEST(Cp437, GlyphsAsUtf8) {
    std::string text;
    for (uint8_t byte : {0x41, 0x82, 0x10, 0x00}) AppendCp437AsUtf8(text, byte);
    EXPECT_EQ(text, "A\xc3\xa9\xe2\x96\xba ");  // one, two and three bytes; byte 0 a blank
}

// The keys the terminal and the page report for typed characters: VkKeyScanA's on a US keyboard.
TEST(UsKeyboard, TypedCharactersAsWindowsKeys) {
    const std::pair<char, int> cases[] = {{'a', 0x41}, {'Z', 0x15A}, {'7', 0x37}, {')', 0x130}, {';', 0xBA}, {':', 0x1BA},
                                          {'~', 0x1C0}, {' ', 0x20}, {'\r', 0x0D}, {'\x01', 0x241}, {'\x80', US_NO_KEY}};
    for (const auto& [c, key] : cases) EXPECT_EQ(UsKeyScan(static_cast<unsigned char>(c)), key) << std::hex << int{c};
}

}  // namespace
