// How fast velk-replay plays: virtual seconds of play per wall-clock second, on the information screen and in games.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "console/screen.h"
#include "state/game_state.h"
#include "replay.h"

namespace {

namespace fs = std::filesystem;

// A package folder to play in, made once.
void EnterPackageFolder() {
    static bool done = false;
    if (done) return;
    const fs::path folder = fs::temp_directory_path() / "velk-bench-replay";
    fs::create_directories(folder);
    fs::current_path(folder);
    const struct { const char* name; size_t size; } files[] = {
        {"VELKGAME.exe", 1},    {"VELKGSND1.wav", 393968}, {"VELKGSND2.wav", 1504}, {"VELKGSND3.wav", 23656},
        {"VELKGSND4.wav", 9996}, {"VELKGSND5.wav", 34172},  {"VELKGSND6.wav", 27804},
    };
    for (const auto& f : files) std::ofstream(f.name, std::ios::binary) << std::string(f.size, '\0');
    done = true;
}

void ReplayFor(benchmark::State& state, const std::string& scriptText, long long virtualMs) {
    EnterPackageFolder();
    Script script;
    std::string error;
    if (!ParseScript(scriptText, "bench", script, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        gameState = GameState{};
        screenBuffer = ScreenBuffer{};
        gameRandomState = 1;
        std::ostringstream log;
        Replay(script, log);
        benchmark::DoNotOptimize(log.str().size());
    }
    state.counters["virtual_s_per_s"] =
        benchmark::Counter(static_cast<double>(virtualMs) / 1000.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// Ten minutes on the information screen: a present every pass, almost all of them unchanged.
void BM_InformationScreen(benchmark::State& state) {
    ReplayFor(state, "at 1000 key Down\nat 2000 key Up\nend 600000\n", 600000);
}

// Ten minutes of games: a player who keeps moving, losing lives, and taking the offer of another game.
void BM_Games(benchmark::State& state) {
    std::string script = "at 10 key b\n";
    const char* moves[] = {"Right", "Right", "Up", "Right", "Down", "Left"};
    for (int t = 5000, i = 0; t < 600000; t += 90, ++i) script += "at " + std::to_string(t) + " key " + moves[i % 6] + "\n";
    script += "end 600000\n";
    ReplayFor(state, script, 600000);
}

BENCHMARK(BM_InformationScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Games)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
