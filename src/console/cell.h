// One console character cell and the fixed picture geometry, shared by the game and every platform backend.
#pragma once

#include <cstdint>

// Laid out as the Windows console's single-byte cell record, so a whole picture can be handed to
// the console in one call without conversion.
struct Cell {
    uint16_t character;  // low byte: a code page 437 byte; high byte always zero
    uint16_t attribute;  // console colour bits: background in the high nibble, foreground in the low
};
static_assert(sizeof(Cell) == 4, "a cell must match the console's 4-byte cell record");

constexpr int SCREEN_COLS = 120;
constexpr int SCREEN_ROWS = 30;
constexpr int SCREEN_CELLS = SCREEN_COLS * SCREEN_ROWS;
