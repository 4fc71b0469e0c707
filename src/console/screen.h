// The cell buffer every picture is drawn into, its colours and glyphs, and the console operations around it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

struct ScreenBuffer {
    Cell cells[SCREEN_CELLS];  // row-major: row r, column c is cells[r * SCREEN_COLS + c]
};

extern ScreenBuffer screenBuffer;     // the picture being drawn; presented whole
extern WindowHandle hConsoleWindow;   // the console's window, owner of the game's message boxes

// Colour attributes: background in the high nibble, foreground in the low (blue 1, green 2, red 4, bright 8).
constexpr uint16_t ATTR_FIELD = 0x90;       // black on bright blue: the empty playfield
constexpr uint16_t ATTR_TEXT = 0x9A;        // bright green on bright blue: wall, labels, information text
constexpr uint16_t ATTR_VALUE = 0x97;       // light grey on bright blue: panel values, ordinary lives
constexpr uint16_t ATTR_ACTOR = 0x9C;       // bright red on bright blue: arrow, heart, gate, start keys
constexpr uint16_t ATTR_BONUS_LIFE = 0x94;  // red on bright blue: lives that stand for extra lives

// Code page 437 glyphs.
constexpr uint8_t GLYPH_PLAYER = 0x10;  // right-pointing triangle
constexpr uint8_t GLYPH_HEART = 0x03;
constexpr uint8_t GLYPH_BLANK = 0x20;

inline Cell& CellAt(int row, int col) { return screenBuffer.cells[row * SCREEN_COLS + col]; }

// Writes text into consecutive cells from (row, 0) on, running on into the next rows if it is longer
// than a row; attributeAt gives each character's attribute from its position in the text.
template <typename AttributeOf>
void PutText(int row, const char* text, AttributeOf attributeAt) {
    Cell* const first = &screenBuffer.cells[row * SCREEN_COLS];
    const size_t room = static_cast<size_t>(screenBuffer.cells + SCREEN_CELLS - first);
    const size_t length = std::min(std::strlen(text), room);
    for (size_t i = 0; i < length; ++i) {
        first[i] = Cell{static_cast<uint8_t>(text[i]), attributeAt(static_cast<int>(i))};
    }
}

void ClearScreenText();
void PresentScreen();
// The console set up for the game (title, size, hidden cursor, raw keys); its window owns the boxes.
void SetUpConsole();
