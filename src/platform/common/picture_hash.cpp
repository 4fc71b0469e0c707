// The scripted log's and the demo file's picture hashes.
#include "platform/common/picture_hash.h"

uint64_t LogPictureHash(const Cell* cells) {
    uint64_t hash = FNV_OFFSET;
    const auto mix = [&hash](uint8_t byte) {
        hash ^= byte;
        hash *= FNV_PRIME;
    };
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        mix(static_cast<uint8_t>(cells[i].character));
        mix(0);
        mix(static_cast<uint8_t>(cells[i].attribute));
        mix(static_cast<uint8_t>(cells[i].attribute >> 8));
    }
    return hash;
}

uint64_t DemoPictureHash(const Cell* cells, int firstRow, uint64_t rowHashes[SCREEN_ROWS]) {
    uint64_t hash = firstRow == 0 ? FNV_OFFSET : rowHashes[firstRow];
    for (int i = firstRow * SCREEN_COLS; i < SCREEN_CELLS; ++i) {
        if (i % SCREEN_COLS == 0) rowHashes[i / SCREEN_COLS] = hash;
        hash ^= uint64_t{cells[i].character} | uint64_t{cells[i].attribute} << 16;
        hash *= FNV_PRIME;
    }
    return hash;
}
