// The package check: presence of the program file, presence and exact size of each sound file.
#include "files/package_check.h"

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
    const int64_t size = PlatformFileSize(name);
    if (size < 0) return 0;
    return expectedSize <= 0 || size == expectedSize ? 1 : 0;
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
