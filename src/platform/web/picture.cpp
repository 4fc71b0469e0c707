// Web backend, picture: the page title, the glyph table and the cells that changed since the last present.
#include <emscripten.h>

#include "platform/common/cp437.h"
#include "platform/backend.h"

// clang-format off
EM_JS(void, VelkScreenSetUp, (const char* title, const char32_t* glyphs), {
    velkPage.screen.setUp(UTF8ToString(title), HEAPU32.subarray(glyphs >> 2, (glyphs >> 2) + 256));
});
EM_JS(void, VelkScreenDraw, (const uint32_t* changes, int count), {
    velkPage.screen.draw(HEAPU32.subarray(changes >> 2, (changes >> 2) + 2 * count));
});
// clang-format on

namespace {

// Pairs of (cell index, attribute << 16 | character byte) for the cells of the changed rectangle.
uint32_t changes[2 * SCREEN_CELLS];
int windowToken;

}  // namespace

// The page is always there to draw on.
const char* BackendConsoleProblem() { return nullptr; }

WindowHandle BackendSetUpConsole() {
    VelkScreenSetUp("VELK Keyboard Practice Game", CP437_TO_UNICODE);
    return &windowToken;
}

// The page has no text cursor to show or hide.
void BackendSetCursorVisible(int) {}

void BackendPresent(const Cell* cells, const PictureChange& change) {
    int count = 0;
    for (int row = change.firstRow; row < change.endRow; ++row) {
        for (int i = row * SCREEN_COLS + change.firstCol; i < row * SCREEN_COLS + change.endCol; ++i, ++count) {
            changes[2 * count] = static_cast<uint32_t>(i);
            changes[2 * count + 1] = (static_cast<uint32_t>(cells[i].attribute) << 16) | (cells[i].character & 0xFFu);
        }
    }
    // The game presents on every pass of its information screen; an unchanged picture must cost nothing in the page.
    if (count > 0) VelkScreenDraw(changes, count);
}
