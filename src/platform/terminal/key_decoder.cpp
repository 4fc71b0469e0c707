// Terminal input bytes to keys (the arrows, Shift+Tab and keypad Enter kept, other sequences dropped whole); the Esc delay.
#include "platform/terminal/key_decoder.h"

#include <cstdlib>

namespace terminal {
namespace {

constexpr unsigned char ESC = 0x1B;
constexpr size_t INCOMPLETE = 0;  // "needs more bytes" from the Take functions below

bool IsParameterByte(unsigned char c) { return c >= 0x30 && c <= 0x3F; }
bool IsIntermediateByte(unsigned char c) { return c >= 0x20 && c <= 0x2F; }
bool IsFinalByte(unsigned char c) { return c >= 0x40 && c <= 0x7E; }

// Plain numbers and ';' only: a private marker or an intermediate byte makes it some other sequence.
bool PlainParameters(const unsigned char* first, const unsigned char* end) {
    for (const unsigned char* p = first; p < end; ++p) {
        if (!(*p >= '0' && *p <= '9') && *p != ';') return false;
    }
    return true;
}

void Push(std::vector<DecodedKey>& out, KeyKind kind, char32_t character = 0) { out.push_back({kind, character}); }

bool PushArrow(std::vector<DecodedKey>& out, unsigned char final) {
    switch (final) {
        case 'A': Push(out, KeyKind::Up); return true;
        case 'B': Push(out, KeyKind::Down); return true;
        case 'C': Push(out, KeyKind::Right); return true;
        case 'D': Push(out, KeyKind::Left); return true;
        default: return false;
    }
}

// A control sequence (ESC [) or a single shift three (ESC O) from its introducer: parameter bytes,
// intermediate bytes, one final byte. Returns the bytes it spans or INCOMPLETE; a byte that cannot be
// part of it breaks it off (broken): then only the bytes before that one are dropped.
size_t TakeSequence(const unsigned char* p, size_t length, bool& broken) {
    size_t i = 2;
    while (i < length && IsParameterByte(p[i])) ++i;
    while (i < length && IsIntermediateByte(p[i])) ++i;
    if (i == length) return INCOMPLETE;
    broken = !IsFinalByte(p[i]);
    return broken ? i : i + 1;
}

// The length of the UTF-8 character starting at p: INCOMPLETE when it may still go on, and its code
// point in unicode, or 0xFFFFFFFF for bytes that are no character (their length is then 1).
size_t TakeUtf8(const unsigned char* p, size_t length, char32_t& unicode) {
    const unsigned char lead = p[0];
    size_t size = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        unicode = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, value = lead & 0x07;
    } else {
        unicode = 0xFFFFFFFF;
        return 1;
    }
    for (size_t i = 1; i < size; ++i) {
        if (i == length) return INCOMPLETE;
        if ((p[i] & 0xC0) != 0x80) {
            unicode = 0xFFFFFFFF;
            return 1;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    const char32_t smallest = size == 2 ? 0x80 : (size == 3 ? 0x800 : 0x10000);
    unicode = value < smallest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF ? 0xFFFFFFFF : value;
    return unicode == 0xFFFFFFFF ? 1 : size;
}

size_t TakeCharacter(const unsigned char* p, size_t length, bool utf8, char32_t& unicode) {
    if (!utf8) {
        unicode = p[0];
        return 1;
    }
    return TakeUtf8(p, length, unicode);
}

// What starts with ESC at p: the bytes it spans and the key it gives, if any; INCOMPLETE if it may go on.
size_t TakeEscape(const unsigned char* p, size_t length, bool utf8, std::vector<DecodedKey>& out) {
    if (length == 1) return INCOMPLETE;
    const unsigned char second = p[1];
    if (second == ESC) {  // the first one was the Esc key; the second starts whatever it starts
        Push(out, KeyKind::Escape);
        return 1;
    }
    if (second == '[' || second == 'O') {
        bool broken = false;
        const size_t size = TakeSequence(p, length, broken);
        if (size == INCOMPLETE || broken) return size;
        const unsigned char final = p[size - 1];
        if (!PlainParameters(p + 2, p + size - 1)) return size;
        if (PushArrow(out, final)) return size;
        if (second == '[' && final == 'Z') Push(out, KeyKind::BackTab);
        if (second == 'O' && final == 'M') Push(out, KeyKind::KeypadEnter);
        return size;
    }
    // Alt with a character: both go, however many bytes the character takes.
    char32_t ignored = 0;
    const size_t size = TakeCharacter(p + 1, length - 1, utf8, ignored);
    return size == INCOMPLETE ? INCOMPLETE : 1 + size;
}

}  // namespace

size_t DecodeKeys(const unsigned char* bytes, size_t length, bool delayPassed, bool utf8, std::vector<DecodedKey>& out) {
    size_t used = 0;
    while (used < length) {
        const unsigned char* p = bytes + used;
        const size_t left = length - used;
        size_t size = 0;
        if (p[0] == ESC) {
            size = TakeEscape(p, left, utf8, out);
            if (size == INCOMPLETE && delayPassed) {
                if (left == 1) Push(out, KeyKind::Escape);
                size = left;  // nothing more came: an unfinished sequence is dropped
            }
        } else {
            char32_t unicode = 0;
            size = TakeCharacter(p, left, utf8, unicode);
            if (size == INCOMPLETE && delayPassed) size = left;
            else if (size != INCOMPLETE && unicode != 0xFFFFFFFF) Push(out, KeyKind::Character, unicode);
        }
        if (size == INCOMPLETE) break;
        used += size;
    }
    return used;
}

int EscDelayFrom(const char* text) {
    char* end = nullptr;
    const long value = text != nullptr ? std::strtol(text, &end, 10) : -1;
    return value >= 0 && value <= 10000 && end != text && *end == '\0' ? static_cast<int>(value) : 25;
}

}  // namespace terminal
