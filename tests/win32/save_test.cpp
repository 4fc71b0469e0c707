// Tests of the Windows save beyond what the game's suite sees under Wine: read-only files, temporary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/win32_backend.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const char* name) {
    return std::string(std::istreambuf_iterator<char>(std::ifstream(name, std::ios::binary).rdbuf()), {});
}

TEST(Win32Save, ReplacesAWritableFileLeavesAReadOnlyOneAndRemovesOnlyAKilledSavesTemporaryFile) {
    const fs::path home = fs::current_path(), folder = fs::temp_directory_path() / "velk-save-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("VELKGAME.CFG", std::ios::binary) << "the old record, longer than the new";
    std::ofstream("VELKGAME.CFG.tmp-killed") << "left by a killed save";
    // Another game's save in progress holds its file open without sharing deletion.
    HANDLE live = CreateFileA("VELKGAME.CFG.tmp-live", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "new record", 10), 1);
    EXPECT_EQ(Read("VELKGAME.CFG"), "new record");
    EXPECT_FALSE(fs::exists("VELKGAME.CFG.tmp-killed"));
    EXPECT_TRUE(fs::exists("VELKGAME.CFG.tmp-live"));
    CloseHandle(live);

    EXPECT_TRUE(SetFileAttributesA("VELKGAME.CFG", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "newer", 5), 0);
    EXPECT_EQ(Read("VELKGAME.CFG"), "new record");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
    SetFileAttributesA("VELKGAME.CFG", FILE_ATTRIBUTE_NORMAL);
    fs::current_path(home);
    fs::remove_all(folder);
}

}  // namespace
