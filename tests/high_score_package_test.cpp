// End-to-end tests of the high-score file and of the package check, with the files a player could leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "files/package_check.h"
#include "game/game_state.h"
#include "scripted_game.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using HighScoreFile = ScriptedGame;
using PackageCheck = ScriptedGame;

constexpr size_t FILE_BYTES = 262144;
constexpr size_t COPY_INDICES[] = {19400, 34595, 60295};  // bytes 77,600, 138,380 and 241,180
const char* const NOT_FOUND_BOX =
    "box 0x0 \"VELK Game Error\" \"High-Scroe file was not found. High Score have been reset\" -> 1";
const char* const CORRUPT_BOX =
    "box 0x0 \"VELK Game Error\" \"High-Scroe file corrupted. High Score have been reset\" -> 1";
const std::string FIRST_LEVEL = "at 10 key b\nend 4400\n";  // the intro, then level 1 starts at 4310
constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();

// The file is little-endian on every machine: decoded here byte by byte.
float FloatAt(const Bytes& bytes, size_t index) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | bytes.at(index * 4 + static_cast<size_t>(i));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void PutFloat(Bytes& bytes, size_t index, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (size_t i = 0; i < 4; ++i) bytes.at(index * 4 + i) = static_cast<unsigned char>(bits >> (8 * i));
}

// A file of size bytes of fill, with the three copies (by increasing index) over it where they fit.
Bytes RecordFile(float at19400, float at34595, float at60295, size_t size = FILE_BYTES, unsigned char fill = 0) {
    Bytes bytes(std::max(size, FILE_BYTES), fill);
    PutFloat(bytes, COPY_INDICES[0], at19400);
    PutFloat(bytes, COPY_INDICES[1], at34595);
    PutFloat(bytes, COPY_INDICES[2], at60295);
    bytes.resize(size);
    return bytes;
}

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> BoxesOf(const GameRun& run) {
    std::vector<std::string> boxes;
    for (const LogEvent& event : run.Find("box ")) boxes.push_back(std::to_string(event.time) + " " + event.text);
    return boxes;
}

// A fresh file of the given record: exactly the format's size, the record in all three copies.
void ExpectFreshFile(const Bytes& bytes, float record, const std::string& what) {
    ASSERT_EQ(bytes.size(), FILE_BYTES) << what;
    for (size_t index : COPY_INDICES) EXPECT_EQ(FloatAt(bytes, index), record) << what << ", copy " << index;
}

TEST_F(HighScoreFile, NoFileGivesTheNotFoundMessageAndAFileOfRecordZeroAmongDrawnFiller) {
    const GameRun run = Run(FIRST_LEVEL);
    EXPECT_EQ(BoxesOf(run), std::vector<std::string>{"4310 " + std::string(NOT_FOUND_BOX)});
    EXPECT_EQ(gameState.highScore, 0);
    EXPECT_EQ(run.Row(1).rfind(" Record high score: 0 ", 0), 0u) << run.screen;

    const Bytes file = Read(folder / "VELKGAME.CFG");
    ExpectFreshFile(file, 0.0f, "new file");
    // The save comes after the intro's 2,160 draws and draws one value per float, in file order.
    ResetGameGlobals();
    for (int i = 0; i < 2160; ++i) GameRandom();
    int wrong = 0;
    for (size_t index = 0; index < FILE_BYTES / 4; ++index) {
        const float filler = static_cast<float>(GameRandom() % 50000);
        const bool copy = index == COPY_INDICES[0] || index == COPY_INDICES[1] || index == COPY_INDICES[2];
        if (!copy && FloatAt(file, index) != filler && wrong++ < 3) ADD_FAILURE() << "filler at " << index;
    }
}

