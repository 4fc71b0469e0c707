// The cell buffer, presenting it, and console set-up.
#include "console/screen.h"

ScreenBuffer screenBuffer;
WindowHandle hConsoleWindow = nullptr;

void PresentScreen() { PlatformPresent(screenBuffer.cells); }

namespace {

void SetCursorVisible(int visible) { PlatformSetCursorVisible(visible & 0xFF); }

}  // namespace

void SetUpConsole() {
    SetCursorVisible(0);
    hConsoleWindow = PlatformSetUpConsole();
}
