// End-to-end tests of the high-score file and of the package check, with the files a player could leave behind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "state/game_state.h"
#include "scripted_game.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using HighScoreFile = ScriptedGame;
using PackageCheck = ScriptedGame;

constexpr size_t FILE_BYTES = 262144;
constexpr size_t COPIES[] = {19400, 34595, 60295};  // float indices; the record is read from the middle one
const std::string NOT_FOUND = "box 0x0 \"VELK Game Error\" \"High-Scroe file was not found. High Score have been reset\" -> 1";
const std::string CORRUPT = "box 0x0 \"VELK Game Error\" \"High-Scroe file corrupted. High Score have been reset\" -> 1";
const std::string FIRST_LEVEL = "at 10 key b\nend 4400\n";  // the intro, then level 1 starts at 4310
constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();

// The file is little-endian on every machine, like the machines the tests run on.
float FloatAt(const Bytes& bytes, size_t index) {
    float value;
    std::memcpy(&value, &bytes.at(index * 4 + 3) - 3, sizeof value);
    return value;
}

// A file of size bytes of fill with the three copies over it where they fit.
Bytes RecordFile(float first, float record, float last, size_t size = FILE_BYTES, unsigned char fill = 0) {
    Bytes bytes(std::max(size, FILE_BYTES), fill);
    const float values[] = {first, record, last};
    for (int i = 0; i < 3; ++i) std::memcpy(&bytes[COPIES[i] * 4], &values[i], 4);
    bytes.resize(size);
    return bytes;
}

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> BoxesOf(const GameRun& run) {
    std::vector<std::string> boxes;
    for (const LogEvent& event : run.Find("box ")) boxes.push_back(std::to_string(event.time) + " " + event.text);
    return boxes;
}

// A fresh file of the given record: exactly the format's size, the record in all three copies.
void ExpectFreshFile(const Bytes& bytes, float record, const std::string& what) {
    ASSERT_EQ(bytes.size(), FILE_BYTES) << what;
    for (size_t index : COPIES) EXPECT_EQ(FloatAt(bytes, index), record) << what << ", copy " << index;
}

TEST_F(HighScoreFile, NoFileGivesTheNotFoundMessageAndAFileOfRecordZeroAmongFiller) {
    const GameRun run = Run(FIRST_LEVEL);
    EXPECT_EQ(BoxesOf(run), std::vector<std::string>{"4310 " + NOT_FOUND});
    const Bytes file = Read(folder / "VELKGAME.CFG");
    ExpectFreshFile(file, 0.0f, "new file");
    // The filler: values of the random source, whole numbers below 32768, not all alike.
    for (size_t index : {size_t{0}, size_t{1}, FILE_BYTES / 4 - 1}) {
        const float filler = FloatAt(file, index);
        EXPECT_TRUE(filler >= 0 && filler < 32768 && filler == static_cast<int>(filler)) << index << ": " << filler;
    }
    EXPECT_NE(FloatAt(file, 0), FloatAt(file, 1));
}

TEST_F(HighScoreFile, TheFileIsJudgedByItsThreeCopies) {
    // highScore: shown as the record; a file that is not valid is reset to 0
    struct Case { const char* what; Bytes file; int highScore; bool valid; } const cases[] = {
        {"1234.5", RecordFile(1234.5f, 1234.5f, 1234.5f), 1235, true},
        {"largest", RecordFile(9e6f, 9e6f, 9e6f), 9000000, true},
        {"signs differ, record copy negative", RecordFile(5.0f, -5.0f, 5.0f), -4, true},
        {"within the tolerance", RecordFile(0.0f, 0.0f, 9e-7f), 0, true},
        {"longer, judged by its first part; filler not numbers", RecordFile(77.0f, 77.0f, 77.0f, FILE_BYTES + 9, 0xFF), 77, true},
        {"too large", RecordFile(9000001.0f, 9000001.0f, 9000001.0f), 0, false},
        {"not a number", RecordFile(NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER), 0, false},
        {"beyond the tolerance", RecordFile(0.0f, 0.0f, 2e-6f), 0, false},
        {"first copy differs", RecordFile(101.0f, 100.0f, 100.0f), 0, false},
        {"record copy differs", RecordFile(100.0f, 101.0f, 100.0f), 0, false},
        {"last copy differs", RecordFile(100.0f, 100.0f, 101.0f), 0, false},
        {"one byte short", RecordFile(7.0f, 7.0f, 7.0f, FILE_BYTES - 1), 0, false},
        {"empty", RecordFile(0.0f, 0.0f, 0.0f, 0), 0, false}};
    for (const Case& c : cases) {
        std::ofstream(folder / "VELKGAME.CFG", std::ios::binary)
            .write(reinterpret_cast<const char*>(c.file.data()), static_cast<std::streamsize>(c.file.size()));
        const GameRun run = Run(FIRST_LEVEL);
        const Bytes after = Read(folder / "VELKGAME.CFG");
        EXPECT_EQ(run.Row(1).rfind(" Record high score: " + std::to_string(c.highScore) + " ", 0), 0u) << c.what;
        if (c.valid) {
            EXPECT_TRUE(BoxesOf(run).empty()) << c.what << "\n" << run.Texts();
            EXPECT_TRUE(after == c.file) << c.what << ": a valid file is not rewritten";
        } else {
            EXPECT_EQ(BoxesOf(run), std::vector<std::string>{"4310 " + CORRUPT}) << c.what;
            ExpectFreshFile(after, 0.0f, c.what);
        }
    }
}

