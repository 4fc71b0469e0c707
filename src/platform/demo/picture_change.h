// What changed between two pictures: the one comparison that every present goes through, in the demo layer.
#pragma once

#include "platform/backend.h"

// The smallest rectangle holding every cell in which now differs from last; empty when they are the same.
PictureChange ComparePictures(const Cell* last, const Cell* now);
