// The picture check: a 64-bit FNV-1a hash, the same in replay logs and in demos.
#include "platform/common/picture_hash.h"

uint64_t PictureHash(const Cell* cells) {
    uint64_t hash = 0xcbf29ce484222325ull;
    const auto mix = [&hash](uint8_t byte) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    };
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        mix(static_cast<uint8_t>(cells[i].character));
        mix(0);
        mix(static_cast<uint8_t>(cells[i].attribute));
        mix(static_cast<uint8_t>(cells[i].attribute >> 8));
    }
    return hash;
}
