// The two hashes of a picture, both 64-bit FNV-1a: the scripted log's, and the demo file's picture check.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Both keep their values (the log's format fixes one, recorded demos the other); the demo's takes whole cells: 4x fewer steps.
constexpr uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;
constexpr uint64_t FNV_PRIME = 0x100000001b3ull;

// The log's: over each cell's bytes as the console's cell record lays them out (character, 0, attribute).
uint64_t LogPictureHash(const Cell* cells);

// The demo's, taken up at firstRow: rowHashes[row] holds the hash before that row, written here for every row from
// firstRow on, so that the rows above a change are not hashed again.
uint64_t DemoPictureHash(const Cell* cells, int firstRow, uint64_t rowHashes[SCREEN_ROWS]);
