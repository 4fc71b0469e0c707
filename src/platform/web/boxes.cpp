// Web backend, message boxes: a modal dialog on the page that the game waits for, a watched demo's boxes shown
// in it without taking keys, and the viewer's note in the status line.
#include <emscripten.h>

#include "platform/backend.h"

// clang-format off
EM_ASYNC_JS(int, VelkBoxAsk, (const char* text, const char* title, int withCancel), {
    return await velkPage.box.ask(UTF8ToString(text), UTF8ToString(title), withCancel != 0);
});
EM_JS(void, VelkBoxShow, (const char* text, const char* title, int withCancel, int pressed), {
    velkPage.box.show(UTF8ToString(text), UTF8ToString(title), withCancel != 0, pressed);
});
EM_JS(void, VelkBoxHide, (), { velkPage.box.hide(); });
EM_JS(void, VelkStatus, (const char* text), { velkPage.status(UTF8ToString(text)); });
// clang-format on

int BackendMessageBox(WindowHandle, const char* text, const char* title, unsigned style) {
    const bool withCancel = (style & 0xFu) == BOX_OKCANCEL;
    return VelkBoxAsk(text, title, withCancel ? 1 : 0) == BOX_ANSWER_CANCEL ? BOX_ANSWER_CANCEL : BOX_ANSWER_OK;
}

// The page is always the front window.
void BackendBringToFront(WindowHandle) {}

void BackendShowDemoBox(const char* text, const char* title, unsigned style, int pressed) {
    VelkBoxShow(text, title, (style & 0xFu) == BOX_OKCANCEL ? 1 : 0, pressed);
}

void BackendHideDemoBox() { VelkBoxHide(); }

void BackendShowViewerNote(const char* note) { VelkStatus(note); }
