// The console's 16 colours and the cell size of the pictures velk-replay draws (SVG and GIF alike).
#pragma once

#include <cstdint>

// 0xRRGGBB of each 4-bit console colour (blue 1, green 2, red 4, bright 8).
constexpr uint32_t CONSOLE_RGB[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xc0c0c0,
    0x808080, 0x0000ff, 0x00ff00, 0x00ffff, 0xff0000, 0xff00ff, 0xffff00, 0xffffff,
};
constexpr int PICTURE_CELL_W = 9;
constexpr int PICTURE_CELL_H = 18;