TEST_F(HighScoreFile, TheFileIsJudgedByItsThreeCopies) {
    struct Case {
        const char* what;
        Bytes file;
        bool valid;
        int highScore;
    } const cases[] = {
        {"1234.4", RecordFile(1234.4f, 1234.4f, 1234.4f), true, 1234},
        {"1234.5", RecordFile(1234.5f, 1234.5f, 1234.5f), true, 1235},
        {"largest", RecordFile(9000000.0f, 9000000.0f, 9000000.0f), true, 9000000},
        {"largest negative", RecordFile(-9000000.0f, -9000000.0f, -9000000.0f), true, -8999999},
        {"signs differ", RecordFile(5.0f, 5.0f, -5.0f), true, 5},
        {"signs differ, record copy negative", RecordFile(5.0f, -5.0f, 5.0f), true, -4},
        {"within the tolerance", RecordFile(0.0f, 0.0f, 9e-7f), true, 0},
        {"longer, judged by its first part; filler not numbers", RecordFile(77.0f, 77.0f, 77.0f, FILE_BYTES + 1000, 0xFF), true, 77},
        {"too large", RecordFile(9000001.0f, 9000001.0f, 9000001.0f), false, 0},
        {"not a number", RecordFile(NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER), false, 0},
        {"beyond the tolerance", RecordFile(0.0f, 0.0f, 2e-6f), false, 0},
        {"first copy differs", RecordFile(101.0f, 100.0f, 100.0f), false, 0},
        {"record copy differs", RecordFile(100.0f, 101.0f, 100.0f), false, 0},
        {"last copy differs", RecordFile(100.0f, 100.0f, 101.0f), false, 0},
        {"one byte short", RecordFile(7.0f, 7.0f, 7.0f, FILE_BYTES - 1), false, 0},
        {"empty", Bytes(), false, 0},
    };
    for (const Case& c : cases) {
        Write(folder / "VELKGAME.CFG", c.file);
        const GameRun run = Run(FIRST_LEVEL);
        const Bytes after = Read(folder / "VELKGAME.CFG");
        if (c.valid) {
            EXPECT_TRUE(BoxesOf(run).empty()) << c.what << "\n" << run.Texts();
            EXPECT_EQ(gameState.highScore, c.highScore) << c.what;
            EXPECT_EQ(run.Row(1).rfind(" Record high score: " + std::to_string(c.highScore) + " ", 0), 0u)
                << c.what << "\n" << run.screen;
            EXPECT_TRUE(after == c.file) << c.what << ": a valid file is not rewritten";
        } else {
            EXPECT_EQ(BoxesOf(run), std::vector<std::string>{"4310 " + std::string(CORRUPT_BOX)}) << c.what;
            EXPECT_EQ(gameState.highScore, 0) << c.what;
            ExpectFreshFile(after, 0.0f, c.what);
        }
    }
}

TEST_F(HighScoreFile, ABeatenRecordIsSavedAndReadBackAtTheNextLevel) {
    // A longer file of record 50 is rewritten whole, at the format's size; 100 completes level 1.
    Write(folder / "VELKGAME.CFG", RecordFile(50.0f, 50.0f, 50.0f, FILE_BYTES + 5000, 0xFF));
    const GameRun run = Run(ShortGameScript(9000));
    EXPECT_TRUE(BoxesOf(run).empty()) << run.Texts();
    const Bytes after = Read(folder / "VELKGAME.CFG");
    ExpectFreshFile(after, 100.0f, "saved");
    // 100.0 is 0x42C80000, stored lowest byte first.
    EXPECT_EQ(Bytes(after.begin() + 77600, after.begin() + 77604), (Bytes{0x00, 0x00, 0xC8, 0x42}));
    EXPECT_EQ(run.Row(1).rfind(" Record high score: 100 ", 0), 0u) << run.screen;
    EXPECT_EQ(run.Row(2).rfind(" Your current score: 100 ", 0), 0u) << run.screen;
}

TEST_F(HighScoreFile, AResetKeepsTheGameScoreAndTheShownRecord) {
    Write(folder / "VELKGAME.CFG", RecordFile(5000.0f, 5000.0f, 5000.0f));
    // The file goes bad while level 1 is played; the completion (100 points) does not beat 5,000.
    bool spoiled = false;
    int32_t recordAtLevel2 = -1, scoreAtLevel2 = -1;
    SetScriptedPresentObserver([&](int64_t now, const Cell*) {
        if (now >= 4800 && !spoiled) {
            spoiled = true;
            Write(folder / "VELKGAME.CFG", RecordFile(100.0f, 100.0f, 101.0f));
        }
        if (now == 6400) recordAtLevel2 = gameState.highScore, scoreAtLevel2 = gameState.score;
    });
    const GameRun run = Run(ShortGameScript(9000));
    EXPECT_EQ(BoxesOf(run), std::vector<std::string>{"6400 " + std::string(CORRUPT_BOX)});
    EXPECT_EQ(recordAtLevel2, 5000);
    EXPECT_EQ(scoreAtLevel2, 100);
    // After the lost life the level starts again and reads the reset file.
    EXPECT_EQ(gameState.score, 100);
    EXPECT_EQ(gameState.highScore, 0);
    ExpectFreshFile(Read(folder / "VELKGAME.CFG"), 0.0f, "reset file");
}

