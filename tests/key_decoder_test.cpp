// The terminal's key decoder: byte strings, split over reads or not, and the keys they give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/terminal/key_decoder.h"

namespace {

using terminal::DecodedKey;
using terminal::KeyKind;

std::string Name(const DecodedKey& key) {
    switch (key.kind) {
        case KeyKind::Escape: return "Esc ";
        case KeyKind::Up: return "Up ";
        case KeyKind::Down: return "Down ";
        case KeyKind::Left: return "Left ";
        case KeyKind::Right: return "Right ";
        case KeyKind::KeypadEnter: return "PadEnter ";
        case KeyKind::BackTab: return "BackTab ";
        case KeyKind::Character: break;
    }
    return "U+" + std::to_string(static_cast<unsigned>(key.character)) + " ";
}

// Feeds the reads in turn as the backend does, keeping what was not used; then, if delayed, the Esc
// delay passes with nothing more.
std::string Decode(const std::vector<std::string>& reads, bool delayed, bool utf8) {
    std::vector<DecodedKey> keys;
    std::string pending;
    auto feed = [&](bool delayPassed) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(pending.data());
        pending.erase(0, terminal::DecodeKeys(bytes, pending.size(), delayPassed, utf8, keys));
    };
    for (const std::string& read : reads) {
        pending += read;
        feed(false);
    }
    if (delayed) feed(true);
    std::string names;
    for (const DecodedKey& key : keys) names += Name(key);
    return names + (pending.empty() ? "" : "(waits)");
}

struct Case {
    std::vector<std::string> reads;
    bool delayed;
    std::string keys;
    bool utf8 = true;
};

TEST(KeyDecoder, BytesGiveTheseKeys) {
    const Case cases[] = {
        {{"\x1b[C", "\x1bOC", "\x1b[1;5C", "\x1bO5D"}, false, "Right Right Right Left "},
        {{"\x1b[A\x1bOB\x1b[1;2D"}, false, "Up Down Left "},
        {{"\x1b[1;", "5C"}, false, "Right "},       // a sequence split over two reads
        {{"\x1b", "[A"}, false, "Up "},
        {{"\x1b"}, false, "(waits)"},               // Esc only once the delay passed with nothing more
        {{"\x1b"}, true, "Esc "},
        {{"\x1b\x1b"}, false, "Esc (waits)"},       // the first is Esc, the second starts what it starts
        {{"\x1b\x1b"}, true, "Esc Esc "},
        {{"\x1b\x1b[C"}, false, "Esc Right "},
        {{"\x1b[Z", "\x1bOM"}, false, "BackTab PadEnter "},
        // Alt+letter, F5, F1, Home twice, Delete, an unknown CSI, a mouse report, a private marker: nothing
        {{"\x1b" "b", "\x1b[15~", "\x1bOP", "\x1b[H", "\x1b[1~", "\x1b[3~", "\x1b[?1;2$q", "\x1b[<0;3;4M", "\x1b[>1C"}, false, ""},
        {{"\x1b" "bx"}, false, "U+120 "},
        {{"\x1b[1;"}, true, ""},                    // unfinished when the delay passed: dropped whole
        {{"\x1b[1\x01" "a"}, false, "U+1 U+97 "},  // a control byte breaks a sequence off and counts itself
        {{"ab\r\x7f\t"}, false, "U+97 U+98 U+13 U+127 U+9 "},
        {{"\xc3\xa9", "\xe2\x96", "\xba"}, false, "U+233 U+9658 "},
        {{"\x1b\xc3\xa9"}, false, ""},              // Alt with a character of two bytes
        {{"\xff\xc0\xaf\xed\xa0\x80" "a"}, false, "U+97 "},  // no characters: a stray byte, overlong, surrogate
        {{"\xe2\x96"}, true, ""},
        {{"\xe9\x1b[D"}, false, "U+233 Left ", false},  // without UTF-8 each byte is a character
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& read : c.reads) shown += "[" + read + "]";
        EXPECT_EQ(Decode(c.reads, c.delayed, c.utf8), c.keys) << shown << (c.delayed ? " then the delay" : "");
    }
}

}  // namespace
