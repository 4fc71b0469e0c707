// Web backend, keys: the page's queued keydown events as console key-down records, and the US key map.
#include <emscripten.h>

#include "platform/common/cp437.h"
#include "platform/common/deadline.h"
#include "platform/common/us_keyboard.h"
#include "platform/backend.h"

// clang-format off
EM_JS(int, VelkKeysPending, (), { return velkPage.keys.pending(); });
// The oldest key: virtualKey << 8 | character byte for a named key, TYPED | code point for a typed
// character, -1 when the queue is empty.
EM_JS(int, VelkKeysTake, (), { return velkPage.keys.take(); });
EM_JS(void, VelkKeysFlush, (), { velkPage.keys.flush(); });
// Hands the browser its turn until a key comes or the milliseconds have passed (negative: no limit).
EM_ASYNC_JS(void, VelkKeysWait, (double milliseconds), { await velkPage.keys.wait(milliseconds); });
// The page's name of a key the game reads, and the code the game knows it by.
EM_JS(void, VelkKeysName, (const char* key, int virtualKey, int character), {
    velkPage.keys.name(UTF8ToString(key), virtualKey, character);
});
// clang-format on

namespace {

constexpr int TYPED = 0x1000000;

InputRecord RecordOf(int key) {
    uint16_t virtualKey = 0;
    char character = 0;
    if (key & TYPED) {
        const int unicode = key & ~TYPED;
        character = Cp437FromUnicode(static_cast<char32_t>(unicode));
        if (unicode < 0x80) {
            const uint16_t word = UsKeyScan(static_cast<unsigned char>(unicode));
            if (word != US_NO_KEY) virtualKey = word & 0xFF;
        }
    } else {
        virtualKey = static_cast<uint16_t>(key >> 8);
        character = static_cast<char>(key & 0xFF);
    }
    return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character};
}

// The page's scripts are loaded before the program, so its key table is complete before any key counts.
[[maybe_unused]] const bool gameKeysNamed = [] {
    VelkKeysName("ArrowLeft", KEY_LEFTARROW, 0);
    VelkKeysName("ArrowUp", KEY_UPARROW, 0);
    VelkKeysName("ArrowRight", KEY_RIGHTARROW, 0);
    VelkKeysName("ArrowDown", KEY_DOWNARROW, 0);
    VelkKeysName("Escape", KEY_ESCAPE, 0x1B);
    return true;
}();

}  // namespace

int BackendCountInput(uint32_t* pending) {
    *pending = static_cast<uint32_t>(VelkKeysPending());
    return 1;
}

int BackendReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    uint32_t count = 0;
    for (; count < wanted; ++count) {
        const int key = VelkKeysTake();
        if (key < 0) break;
        records[count] = RecordOf(key);
    }
    *read = count;
    return 1;
}

void BackendWaitForInput(int64_t deadline) {
    VelkKeysWait(static_cast<double>(MillisecondsUntil(deadline)));  // passed already: no wait beyond the turn
}

void BackendFlushInput() { VelkKeysFlush(); }

// A page cannot press keys for the player; the exit key is for the console the game leaves behind.
void BackendTypeCharacter(char) {}
