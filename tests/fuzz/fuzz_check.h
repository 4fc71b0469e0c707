// What the fuzz targets share: a check that stops the run loudly, and a scratch working folder.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : (std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// Makes a fresh temporary folder the working folder for the rest of the process; removed at exit.
inline void EnterScratchFolder() {
    static std::filesystem::path folder;
    std::string name = (std::filesystem::temp_directory_path() / "velk-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(name.data()) != nullptr);
    folder = name;
    std::filesystem::current_path(folder);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
}
