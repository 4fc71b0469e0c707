// Console set-up: handles, title, 120x30 window centred on the work area, raw input, buffer size.
#include "platform/win32/win32_backend.h"

namespace win32 {

HANDLE consoleOut = nullptr;
HANDLE consoleIn = nullptr;
HWND consoleWindow = nullptr;

HANDLE OutputHandle() {
    return consoleOut != nullptr ? consoleOut : GetStdHandle(STD_OUTPUT_HANDLE);
}

HANDLE InputHandle() {
    return consoleIn != nullptr ? consoleIn : GetStdHandle(STD_INPUT_HANDLE);
}

namespace {

const char* const GAME_TITLE = "VELK Keyboard Practice Game";

// Top-left corner that centres a window on a work area assumed to start at the screen's origin;
// every halving truncates toward zero, as C++ integer division does.
POINT CentredWindowOrigin(const RECT& workArea, const RECT& window) {
    POINT origin;
    origin.x = (workArea.right - workArea.left) / 2 - (window.right - window.left) / 2;
    origin.y = (workArea.bottom - workArea.top) / 2 - (window.bottom - window.top) / 2;
    return origin;
}

}  // namespace

}  // namespace win32

using namespace win32;

// A console program is given a console of its own when it is started without one.
const char* BackendConsoleProblem() { return nullptr; }

WindowHandle BackendSetUpConsole() {
    // No result is examined: a console that refuses a step keeps its old state and the game still runs.
    consoleOut = GetStdHandle(STD_OUTPUT_HANDLE);
    consoleIn = GetStdHandle(STD_INPUT_HANDLE);

    SetConsoleTitleA(GAME_TITLE);

    // The window shrinks to 120x30 before the buffer does: a buffer smaller than its window is refused.
    SMALL_RECT windowCells;
    windowCells.Left = 0;
    windowCells.Top = 0;
    windowCells.Right = SCREEN_COLS - 1;
    windowCells.Bottom = SCREEN_ROWS - 1;
    SetConsoleWindowInfo(consoleOut, TRUE, &windowCells);

    consoleWindow = GetConsoleWindow();

    RECT workArea{};
    RECT window{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    GetWindowRect(consoleWindow, &window);
    const POINT origin = CentredWindowOrigin(workArea, window);
    // Keep size and z-order, redraw the frame, show the window.
    SetWindowPos(consoleWindow, nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);

    // Mode 0: keys arrive one by one, nothing is echoed, and Ctrl+C is an ordinary key.
    SetConsoleMode(consoleIn, 0);

    COORD bufferSize;
    bufferSize.X = SCREEN_COLS;
    bufferSize.Y = SCREEN_ROWS;
    SetConsoleScreenBufferSize(consoleOut, bufferSize);

    return consoleWindow;
}

// A watched demo's note in the window's title, where the viewer looks for it; the game's title comes back with "".
void BackendShowViewerNote(const char* note) { SetConsoleTitleA(note[0] != '\0' ? note : GAME_TITLE); }
