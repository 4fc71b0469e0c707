// Opening the game's files by name, the same way on every system.
#pragma once

#include <cstdio>

// Opens a file of the working directory for reading; nullptr when it cannot be opened. A directory,
// FIFO, device or socket of that name counts as a file that cannot be opened, as on Windows, although
// some systems open them (and a FIFO's open waits for a writer).
std::FILE* OpenFile(const char* name, const char* mode);
