// The package check: presence of the program file, presence and exact size of each sound file.
#include "files/package_check.h"

#include <cstdio>

#include "files/open_file.h"
#include "platform/platform.h"

namespace {

struct PackageFile {
    const char* name;
    int32_t expectedSize;  // 0 or less: presence only
    const char* failureTitle;
};

constexpr PackageFile PACKAGE_FILES[] = {
    {"VELKGAME.exe", 0, "VELK Game Error A"},
    {"VELKGSND1.wav", 393968, "VELK Game Error 1"},
    {"VELKGSND2.wav", 1504, "VELK Game Error 2"},
    {"VELKGSND3.wav", 23656, "VELK Game Error 3"},
    {"VELKGSND4.wav", 9996, "VELK Game Error 4"},
    {"VELKGSND5.wav", 34172, "VELK Game Error 5"},
    {"VELKGSND6.wav", 27804, "VELK Game Error 6"},
};

}  // namespace

int CheckPackageFile(const char* name, int32_t expectedSize) {
    std::FILE* file = OpenFile(name, "r");
    if (file == nullptr) return 0;
    int32_t size = -1;
    if (expectedSize > 0) {
        std::fseek(file, 0, SEEK_END);
        size = static_cast<int32_t>(std::ftell(file));
    }
    std::fclose(file);
    if (expectedSize <= 0) return 1;
    // A failed size query gives a negative position and fails here too.
    return size == expectedSize ? 1 : 0;
}

int CheckPackage() {
    for (const PackageFile& file : PACKAGE_FILES) {
        if (CheckPackageFile(file.name, file.expectedSize) == 0) {
            PlatformMessageBox(nullptr, "File Package Error. Please re-download the package", file.failureTitle, BOX_OK);
            return 0;
        }
    }
    return 1;
}
