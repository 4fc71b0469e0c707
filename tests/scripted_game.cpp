// The scripted-run harness shared by the end-to-end tests.
#include "scripted_game.h"

#include <unistd.h>

#include <fstream>

#include "console/screen.h"
#include "state/game_state.h"

namespace fs = std::filesystem;

// Read before any test draws: the random source's state at process start, whatever the game sets it to.
static const uint32_t START_RANDOM_STATE = gameRandomState;

void ResetGameGlobals() {
    gameState = GameState{};
    screenBuffer = ScreenBuffer{};
    gameRandomState = START_RANDOM_STATE;
    hConsoleWindow = nullptr;
}

std::string Presses(long long at, const char* key, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "at " + std::to_string(at) + " key " + key + "\n";
    return lines;
}

std::string ShortGameScript(long long end) {
    return "at 10 key b\n" + Presses(4400, "Up", 9) + Presses(4400, "Right", 117) + Presses(4800, "Down", 9) +
           Presses(4800, "Right", 1) + Presses(6600, "Right", 116) + "end " + std::to_string(end) + "\n";
}

void ScriptedGame::SetUp() {
    previous = fs::current_path();
    // ctest runs each test in its own process.
    folder = fs::temp_directory_path() / ("velk-test-" + std::to_string(static_cast<long>(::getpid())));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    for (const PackageFile& file : PACKAGE) WriteFileOfSize(file.name, file.size);
}

void ScriptedGame::TearDown() {
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    SetScriptedPresentObserver(nullptr);
    SetScriptedInputHook(nullptr);
}

void ScriptedGame::WriteFileOfSize(const std::string& name, long size) {
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << std::string(static_cast<size_t>(size), '\0');
}

void ScriptedGame::Arm(const std::string& text) {
    std::string error;
    ASSERT_TRUE(ParseScript(text, "armed", armedScript, error)) << error;
    ResetGameGlobals();
    gameState.soundOn = 1;
    armedLog.str("");
    ScriptedBegin(armedScript, armedLog);
}

GameRun ScriptedGame::Run(const std::string& scriptText) {
    Script script;
    std::string error;
    EXPECT_TRUE(ParseScript(scriptText, "test", script, error)) << error;
    ResetGameGlobals();
    std::ostringstream log;
    GameRun run;
    Replay(script, log);
    run.log = log.str();
    std::istringstream lines(run.log);
    for (std::string line; std::getline(lines, line) && line.rfind("presents ", 0) != 0;) {
        const size_t space = line.find(' ');
        run.events.push_back({std::stoll(line.substr(0, space)), line.substr(space + 1)});
    }
    const size_t screen = run.log.find("\nscreen\n");
    if (screen != std::string::npos) run.screen = run.log.substr(screen + 8);
    return run;
}

std::vector<LogEvent> GameRun::Find(const std::string& prefix) const {
    std::vector<LogEvent> found;
    for (const LogEvent& event : events) {
        if (event.text.rfind(prefix, 0) == 0) found.push_back(event);
    }
    return found;
}

long long GameRun::TimeOf(const std::string& text) const {
    for (const LogEvent& event : events) {
        if (event.text == text) return event.time;
    }
    return -1;
}

std::string GameRun::Texts() const {
    std::string all;
    for (const LogEvent& event : events) all += std::to_string(event.time) + " " + event.text + "\n";
    return all;
}

std::string GameRun::Row(int row) const {
    std::istringstream lines(screen);
    std::string line;
    for (int i = 0; i <= row; ++i) std::getline(lines, line);
    return line;
}
