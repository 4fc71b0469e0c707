// Opening the game's files by name, the same way on every system.
#pragma once

#include <cstdio>

// Opens a file of the working directory; nullptr when it cannot be opened. A directory of that name
// counts as a file that cannot be opened, as on Windows, although some systems open one for reading.
std::FILE* OpenFile(const char* name, const char* mode);
