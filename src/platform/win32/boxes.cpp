// Modal message boxes and bringing the console window to the foreground.
#include "platform/win32/win32_backend.h"

int BackendMessageBox(WindowHandle owner, const char* text, const char* title, unsigned style) {
    // The BOX_ flags carry the MB_ values, so the style passes through unchanged.
    static_assert(BOX_OKCANCEL == MB_OKCANCEL && BOX_TOPMOST == MB_TOPMOST, "box flags must be the MB_ values");
    static_assert(BOX_ANSWER_OK == IDOK && BOX_ANSWER_CANCEL == IDCANCEL, "box answers must be the ID values");
    return MessageBoxA(static_cast<HWND>(owner), text, title, style);
}

void BackendBringToFront(WindowHandle window) {
    SetForegroundWindow(static_cast<HWND>(window));
}

// Watching a demo (not shown yet).
void BackendShowDemoBox(const char*, const char*, unsigned, int) {}
void BackendHideDemoBox() {}
void BackendShowViewerNote(const char*) {}
