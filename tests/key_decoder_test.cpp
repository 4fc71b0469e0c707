// The terminal's key decoder: byte strings, split over reads or not, and the keys they give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        // Alt+letter, F5, F1, Home twice, Delete, an unknown CSI, a mouse report, a private marker: nothing
        {{"\x1b" "bx", "\x1b[15~", "\x1bOP", "\x1b[H", "\x1b[1~", "\x1b[3~", "\x1b[?1;2$q", "\x1b[<0;3;4M", "\x1b[>1C"}, false, "U+120 "},
        {{"\x1b[1;"}, true, ""},                    // unfinished when the delay passed: dropped whole
        {{"\x1b[1\x01" "a\r\x7f"}, false, "U+1 U+97 U+13 U+127 "},  // a control byte breaks a sequence off
        {{"\xc3\xa9", "\xe2\x96", "\xba", "\x1b\xc3\xa9"}, false, "U+233 U+9658 "},  // Alt+é: nothing
        {{"\xff\xc0\xaf\xed\xa0\x80" "a"}, false, "U+97 "},  // no characters: a stray byte, overlong, surrogate
        {{"\xe9\x1b[D"}, false, "U+233 Left ", false},  // without UTF-8 each byte is a character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c), c.keys) << ::testing::PrintToString(c.reads) << (c.delayed ? " then the delay" : "");
    }
}

}  // namespace
