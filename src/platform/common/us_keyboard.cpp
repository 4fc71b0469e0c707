// The US keyboard layout's virtual keys for the printable ASCII characters and a few control characters.
#include "platform/common/us_keyboard.h"

namespace {

constexpr uint16_t SHIFT = 0x0100;
constexpr uint16_t CTRL = 0x0200;

struct Punctuation {
    char plain, shifted;
    uint8_t virtualKey;
};
constexpr Punctuation PUNCTUATION[] = {
    {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
    {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};
constexpr char SHIFTED_DIGITS[] = ")!@#$%^&*(";

}  // namespace

uint16_t UsKeyScan(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<uint16_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<uint16_t>(SHIFT | c);
    if (c >= '0' && c <= '9') return c;
    for (int digit = 0; digit < 10; ++digit) {
        if (SHIFTED_DIGITS[digit] == c) return static_cast<uint16_t>(SHIFT | ('0' + digit));
    }
    for (const Punctuation& p : PUNCTUATION) {
        if (p.plain == c) return p.virtualKey;
        if (p.shifted == c) return static_cast<uint16_t>(SHIFT | p.virtualKey);
    }
    switch (c) {
        case ' ': return 0x20;
        case '\t': return 0x09;
        case '\r': return 0x0D;
        case '\b': return 0x08;
        case 0x1B: return 0x1B;
        default: break;
    }
    if (c >= 1 && c <= 26) return static_cast<uint16_t>(CTRL | ('A' + c - 1));
    return US_NO_KEY;
}
