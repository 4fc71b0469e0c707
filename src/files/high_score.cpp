// The high-score file: 65,536 little-endian floats, the record at three fixed indices, the rest filler.
#include "files/high_score.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "state/game_state.h"

namespace {

constexpr const char* HIGH_SCORE_FILE = "VELKGAME.CFG";
constexpr int FLOAT_COUNT = 65536;
constexpr int FILE_BYTES = FLOAT_COUNT * 4;
constexpr int RECORD_INDEX = 34595;  // the copy the record is taken from
constexpr int COPY_INDEX_B = 60295;
constexpr int COPY_INDEX_C = 19400;
constexpr int FILLER_MODULUS = 50000;
constexpr double MAX_RECORD = 9000000.0;
constexpr double COPY_TOLERANCE = 0.000001;

// The file is little-endian whatever the machine's byte order. Only the copies are read, so that a demo
// records twelve bytes of the file rather than all of it.
bool ReadCopy(int index, double& value) {
    unsigned char p[4];
    if (PlatformReadFile(HIGH_SCORE_FILE, int64_t{index} * 4, sizeof p, p) == 0) return false;
    const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    float copy;
    std::memcpy(&copy, &bits, sizeof copy);
    value = copy;
    return true;
}

void PutFloat(std::vector<unsigned char>& bytes, int index, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char* p = &bytes[static_cast<size_t>(index) * 4];
    p[0] = static_cast<unsigned char>(bits);
    p[1] = static_cast<unsigned char>(bits >> 8);
    p[2] = static_cast<unsigned char>(bits >> 16);
    p[3] = static_cast<unsigned char>(bits >> 24);
}

bool CopiesValid(double a, double b, double c) {
    // Written so that a NaN anywhere fails every comparison and so the file.
    return std::fabs(a) <= MAX_RECORD && std::fabs(b) <= MAX_RECORD && std::fabs(c) <= MAX_RECORD &&
           std::fabs(std::fabs(a) - std::fabs(b)) < COPY_TOLERANCE &&
           std::fabs(std::fabs(a) - std::fabs(c)) < COPY_TOLERANCE &&
           std::fabs(std::fabs(b) - std::fabs(c)) < COPY_TOLERANCE;
}

// A file that cannot be trusted gets a record of 0; the game's score is kept.
void ReportCorruptHighScore(WindowHandle owner) {
    PlatformMessageBox(owner, "High-Scroe file corrupted. High Score have been reset", "VELK Game Error", BOX_OK);
    SaveHighScore(0);
}

}  // namespace

void SaveHighScore(int32_t record) {
    std::vector<unsigned char> bytes(FILE_BYTES);
    for (int i = 0; i < FLOAT_COUNT; ++i) PutFloat(bytes, i, static_cast<float>(GameRandom() % FILLER_MODULUS));
    const float value = static_cast<float>(record);
    PutFloat(bytes, COPY_INDEX_C, value);
    PutFloat(bytes, COPY_INDEX_B, value);
    PutFloat(bytes, RECORD_INDEX, value);

    // Whether the file could be written is not reported: an unwritable file simply keeps its record.
    PlatformSaveFile(HIGH_SCORE_FILE, bytes.data(), FILE_BYTES);
}

void LoadHighScore(WindowHandle owner) {
    const int64_t size = PlatformFileSize(HIGH_SCORE_FILE);
    if (size < 0) {
        PlatformMessageBox(owner, "High-Scroe file was not found. High Score have been reset", "VELK Game Error", BOX_OK);
        SaveHighScore(0);
        return;
    }
    double a = 0, b = 0, c = 0;
    // A file shorter than the format, or one that cannot be read, has no record to trust.
    const bool complete = size >= FILE_BYTES && ReadCopy(RECORD_INDEX, a) && ReadCopy(COPY_INDEX_B, b) &&
                          ReadCopy(COPY_INDEX_C, c);
    if (!complete || !CopiesValid(a, b, c)) {
        ReportCorruptHighScore(owner);
        return;
    }
    gameState.highScore = static_cast<int32_t>(a + 0.5);
}
