// Pictures as cells: the demo layer's comparison with the last picture, and a box drawn into one.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "platform/common/box_cells.h"
#include "platform/demo/picture_change.h"

namespace {

TEST(PictureChange, TheRectangleHoldsEveryChangedCellAndNothingAroundThem) {
    constexpr int C = SCREEN_COLS;
    // Odd cells change their colour only, even ones their character.
    struct Case { std::vector<int> cells; std::array<int, 4> rowsAndColumns; } const cases[] = {
        {{}, {0, 0, 0, 0}},
        {{0}, {0, 1, 0, 1}},
        {{SCREEN_CELLS - 1}, {SCREEN_ROWS - 1, SCREEN_ROWS, C - 1, C}},
        {{3 * C + 7, 3 * C + 100}, {3, 4, 7, 101}},
        {{2 * C + 5, 7 * C + 50}, {2, 8, 5, 51}},
        {{5 * C + 61, 6 * C + 60, 9 * C + 59}, {5, 10, 59, 62}},  // a wall's step: a column's cells in many rows
    };
    for (const Case& c : cases) {
        std::vector<Cell> last(SCREEN_CELLS, Cell{' ', 0x07}), now = last;
        for (int i : c.cells) (i % 2 != 0 ? now[i].attribute : now[i].character) = 0x70;
        const PictureChange got = ComparePictures(last.data(), now.data());
        EXPECT_EQ((std::array<int, 4>{got.firstRow, got.endRow, got.firstCol, got.endCol}), c.rowsAndColumns)
            << "cells changed: " << c.cells.size();
    }
}

// As the Windows program shows a watched demo's box and velk-replay films one: a 22 x 6 box at (49, 12).
TEST(BoxCells, ButtonsSideBySideCentredAboveTheBottomEdgeThePressedOneReversed) {
    std::vector<Cell> cells(SCREEN_CELLS);
    DrawBoxCells(cells.data(), "x", "T", BOX_OKCANCEL, BOX_ANSWER_CANCEL);
    std::string row;  // the buttons' row, reversed cells in capitals
    for (const Cell* cell = &cells[16 * SCREEN_COLS + 49]; cell < &cells[16 * SCREEN_COLS + 71]; ++cell) {
        row += static_cast<char>(cell->attribute == 0x07 ? std::toupper(cell->character) : cell->character);
    }
    EXPECT_EQ(row, "\xB3 [ OK ]  [ CANCEL ] \xB3");
}

}  // namespace
