// Modal message boxes, a watched demo's boxes drawn into the console, and bringing the window to the foreground.
#include <cstring>

#include "platform/common/box_cells.h"
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

// As text cells over the picture rather than a window of its own, which would take the keyboard from the viewer.
void BackendShowDemoBox(const char* text, const char* title, unsigned style, int pressed) {
    static Cell boxed[SCREEN_CELLS];
    std::memcpy(boxed, win32::LastPicture(), sizeof boxed);
    DrawBoxCells(boxed, text, title, style, pressed);
    win32::WritePicture(boxed);
}

void BackendHideDemoBox() { win32::WritePicture(win32::LastPicture()); }
