// The scripted-run harness shared by the end-to-end tests.
#include "scripted_game.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "console/screen.h"
#include "game/game_state.h"

namespace fs = std::filesystem;

void ResetGameGlobals() {
    gameState = GameState{};
    screenBuffer = ScreenBuffer{};
    gameRandomState = 1;
    hConsoleWindow = nullptr;
}

void ScriptedGame::SetUp() {
    previous = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() /
             ("velk-test-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
              std::to_string(static_cast<long>(::getpid())));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    static const struct { const char* name; long size; } PACKAGE[] = {
        {"VELKGAME.exe", 10},      {"VELKGSND1.wav", 393968}, {"VELKGSND2.wav", 1504}, {"VELKGSND3.wav", 23656},
        {"VELKGSND4.wav", 9996}, {"VELKGSND5.wav", 34172},  {"VELKGSND6.wav", 27804},
    };
    for (const auto& file : PACKAGE) WriteFileOfSize(file.name, file.size);
}

void ScriptedGame::TearDown() {
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    SetScriptedPresentObserver(nullptr);
    SetScriptedInputHook(nullptr);
}

void ScriptedGame::WriteFileOfSize(const std::string& name, long size) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out << std::string(static_cast<size_t>(size), '\0');
}

GameRun ScriptedGame::Run(const std::string& scriptText) {
    Script script;
    std::string error;
    EXPECT_TRUE(ParseScript(scriptText, "test", script, error)) << error;
    ResetGameGlobals();
    std::ostringstream log;
    GameRun run;
    run.result = Replay(script, log);
    run.log = log.str();

    std::istringstream lines(run.log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("presents ", 0) == 0) break;
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

bool GameRun::Has(const std::string& text) const { return TimeOf(text) >= 0; }

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
