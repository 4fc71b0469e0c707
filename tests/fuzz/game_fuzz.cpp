// Fuzz target: the whole game under keys, box answers, input failures and the clock's pace made of the fuzzer's
// bytes, for a bounded number of input passes, recorded as a demo that must play back to the same log.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "demo_replay.h"
#include "fuzz_check.h"
#include "platform/demo/demo_layer.h"
#include "scripted_game.h"

namespace {

constexpr long MAX_PASSES = 300;  // keeps an input, recorded and played back, to some 10 ms under the sanitizers

InputRecord Key(char character, uint16_t virtualKey) { return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character}; }
const InputRecord KEYS[] = {Key(0, KEY_RIGHTARROW), Key(0, KEY_RIGHTARROW), Key(0, KEY_LEFTARROW), Key(0, KEY_UPARROW),
                            Key(0, KEY_DOWNARROW),  Key('b', 'B'),         Key('J', 'J'), Key('p', 'P'), Key('s', 'S'), Key('x', 'X'), Key('\r', 0x0D), Key(0x1B, KEY_ESCAPE)};

struct {
    std::vector<std::pair<int64_t, int64_t>> paces;  // from a virtual time on, each pass also takes this long
    size_t nextPace = 0;
    int64_t pace = 0;
    long passes = 0;
} run;

// Makes the file NAME of SIZE zero bytes.
void WriteFile(const char* name, uintmax_t size) { std::ofstream{name}; std::filesystem::resize_file(name, size); }

void AfterPass(int64_t now) {
    if (++run.passes > MAX_PASSES) ScriptedEndRun();
    while (run.nextPace < run.paces.size() && run.paces[run.nextPace].first <= now) run.pace = run.paces[run.nextPace++].second;
    ScriptedAdvanceClock(run.pace);
}

// The game's run, recorded into run.demo or played back from it, as its log's events.
std::string Run(const Script& script, bool play) {
    std::string problem;
    if (play) {
        const std::string log = PlayDemoFile("run.demo", problem);
        FUZZ_CHECK(problem.empty() || std::fprintf(stderr, "%s\n", problem.c_str()) < 0);  // says where, then stops
        return Untimed(log);
    }
    FUZZ_CHECK(StartDemoRecording("run.demo", problem));
    ResetGameGlobals();
    std::ostringstream log;
    Replay(script, log);
    StopDemo();
    return Untimed(log.str());
}

// A fresh temporary working folder for the rest of the process, removed at exit, holding the package.
bool EnterPackageFolder() {
    static std::string folder = (std::filesystem::temp_directory_path() / "velk-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(folder.data()) != nullptr);
    std::filesystem::current_path(folder);
    std::atexit([] { std::error_code ignored; std::filesystem::remove_all(folder, ignored); });
    for (const PackageFile& file : PACKAGE) WriteFile(file.name, static_cast<uintmax_t>(file.size));
    SetScriptedInputHook(AfterPass);
    return true;
}

}  // namespace

// Byte 0 picks the calendar time, byte 1 the record file; then pairs of an operation and its argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool inPackage = EnterPackageFolder();
    if (size < 2 || !inPackage) return 0;
    run = {};
    Script script;
    script.epoch = 1800000000 + data[0];
    std::filesystem::remove_all("VELKGAME.CFG");  // then none, a folder (cannot be written), too short, or record 0
    if (data[1] % 4 == 1) std::filesystem::create_directory("VELKGAME.CFG");
    if (data[1] % 4 >= 2) WriteFile("VELKGAME.CFG", 262144 - (data[1] % 4 == 2 ? data[1] : 0u));
    int64_t time = 0;
    for (size_t i = 2; i + 1 < size; i += 2) {
        const uint8_t arg = data[i + 1];
        InputRecord record = KEYS[arg % std::size(KEYS)];
        switch (data[i] % 8) {
            case 3: record.keyDown = 0; [[fallthrough]];
            case 0: case 1: case 2: script.records.push_back({time, static_cast<int>(i), record}); break;
            case 4: script.records.push_back({time, static_cast<int>(i), InputRecord{INPUT_MOUSE_EVENT, 0, 0, 0}}); break;
            case 5: time += arg + 1; break;
            case 6: script.boxes.push_back({arg % 2 == 0, arg / 2 * 40}); break;
            default: arg % 2 ? script.failures.push_back({time, arg / 64 + 1}) : run.paces.push_back({time, arg}); break;
        }
    }
    FUZZ_CHECK(Run(script, false) == Run(script, true));
    return 0;
}
