// Comparing a picture with the last one: whole, then by rows, then a changed row's cells from either end.
#include "platform/demo/picture_change.h"

#include <algorithm>
#include <cstring>

PictureChange ComparePictures(const Cell* last, const Cell* now) {
    if (std::memcmp(last, now, sizeof(Cell) * SCREEN_CELLS) == 0) return PictureChange{0, 0, 0, 0};
    PictureChange change{SCREEN_ROWS, 0, SCREEN_COLS, 0};
    const auto same = [last, now](int i) {
        return last[i].character == now[i].character && last[i].attribute == now[i].attribute;
    };
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        const int start = row * SCREEN_COLS;
        if (std::memcmp(&last[start], &now[start], sizeof(Cell) * SCREEN_COLS) == 0) continue;
        int left = 0, right = SCREEN_COLS;
        while (same(start + left)) ++left;
        while (same(start + right - 1)) --right;
        change.firstRow = std::min(change.firstRow, row);
        change.endRow = row + 1;
        change.firstCol = std::min(change.firstCol, left);
        change.endCol = std::max(change.endCol, right);
    }
    return change;
}
