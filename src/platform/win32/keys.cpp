// Keyboard: counting, reading and discarding console input events, and the synthetic key press.
#include <vector>

#include "platform/common/deadline.h"
#include "platform/win32/win32_backend.h"

namespace win32 {

InputRecord ToInputRecord(const INPUT_RECORD& record) {
    InputRecord converted{};
    converted.eventType = record.EventType;
    if (record.EventType == KEY_EVENT) {
        converted.keyDown = record.Event.KeyEvent.bKeyDown;
        converted.virtualKeyCode = record.Event.KeyEvent.wVirtualKeyCode;
        converted.asciiChar = record.Event.KeyEvent.uChar.AsciiChar;
    }
    return converted;
}

}  // namespace win32

using namespace win32;

int BackendCountInput(uint32_t* pending) {
    const HANDLE in = InputHandle();
    // A zero-time wait: under Wine it is what moves the terminal's keys into the console queue; a bare
    // count never sees them.
    WaitForSingleObject(in, 0);
    DWORD count = 0;
    const BOOL ok = GetNumberOfConsoleInputEvents(in, &count);
    *pending = count;
    return ok ? 1 : 0;
}

int BackendReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    *read = 0;
    if (wanted == 0) {
        return 1;
    }
    std::vector<INPUT_RECORD> raw(wanted);
    DWORD got = 0;
    if (!ReadConsoleInputA(InputHandle(), raw.data(), wanted, &got)) {
        return 0;
    }
    for (DWORD i = 0; i < got; ++i) {
        records[i] = ToInputRecord(raw[i]);
    }
    *read = got;
    return 1;
}

// The console input handle is signalled while events wait, so a key ends the wait at once. A resize sends no
// event in the game's input mode, so the wait looks at the console's size a few times a second: a resized
// window gets its picture again at once, and the game's next pass (the information screen's too) follows.
void BackendWaitForInput(int64_t deadline) {
    constexpr int64_t RESIZE_LOOK_MS = 250;
    for (;;) {
        const int64_t left = MillisecondsUntil(deadline);
        if (left == 0) return;
        const bool last = left >= 0 && left <= RESIZE_LOOK_MS;
        WaitForHandleOrTime(InputHandle(), last ? left : RESIZE_LOOK_MS);
        if (last || WaitForSingleObject(InputHandle(), 0) == WAIT_OBJECT_0 || RewriteIfResized()) return;
    }
}

void BackendFlushInput() {
    FlushConsoleInputBuffer(InputHandle());
}

void BackendTypeCharacter(char character) {
    // A press only, no release: the record is a goodbye keystroke, not a typed character.
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(VkKeyScanA(character));
    in.ki.wScan = 0;
    in.ki.dwFlags = 0;
    in.ki.time = 0;
    in.ki.dwExtraInfo = 0;
    SendInput(1, &in, sizeof(INPUT));
}
