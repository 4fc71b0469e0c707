// Opening the game's files by name: a directory never passes for a file.
#include "files/open_file.h"

#include <filesystem>
#include <system_error>

std::FILE* OpenFile(const char* name, const char* mode) {
    std::error_code notChecked;
    if (std::filesystem::is_directory(name, notChecked)) return nullptr;
    return std::fopen(name, mode);
}
