// Web backend, keys: the page's queued keydown events as console key-down records, and the US key map.
#include <emscripten.h>

#include "platform/common/cp437.h"
#include "platform/platform.h"
#include "platform/web/web_bridge.h"

// clang-format off
EM_JS(int, VelkKeysPending, (), { return velkPage.keys.pending(); });
// The oldest key: virtualKey << 8 | character byte for a named key, TYPED | code point for a typed
// character, -1 when the queue is empty.
EM_JS(int, VelkKeysTake, (), { return velkPage.keys.take(); });
EM_JS(void, VelkKeysFlush, (), { velkPage.keys.flush(); });
// clang-format on

namespace {

constexpr int TYPED = 0x1000000;
constexpr uint16_t SHIFT = 0x0100;
constexpr uint16_t CTRL = 0x0200;
constexpr uint16_t NO_KEY = 0xFFFF;

// The US keyboard's virtual keys of the printable ASCII punctuation, unshifted and shifted.
struct Punctuation {
    char plain, shifted;
    uint8_t virtualKey;
};
constexpr Punctuation PUNCTUATION[] = {
    {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
    {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};
constexpr char SHIFTED_DIGITS[] = ")!@#$%^&*(";

uint16_t KeyScan(unsigned char c) {
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
    return NO_KEY;
}

char Cp437Of(int unicode) {
    if (unicode < 0x80) return static_cast<char>(unicode);
    for (int byte = 0x80; byte < 256; ++byte) {
        if (CP437_TO_UNICODE[byte] == static_cast<char32_t>(unicode)) return static_cast<char>(byte);
    }
    return '?';
}

InputRecord RecordOf(int key) {
    uint16_t virtualKey = 0;
    char character = 0;
    if (key & TYPED) {
        const int unicode = key & ~TYPED;
        character = Cp437Of(unicode);
        if (unicode < 0x80) {
            const uint16_t word = KeyScan(static_cast<unsigned char>(unicode));
            if (word != NO_KEY) virtualKey = word & 0xFF;
        }
    } else {
        virtualKey = static_cast<uint16_t>(key >> 8);
        character = static_cast<char>(key & 0xFF);
    }
    return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character};
}

}  // namespace

int PlatformCountInput(uint32_t* pending) {
    int count = VelkKeysPending();
    if (count == 0) {
        // The game polls without pause: with nothing to read, hand the page a turn so it can
        // paint, take keys and finish storage work, then look again.
        WebKeepFiles(false);
        emscripten_sleep(1);
        count = VelkKeysPending();
    }
    *pending = static_cast<uint32_t>(count);
    return 1;
}

int PlatformReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    uint32_t count = 0;
    for (; count < wanted; ++count) {
        const int key = VelkKeysTake();
        if (key < 0) break;
        records[count] = RecordOf(key);
    }
    *read = count;
    return 1;
}

void PlatformFlushInput() { VelkKeysFlush(); }

uint16_t PlatformKeyScan(char character) { return KeyScan(static_cast<unsigned char>(character)); }

// A page cannot press keys for the player; the exit key is for the console the game leaves behind.
void PlatformSendKey(uint16_t) {}
