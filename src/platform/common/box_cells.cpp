// A message box as picture cells, for the backends and tools that show a box by drawing it into the picture.
#include "platform/common/box_cells.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint16_t BOX_COLOURS = 0x70;      // black on light grey, the console's dialog colours
constexpr uint16_t PRESSED_COLOURS = 0x07;  // the same reversed
const std::string OK_LABEL = "[ OK ]";
const std::string CANCEL_LABEL = "[ Cancel ]";
constexpr int BUTTON_GAP = 2;

void Put(Cell* cells, int row, int col, const std::string& text, uint16_t attribute) {
    for (char c : text) cells[row * SCREEN_COLS + col++] = Cell{static_cast<uint8_t>(c), attribute};
}

}  // namespace

void DrawBoxCells(Cell* cells, const char* text, const char* title, unsigned style, int pressed) {
    std::vector<std::string> lines(1);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') lines.emplace_back();
        else lines.back().push_back(*p);
    }
    // The game's boxes are far smaller than the picture; a larger text is cut to it, never drawn outside it.
    lines.resize(std::min<size_t>(lines.size(), SCREEN_ROWS - 5));
    for (std::string& line : lines) line.resize(std::min<size_t>(line.size(), SCREEN_COLS - 4));
    std::string framed = " ";
    framed.append(title, std::min<size_t>(std::strlen(title), SCREEN_COLS - 6)) += ' ';
    const bool okCancel = (style & 0xF) == BOX_OKCANCEL;
    const int buttons = static_cast<int>(OK_LABEL.size() + (okCancel ? BUTTON_GAP + CANCEL_LABEL.size() : 0));
    int width = std::max(static_cast<int>(framed.size()) + 4, buttons + 4);
    for (const std::string& line : lines) width = std::max(width, static_cast<int>(line.size()) + 4);
    const int height = static_cast<int>(lines.size()) + 5;
    const int top = SCREEN_ROWS / 2 - height / 2;
    const int left = SCREEN_COLS / 2 - width / 2;

    for (int row = 0; row < height; ++row) {
        const bool edge = row == 0 || row == height - 1;
        for (int col = 0; col < width; ++col) {
            uint8_t glyph = edge ? 0xC4 : ' ';  // the frame's single lines and corners
            if (col == 0) glyph = row == 0 ? 0xDA : row == height - 1 ? 0xC0 : 0xB3;
            if (col == width - 1) glyph = row == 0 ? 0xBF : row == height - 1 ? 0xD9 : 0xB3;
            cells[(top + row) * SCREEN_COLS + left + col] = Cell{glyph, BOX_COLOURS};
        }
    }
    Put(cells, top, left + (width - static_cast<int>(framed.size())) / 2, framed, BOX_COLOURS);
    for (size_t i = 0; i < lines.size(); ++i) Put(cells, top + 2 + static_cast<int>(i), left + 2, lines[i], BOX_COLOURS);
    int col = (width - buttons) / 2;
    Put(cells, top + height - 2, left + col, OK_LABEL, pressed == BOX_ANSWER_OK ? PRESSED_COLOURS : BOX_COLOURS);
    if (!okCancel) return;
    col += static_cast<int>(OK_LABEL.size()) + BUTTON_GAP;
    Put(cells, top + height - 2, left + col, CANCEL_LABEL, pressed == BOX_ANSWER_CANCEL ? PRESSED_COLOURS : BOX_COLOURS);
}