TEST_F(HighScoreFile, AFolderWhereTheFileCannotBeWritten) {
    // Root writes past permission bits; a directory of the file's name stops it.
    fs::create_directory(folder / "VELKGAME.CFG");
    const GameRun run = Run(ShortGameScript(9000));
    // Every level start reports it, the restart after the lost life included, and the game goes on.
    const std::string box = NOT_FOUND_BOX;
    EXPECT_EQ(BoxesOf(run), (std::vector<std::string>{"4310 " + box, "6400 " + box, "8200 " + box}));
    EXPECT_TRUE(run.Has("cue VELKGSND4"));
    EXPECT_TRUE(run.result.ended);
    EXPECT_EQ(gameState.highScore, 0);
    EXPECT_EQ(run.Row(2).rfind(" Your current score: 100 ", 0), 0u) << run.screen;
    EXPECT_TRUE(fs::is_directory(folder / "VELKGAME.CFG"));
}

constexpr long MISSING = -1;
constexpr long DIRECTORY = -2;

TEST_F(PackageCheck, TheFirstFailingFileIsReportedOnceAndTheProgramEnds) {
    struct Case {
        std::vector<PackageFile> changes;  // size MISSING or DIRECTORY, or a size in bytes
        const char* title;                 // nullptr: the package passes
    } const cases[] = {
        {{{"VELKGAME.exe", 0}}, nullptr},  // the program file is judged by presence only
        {{{"VELKGAME.exe", DIRECTORY}}, "VELK Game Error A"},
        {{{"VELKGAME.exe", MISSING}, {"VELKGSND1.wav", MISSING}, {"VELKGSND4.wav", MISSING}}, "VELK Game Error A"},
        {{{"VELKGSND1.wav", 393967}}, "VELK Game Error 1"},
        {{{"VELKGSND1.wav", 393969}}, "VELK Game Error 1"},
        {{{"VELKGSND2.wav", MISSING}}, "VELK Game Error 2"},
        {{{"VELKGSND3.wav", 23657}, {"VELKGSND6.wav", 0}}, "VELK Game Error 3"},
        {{{"VELKGSND4.wav", 0}}, "VELK Game Error 4"},
        {{{"VELKGSND5.wav", 34171}}, "VELK Game Error 5"},
        {{{"VELKGSND6.wav", DIRECTORY}}, "VELK Game Error 6"},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const PackageFile& file : PACKAGE) {
            fs::remove_all(folder / file.name);
            WriteFileOfSize(file.name, file.size);
        }
        for (const PackageFile& change : c.changes) {
            what += std::string(change.name) + "=" + std::to_string(change.size) + " ";
            fs::remove_all(folder / change.name);
            if (change.size == DIRECTORY) fs::create_directory(folder / change.name);
            if (change.size >= 0) WriteFileOfSize(change.name, change.size);
        }
        const GameRun run = Run("at 5 key Esc\n");
        if (c.title == nullptr) {
            EXPECT_TRUE(BoxesOf(run).empty()) << what << "\n" << run.Texts();
            EXPECT_TRUE(run.Has("setup")) << what;
            EXPECT_EQ(run.result.exitCode, 1) << what;
            continue;
        }
        // Before anything else: one box, then exit code 0 without a console.
        const std::string box =
            "box 0x0 \"" + std::string(c.title) + "\" \"File Package Error. Please re-download the package\" -> 1";
        EXPECT_EQ(run.Texts(), "0 " + box + "\n0 exit 0\n") << what;
        EXPECT_EQ(run.result.exitCode, 0) << what;
        EXPECT_FALSE(run.result.ended) << what;
    }
}

TEST_F(PackageCheck, OneFileIsJudgedByPresenceAndExactSize) {
    struct Case {
        long size;  // MISSING or a size in bytes
        int32_t expectedSize;
        int passes;
    } const cases[] = {
        {MISSING, 0, 0}, {0, -7, 1}, {25, 24, 0}, {25, 26, 0}, {25, 25, 1},
    };
    for (const Case& c : cases) {
        fs::remove(folder / "probe.bin");
        if (c.size >= 0) WriteFileOfSize("probe.bin", c.size);
        EXPECT_EQ(CheckPackageFile("probe.bin", c.expectedSize), c.passes) << c.size << " bytes, " << c.expectedSize;
    }
}

}  // namespace
