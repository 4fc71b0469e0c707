// The start-up check that the package's files are present and the sound files have their exact sizes.
#pragma once

#include <cstdint>

int CheckPackageFile(const char* name, int32_t expectedSize);
int CheckPackage();
