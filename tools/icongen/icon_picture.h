// The game's icon picture, one source for the Windows icon and the PNG icons: the red arrow and a heart on bright blue.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace icon {

constexpr int SIZE = 32;
constexpr uint8_t BRIGHT_BLUE = 9;
constexpr uint8_t BRIGHT_RED = 12;

// The console's sixteen colours, so the icon shows the game's own palette.
constexpr uint8_t PALETTE_RGB[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x80}, {0x00, 0x80, 0x00}, {0x00, 0x80, 0x80},
    {0x80, 0x00, 0x00}, {0x80, 0x00, 0x80}, {0x80, 0x80, 0x00}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00}, {0x00, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00}, {0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
};

// Colour index of the pixel in column x, row y (row 0 at the top).
inline uint8_t PixelAt(int x, int y) {
    const double px = x + 0.5;
    const double py = y + 0.5;
    // The arrow: a right-pointing triangle on the left half, base at x=2, tip at x=15.
    if (px >= 2.0 && px <= 15.0 && std::fabs(py - 16.0) <= (15.0 - px) * 9.0 / 13.0) {
        return BRIGHT_RED;
    }
    // The heart: two round lobes over a downward-pointing triangle, in the right half.
    const double leftLobe = (px - 21.0) * (px - 21.0) + (py - 12.0) * (py - 12.0);
    const double rightLobe = (px - 28.0) * (px - 28.0) + (py - 12.0) * (py - 12.0);
    if (leftLobe <= 13.0 || rightLobe <= 13.0) {
        return BRIGHT_RED;
    }
    if (py >= 12.0 && py <= 24.0 && std::fabs(px - 24.5) <= (24.0 - py) * 7.1 / 12.0) {
        return BRIGHT_RED;
    }
    return BRIGHT_BLUE;
}

// Writes the whole file or says why not on standard error, naming the tool.
inline bool WriteWholeFile(const char* tool, const char* path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
        return false;
    }
    return true;
}

}  // namespace icon
