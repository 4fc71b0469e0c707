// Writes a picture of console cells as an SVG image, for documentation.
#pragma once

#include "platform/platform.h"

bool WritePictureSvg(const Cell* cells, const char* path);
