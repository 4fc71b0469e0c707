// Showing the picture: the whole 120x30 cell rectangle in one console write, and the cursor's visibility.
#include <cstring>

#include "platform/common/cp437.h"
#include "platform/win32/win32_backend.h"

namespace win32 {
namespace {

Cell presented[SCREEN_CELLS];  // kept for what is drawn over it and taken away again: a watched demo's box
CONSOLE_SCREEN_BUFFER_INFO writtenFor{};  // the console's size and window when the picture was last written

CONSOLE_SCREEN_BUFFER_INFO Geometry() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(OutputHandle(), &info);
    return info;
}

}  // namespace

void CellsToCharInfo(const Cell* cells, CHAR_INFO* out) {
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        out[i].Char.UnicodeChar = static_cast<WCHAR>(CP437_TO_UNICODE[cells[i].character & 0xFF]);
        out[i].Attributes = cells[i].attribute;
    }
}

}  // namespace win32

using namespace win32;

void BackendSetCursorVisible(int visible) {
    // A fresh handle, not the stored one, so the call also works before the console is set up.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_CURSOR_INFO info{};
    GetConsoleCursorInfo(out, &info);
    info.bVisible = static_cast<BOOL>(visible & 0xFF);
    SetConsoleCursorInfo(out, &info);
}

void win32::WritePicture(const Cell* cells) {
    static_assert(sizeof(CHAR_INFO) == sizeof(Cell), "a console cell and a game cell must match in size");
    // Static: the picture is presented on every keystroke and wall step, so no allocation per call.
    static CHAR_INFO wide[SCREEN_CELLS];
    CellsToCharInfo(cells, wide);

    COORD size;
    size.X = SCREEN_COLS;
    size.Y = SCREEN_ROWS;
    COORD origin;
    origin.X = 0;
    origin.Y = 0;
    SMALL_RECT region;
    region.Left = 0;
    region.Top = 0;
    region.Right = SCREEN_COLS - 1;
    region.Bottom = SCREEN_ROWS - 1;
    WriteConsoleOutputW(OutputHandle(), wide, size, origin, &region);
    writtenFor = Geometry();
}

bool win32::RewriteIfResized() {
    const CONSOLE_SCREEN_BUFFER_INFO now = Geometry();
    const SMALL_RECT& a = now.srWindow;
    const SMALL_RECT& b = writtenFor.srWindow;
    if (now.dwSize.X == writtenFor.dwSize.X && now.dwSize.Y == writtenFor.dwSize.Y && a.Left == b.Left &&
        a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom) {
        return false;
    }
    WritePicture(presented);
    return true;
}

const Cell* win32::LastPicture() { return presented; }

void BackendPresent(const Cell* cells, const PictureChange& change) {
    if (change.firstRow == change.endRow) return;  // the console shows it already; a resize rewrites it on its own
    std::memcpy(presented, cells, sizeof presented);
    WritePicture(cells);
}
