// Writes the icon picture as a PNG of SIZE x SIZE pixels, scaled up from 32x32 by whole pixels so it stays sharp.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "icon_picture.h"

namespace {

void Put32BigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32BigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The checksum covers the type and the data, not the length.
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    Put32BigEndian(out, static_cast<uint32_t>(crc));
}

// An 8-bit indexed image over the console palette; nearest-neighbour scaling keeps every edge hard.
bool PngFile(int size, std::vector<uint8_t>& out) {
    const int scale = size / icon::SIZE;
    std::vector<uint8_t> rows;
    for (int y = 0; y < size; ++y) {
        rows.push_back(0);  // filter: none
        for (int x = 0; x < size; ++x) {
            rows.push_back(icon::PixelAt(x / scale, y / scale));
        }
    }
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(rows.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return false;
    }
    packed.resize(packedSize);

    static constexpr uint8_t SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.assign(SIGNATURE, SIGNATURE + sizeof SIGNATURE);
    std::vector<uint8_t> header;
    Put32BigEndian(header, static_cast<uint32_t>(size));
    Put32BigEndian(header, static_cast<uint32_t>(size));
    header.insert(header.end(), {8, 3, 0, 0, 0});  // 8 bits, indexed colour, deflate, no filter set, no interlace
    PutChunk(out, "IHDR", header);
    std::vector<uint8_t> palette;
    for (const auto& rgb : icon::PALETTE_RGB) {
        palette.insert(palette.end(), rgb, rgb + 3);
    }
    PutChunk(out, "PLTE", palette);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < icon::SIZE || size > 1024 || size % icon::SIZE != 0 || std::to_string(size) != argv[1]) {
        std::fprintf(stderr, "usage: velk-icon-png SIZE OUTPUT.png (SIZE: 32, 64, ... up to 1024)\n");
        return 2;
    }
    std::vector<uint8_t> png;
    if (!PngFile(size, png)) {
        std::fprintf(stderr, "velk-icon-png: compression failed\n");
        return 1;
    }
    return icon::WriteWholeFile("velk-icon-png", argv[2], png) ? 0 : 1;
}
