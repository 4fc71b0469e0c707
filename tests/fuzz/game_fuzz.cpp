// Fuzz target: the whole game under keys, box answers, input failures and the clock's pace made of the fuzzer's
// bytes, for a bounded number of input passes; after every pass the game's invariants must hold.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <utility>
#include <vector>

#include "console/screen.h"
#include "fuzz_check.h"
#include "state/game_state.h"
#include "replay.h"

namespace {

constexpr long MAX_PASSES = 300;  // keeps a run around a millisecond or two under the sanitizers

InputRecord Key(char character, uint16_t virtualKey) { return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character}; }
const InputRecord KEYS[] = {Key(0, KEY_RIGHTARROW), Key(0, KEY_RIGHTARROW), Key(0, KEY_LEFTARROW), Key(0, KEY_UPARROW),
                            Key(0, KEY_DOWNARROW),  Key('b', 'B'),         Key('J', 'J'), Key('p', 'P'), Key('s', 'S'), Key('x', 'X'), Key('\r', 0x0D), Key(0x1B, KEY_ESCAPE)};

std::vector<std::pair<int64_t, int64_t>> paces;  // from a virtual time on, each pass also takes this long
size_t nextPace;
int64_t pace;
long passes;

void WriteFile(const char* name, const std::string& bytes, uintmax_t size) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
    std::filesystem::resize_file(name, size);
}

void RecordFile(uint8_t choice) {
    std::filesystem::remove_all("VELKGAME.CFG");
    if (choice % 4 == 1) std::filesystem::create_directory("VELKGAME.CFG");  // cannot be written
    if (choice % 4 == 2) WriteFile("VELKGAME.CFG", "", 262144 - choice);  // too short
    if (choice % 4 == 3) WriteFile("VELKGAME.CFG", "", 262144);  // record 0
}

bool DrawnGlyph(uint16_t c) {
    return (c >= 0x20 && c < 0x7F) || c == 0x10 || c == 0x03 || c == 0xC3 || c == 0xB4 || c == 0x08 || c == 0xB1 || c == 0xDB;
}

// Looked at only when it changed: most passes present the same picture again.
bool PictureHoldsOnlyDrawnGlyphs() {
    static Cell seen[SCREEN_CELLS];
    const Cell* picture = ScriptedLastPicture();
    if (std::memcmp(seen, picture, sizeof seen) == 0) return true;
    std::memcpy(seen, picture, sizeof seen);
    return std::all_of(seen, seen + SCREEN_CELLS, [](const Cell& cell) { return DrawnGlyph(cell.character); });
}

void AfterPass(int64_t now) {
    if (++passes > MAX_PASSES) throw ScriptedRunStopped{};
    for (; nextPace < paces.size() && paces[nextPace].first <= now; ++nextPace) pace = paces[nextPace].second;
    ScriptedAdvanceClock(pace);
    const GameState& g = gameState;
    FUZZ_CHECK(g.level >= 1);
    if (g.infoScreenShown == 0) {
        FUZZ_CHECK(g.lives >= 0);
        FUZZ_CHECK(g.playerCol >= 0 && g.playerCol < SCREEN_COLS && g.playerRow >= 0 && g.playerRow < SCREEN_ROWS);
        FUZZ_CHECK(g.heartCol == SCREEN_COLS - 1 && g.heartRow >= 0 && g.heartRow < SCREEN_ROWS);
    }
    FUZZ_CHECK(PictureHoldsOnlyDrawnGlyphs());
}

void EnterPackageFolder() {
    EnterScratchFolder();
    const std::pair<const char*, uintmax_t> PACKAGE[] = {{"VELKGAME.exe", 1},       {"VELKGSND1.wav", 393968},
                                                         {"VELKGSND2.wav", 1504},  {"VELKGSND3.wav", 23656},
                                                         {"VELKGSND4.wav", 9996},  {"VELKGSND5.wav", 34172},
                                                         {"VELKGSND6.wav", 27804}};
    for (const auto& [name, size] : PACKAGE) WriteFile(name, "", size);
    SetScriptedInputHook(AfterPass);
}

}  // namespace

// Byte 0 picks the calendar time, byte 1 the record file; then pairs of an operation and its argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool inPackage = (EnterPackageFolder(), true);
    if (size < 2 || !inPackage) return 0;
    Script script;
    script.epoch = 1800000000 + data[0];
    RecordFile(data[1]);
    paces.clear();
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
            default: arg % 2 ? script.failures.push_back({time, arg / 64 + 1}) : paces.push_back({time, arg}); break;
        }
    }
    gameState = GameState{};
    screenBuffer = ScreenBuffer{};
    gameRandomState = 1;
    hConsoleWindow = nullptr;
    nextPace = 0;
    pace = 0;
    passes = 0;
    std::ostream noLog(nullptr);
    Replay(script, noLog);
    return 0;
}
