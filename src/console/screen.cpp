// The cell buffer, clearing and presenting it, and console set-up.
#include "console/screen.h"

#include <cstring>

ScreenBuffer screenBuffer;
WindowHandle hConsoleWindow = nullptr;

void ClearScreenText() {
    // Two cells per 64-bit word: the information screen clears the whole buffer on every pass, and a
    // cell-by-cell loop of 16-bit stores was the largest cost of a pass. The masks are built from cells,
    // so the word layout does not depend on the machine's byte order.
    static_assert(sizeof screenBuffer.cells % sizeof(uint64_t) == 0, "whole words");
    const Cell keepAttributes[2] = {{0, 0xFFFF}, {0, 0xFFFF}};
    const Cell blanks[2] = {{GLYPH_BLANK, 0}, {GLYPH_BLANK, 0}};
    uint64_t keep;
    uint64_t blank;
    std::memcpy(&keep, keepAttributes, sizeof keep);
    std::memcpy(&blank, blanks, sizeof blank);
    unsigned char* bytes = reinterpret_cast<unsigned char*>(screenBuffer.cells);
    for (size_t i = 0; i < sizeof screenBuffer.cells; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        word = (word & keep) | blank;
        std::memcpy(bytes + i, &word, sizeof word);
    }
}

void PresentScreen() { PlatformPresent(screenBuffer.cells); }

namespace {

void SetCursorVisible(int visible) { PlatformSetCursorVisible(visible & 0xFF); }

}  // namespace

void SetUpConsole() {
    SetCursorVisible(0);
    hConsoleWindow = PlatformSetUpConsole();
}
