// Terminal input bytes to keys: escape sequences read whole, UTF-8 characters, and Esc decided by a delay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace terminal {

enum class KeyKind : uint8_t { Character, Escape, Up, Down, Left, Right, KeypadEnter, BackTab };

struct DecodedKey {
    KeyKind kind;
    char32_t character;  // the Unicode character typed; 0 unless kind is Character
};

// Decodes bytes from the front and appends the keys to out. Returns how many bytes were used; the rest
// is the start of a sequence or character that may still go on, to be passed again with what follows.
// delayPassed says that nothing followed them within the Esc delay: then everything is used, a lone
// Esc is the Esc key and an unfinished sequence is dropped. Without utf8 each byte is one character.
size_t DecodeKeys(const unsigned char* bytes, size_t length, bool delayPassed, bool utf8, std::vector<DecodedKey>& out);

// The Esc delay in milliseconds that the text of ESCDELAY asks for: 0 to 10000, else (or without it) 25.
int EscDelayFrom(const char* text);

}  // namespace terminal
