// Web backend, message boxes: a modal dialog on the page that the game waits for.
#include <emscripten.h>

#include "platform/backend.h"

// clang-format off
EM_ASYNC_JS(int, VelkBoxAsk, (const char* text, const char* title, int withCancel), {
    return await velkPage.box.ask(UTF8ToString(text), UTF8ToString(title), withCancel != 0);
});
// clang-format on

int BackendMessageBox(WindowHandle, const char* text, const char* title, unsigned style) {
    const bool withCancel = (style & 0xFu) == BOX_OKCANCEL;
    return VelkBoxAsk(text, title, withCancel ? 1 : 0) == BOX_ANSWER_CANCEL ? BOX_ANSWER_CANCEL : BOX_ANSWER_OK;
}

// The page is always the front window.
void BackendBringToFront(WindowHandle) {}

// Watching a demo (not shown yet).
void BackendShowDemoBox(const char*, const char*, unsigned, int) {}
void BackendHideDemoBox() {}
void BackendShowViewerNote(const char*) {}
