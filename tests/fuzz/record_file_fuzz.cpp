// Fuzz target: any bytes as the record file, through the game's own loading. A file it accepts holds an
// in-range record; any other gets one message and is replaced by a full file of record 0, the score kept.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "files/high_score.h"
#include "fuzz_check.h"
#include "state/game_state.h"
#include "platform/scripted/scripted_platform.h"

namespace {

constexpr size_t FILE_BYTES = 262144;

double CopyAt(const std::string& bytes, size_t index) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | static_cast<uint8_t>(bytes[index * 4 + static_cast<size_t>(i)]);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool inScratch = (EnterScratchFolder(), true);
    static const Script answerAtOnce;
    const std::string file(reinterpret_cast<const char*>(data), size);
    std::ofstream("VELKGAME.CFG", std::ios::binary | std::ios::trunc) << file;
    std::ostringstream log;
    ScriptedBegin(answerAtOnce, log);
    gameState.score = 4321;
    gameState.highScore = INT32_MIN;  // no record can give this

    LoadHighScore(nullptr);

    FUZZ_CHECK(inScratch && gameState.score == 4321);
    std::ifstream saved("VELKGAME.CFG", std::ios::binary);
    const std::string after(std::istreambuf_iterator<char>(saved), {});
    if (gameState.highScore != INT32_MIN) {
        FUZZ_CHECK(log.str().empty() && after == file && size >= FILE_BYTES);
        const double a = CopyAt(file, 34595), b = CopyAt(file, 60295), c = CopyAt(file, 19400);
        FUZZ_CHECK(std::fabs(a) <= 9e6 && std::fabs(std::fabs(a) - std::fabs(b)) < 1e-6 && std::fabs(std::fabs(a) - std::fabs(c)) < 1e-6);
        FUZZ_CHECK(gameState.highScore == static_cast<int32_t>(a + 0.5));
        return 0;
    }
    FUZZ_CHECK(log.str() == "0 box 0x0 \"VELK Game Error\" \"High-Scroe file corrupted. High Score have been reset\" -> 1\n");
    FUZZ_CHECK(after.size() == FILE_BYTES && CopyAt(after, 34595) == 0 && CopyAt(after, 60295) == 0 && CopyAt(after, 19400) == 0);
    return 0;
}
