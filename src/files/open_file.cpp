// Opening the game's files by name for reading: only a regular file passes for one.
#include "files/open_file.h"

#include <filesystem>
#include <system_error>

std::FILE* OpenFile(const char* name, const char* mode) {
    // Checked before the open: opening a FIFO waits for a writer, and a device or socket holds no file.
    std::error_code notChecked;
    if (!std::filesystem::is_regular_file(name, notChecked)) return nullptr;
    return std::fopen(name, mode);
}
