// The check of a presented picture that replay logs print and demos carry.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// FNV-1a over every cell's character and attribute.
uint64_t PictureHash(const Cell* cells);
