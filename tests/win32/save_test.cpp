// Tests of the Windows save beyond what the game's suite sees under Wine: read-only files, temporary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/win32_backend.h"

namespace {

namespace fs = std::filesystem;

TEST(Win32Save, RemovesOnlyAKilledSavesTemporaryFileAndLeavesAReadOnlyFileAndNoTemporaryOne) {
    const fs::path folder = fs::temp_directory_path() / "velk-save-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("VELKGAME.CFG.tmp-killed") << "left by a killed save";
    // Another game's save in progress holds its file open without sharing deletion.
    HANDLE live = CreateFileA("VELKGAME.CFG.tmp-live", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "record", 6), 1);
    EXPECT_TRUE(!fs::exists("VELKGAME.CFG.tmp-killed") && fs::exists("VELKGAME.CFG.tmp-live"));
    CloseHandle(live);
    fs::remove("VELKGAME.CFG.tmp-live");
    SetFileAttributesA("VELKGAME.CFG", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "newer", 5), 0);
    EXPECT_EQ(fs::file_size("VELKGAME.CFG"), 6u);
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
    SetFileAttributesA("VELKGAME.CFG", FILE_ATTRIBUTE_NORMAL);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
}

}  // namespace
