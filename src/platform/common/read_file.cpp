// Reading the working folder's files, the same way on every system: only a regular file passes for one.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/backend.h"

namespace {

// Checked before the open: opening a FIFO waits for a writer, and a device or socket holds no file.
std::FILE* OpenRegularFile(const char* name) {
    std::error_code notChecked;
    if (!std::filesystem::is_regular_file(name, notChecked)) return nullptr;
    return std::fopen(name, "rb");
}

}  // namespace

int64_t BackendFileSize(const char* name) {
    std::FILE* file = OpenRegularFile(name);
    if (file == nullptr) return -1;
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1L;
    std::fclose(file);
    return size;
}

int BackendReadFile(const char* name, int64_t offset, uint32_t size, void* buffer) {
    std::FILE* file = OpenRegularFile(name);
    if (file == nullptr) return 0;
    const bool read = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
                      std::fread(buffer, 1, size, file) == size;
    std::fclose(file);
    return read ? 1 : 0;
}
