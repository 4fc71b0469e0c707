// Writes a picture of console cells as an SVG image, for documentation.
#pragma once

#include "console/cell.h"

bool WritePictureSvg(const Cell* cells, const char* path);
