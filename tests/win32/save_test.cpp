// Tests of the Windows save beyond what the game's suite sees under Wine: read-only files, temporary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/win32_backend.h"

namespace {

namespace fs = std::filesystem;

class Win32Save : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = fs::current_path();
        folder_ = fs::temp_directory_path() / ("velk-save-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(folder_);
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(home_);
        SetFileAttributesA((folder_ / "VELKGAME.CFG").string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder_);
    }
    static void Write(const char* name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }
    static std::string Read(const char* name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path home_;
    fs::path folder_;
};

TEST_F(Win32Save, ReplacesAWritableFileLeavesAReadOnlyOneAndRemovesOnlyAKilledSavesTemporaryFile) {
    Write("VELKGAME.CFG", "the old record, longer than the new");
    Write("VELKGAME.CFG.tmp-killed", "left by a killed save");
    // Another game's save in progress holds its file open without sharing deletion.
    HANDLE live = CreateFileA("VELKGAME.CFG.tmp-live", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(live, INVALID_HANDLE_VALUE);
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "new record", 10), 1);
    EXPECT_EQ(Read("VELKGAME.CFG"), "new record");
    EXPECT_FALSE(fs::exists("VELKGAME.CFG.tmp-killed"));
    EXPECT_TRUE(fs::exists("VELKGAME.CFG.tmp-live"));
    CloseHandle(live);

    ASSERT_TRUE(SetFileAttributesA("VELKGAME.CFG", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(PlatformSaveFile("VELKGAME.CFG", "newer", 5), 0);
    EXPECT_EQ(Read("VELKGAME.CFG"), "new record");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
}

}  // namespace
