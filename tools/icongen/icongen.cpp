// Writes the Windows program icon: the 32x32 picture of icon_picture.h as one 16-colour image.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "icon_picture.h"

namespace {

using icon::PALETTE_RGB;
using icon::PixelAt;
using icon::SIZE;

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
    return icon::WriteWholeFile("icongen", argv[1], icon) ? 0 : 1;
}
