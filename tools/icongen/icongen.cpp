// Writes the program's icon: one 32x32, 16-colour image of the red arrow and a heart on bright blue.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

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
uint8_t PixelAt(int x, int y) {
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

void Put16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, unsigned value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::vector<uint8_t> IconFile() {
    constexpr unsigned headerSize = 40;
    constexpr unsigned paletteSize = 16 * 4;
    constexpr unsigned colourRowBytes = SIZE / 2;  // 4 bits a pixel; 16 bytes is already 4-aligned
    constexpr unsigned maskRowBytes = 4;           // 1 bit a pixel, rows padded to 32 bits
    constexpr unsigned imageSize = headerSize + paletteSize + SIZE * colourRowBytes + SIZE * maskRowBytes;
    constexpr unsigned imageOffset = 6 + 16;

    std::vector<uint8_t> out;
    // Icon directory: reserved, type 1 (icon), one image.
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    // Its entry: 32x32, 16 colours, 1 plane, 4 bits a pixel.
    out.push_back(SIZE);
    out.push_back(SIZE);
    out.push_back(16);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, imageSize);
    Put32(out, imageOffset);

    // The image's bitmap header counts the colour and the mask bitmaps together: twice the height.
    Put32(out, headerSize);
    Put32(out, SIZE);
    Put32(out, SIZE * 2);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);  // no compression
    Put32(out, SIZE * colourRowBytes + SIZE * maskRowBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 0);
    for (const auto& rgb : PALETTE_RGB) {
        out.push_back(rgb[2]);
        out.push_back(rgb[1]);
        out.push_back(rgb[0]);
        out.push_back(0);
    }
    // Bitmap rows run bottom-up; the high nibble is the left pixel.
    for (int y = SIZE - 1; y >= 0; --y) {
        for (int x = 0; x < SIZE; x += 2) {
            out.push_back(static_cast<uint8_t>((PixelAt(x, y) << 4) | PixelAt(x + 1, y)));
        }
    }
    // An all-zero mask: every pixel opaque.
    out.insert(out.end(), SIZE * maskRowBytes, 0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT.ico\n");
        return 2;
    }
    const std::vector<uint8_t> icon = IconFile();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(icon.data(), 1, icon.size(), file) == icon.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "icongen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
