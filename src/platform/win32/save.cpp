// Saving a file on Windows: a temporary file beside it, written, flushed and moved over it with write-through.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/backend.h"

namespace {

constexpr const char* TEMP_MARK = ".tmp-";

bool WriteAll(HANDLE file, const void* data, uint32_t size) {
    DWORD wrote = 0;
    return WriteFile(file, data, size, &wrote, nullptr) && wrote == size && FlushFileBuffers(file);
}

// A temporary file still open belongs to a save in progress and cannot be deleted; one that can was
// left by a save that was killed.
void RemoveStaleTemps(const std::string& name) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((name + TEMP_MARK + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const size_t slash = name.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

HANDLE CreateTemp(const std::string& name, std::string& temp) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%lx-%lx-%x", GetCurrentProcessId(), GetTickCount(), ++counter);
        temp = name + TEMP_MARK + suffix;
        // Shared for reading only: another game's cleaning cannot delete it while it is being written.
        HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

int BackendSaveFile(const char* name, const void* data, uint32_t size) {
    // An existing file must be a writable disk file: a read-only one stays as it is, and a folder,
    // device or pipe is never replaced.
    const DWORD attributes = GetFileAttributesA(name);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return 0;
    HANDLE old = INVALID_HANDLE_VALUE;
    if (exists) {
        old = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (old == INVALID_HANDLE_VALUE) return 0;
        if (GetFileType(old) != FILE_TYPE_DISK) {
            CloseHandle(old);
            return 0;
        }
    }

    RemoveStaleTemps(name);
    std::string temp;
    HANDLE file = CreateTemp(name, temp);
    if (file == INVALID_HANDLE_VALUE) {
        // A folder where no file can be created: a writable file there is written in place, as before.
        // The game never reads the result, but it stays exact: the seam promises it, and a recording writes it.
        int done = 0;
        if (old != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
            done = WriteAll(old, data, size) && SetEndOfFile(old) ? 1 : 0;
        }
        if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
        return done;
    }
    if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
    const bool written = WriteAll(file, data, size);
    CloseHandle(file);
    if (!written || !MoveFileExA(temp.c_str(), name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return 0;
    }
    return 1;
}