TEST_F(HighScoreFile, AFolderWhereTheFileCannotBeWrittenAndASecondGame) {
    // Root writes past permission bits; a directory of the file's name stops it. Every level start
    // reports it, the restart after the lost life included, and the game goes on, keeping its score.
    fs::create_directory(folder / "VELKGAME.CFG");
    const GameRun run = Run(ShortGameScript(13400).insert(0, "at 9000 key b\n"));
    const std::string boxes[] = {"4310 " + NOT_FOUND, "6400 " + NOT_FOUND, "8200 " + NOT_FOUND};
    EXPECT_EQ(BoxesOf(run), (std::vector<std::string>{boxes[0], boxes[1], boxes[2], "13300 " + NOT_FOUND}));
    // The second game forgets the first: its score and the record it could not keep are 0, its lives six.
    EXPECT_EQ(run.Row(1).substr(0, 22) + "|" + run.Row(2).substr(0, 23) + "|" + run.Row(3).substr(0, 36),
              " Record high score: 0 | Your current score: 0 | Lives remained: ►►►►►► ");
}

TEST_F(PackageCheck, TheFirstFailingFileIsReportedOnceAndTheProgramEnds) {
    constexpr long MISSING = -1, DIRECTORY = -2;
    // changes: sizes in bytes, MISSING or DIRECTORY; title nullptr: the package passes
    struct Case { std::vector<PackageFile> changes; const char* title; } const cases[] = {
        {{{"VELKGAME.exe", 0}}, nullptr},  // the program file is judged by presence only
        {{{"VELKGAME.exe", DIRECTORY}}, "VELK Game Error A"},
        {{{"VELKGAME.exe", MISSING}, {"VELKGSND1.wav", MISSING}, {"VELKGSND4.wav", MISSING}}, "VELK Game Error A"},
        {{{"VELKGSND1.wav", 393967}}, "VELK Game Error 1"},
        {{{"VELKGSND2.wav", MISSING}}, "VELK Game Error 2"},
        {{{"VELKGSND3.wav", 23657}, {"VELKGSND6.wav", 0}}, "VELK Game Error 3"},
        {{{"VELKGSND6.wav", DIRECTORY}}, "VELK Game Error 6"}};
    for (const Case& c : cases) {
        for (const PackageFile& file : PACKAGE) {
            fs::remove_all(folder / file.name);
            WriteFileOfSize(file.name, file.size);
        }
        for (const PackageFile& change : c.changes) {
            fs::remove_all(folder / change.name);
            if (change.size == DIRECTORY) fs::create_directory(folder / change.name);
            if (change.size >= 0) WriteFileOfSize(change.name, change.size);
        }
        const GameRun run = Run("at 5 key Esc\n");
        // Before anything else: one box, then exit code 0 without a console.
        const std::string box = c.title ? "0 box 0x0 \"" + std::string(c.title) +
                                              "\" \"File Package Error. Please re-download the package\" -> 1\n0 exit 0\n"
                                        : "0 setup\n";
        EXPECT_EQ(run.Texts().substr(0, box.size()), box) << c.changes[0].name << " " << c.changes[0].size;
    }
}

}  // namespace
