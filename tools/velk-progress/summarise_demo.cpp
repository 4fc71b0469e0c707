// Summarising a demo: replayed headless, the game's state read at each picture it presents and at each box.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ostream>
#include <utility>

#include "console/screen.h"
#include "demo_replay.h"
#include "game_summary.h"
#include "platform/demo/demo_layer.h"
#include "replay.h"
#include "state/game_state.h"

namespace {

// The game asks for its record file's size at every level start (to show the record) and nowhere else, so the
// demo's answer to that question marks each start, the restarts after a lost life included.
constexpr const char* RECORD_FILE = "VELKGAME.CFG";
constexpr const char* GAME_OVER_TITLE = "Game over";

struct Watch {
    GameSummary* out = nullptr;
    size_t events = 0;
    std::vector<std::pair<size_t, int32_t>> arrowReads;  // the demo's input reads: event index, arrow presses
    std::vector<size_t> levelStarts;                     // event indices
    size_t nextRead = 0;
    size_t nextStart = 0;
    bool newGame = false;   // a game was begun, or a game over answered, since the last level start
    int32_t lives = 0;      // at the last level start
    int32_t score = 0;
    int64_t onHeartAt = -1; // the last picture with the arrow on the heart since then
};

Watch watch;

LevelPlay* Current() { return watch.out->levels.empty() ? nullptr : &watch.out->levels.back(); }

// The presses read up to where the game is in the demo belong to the level in play (none on the information screen).
void CountPresses() {
    const size_t taken = watch.events - DemoEventsLeft();
    for (; watch.nextRead < watch.arrowReads.size() && watch.arrowReads[watch.nextRead].first < taken; ++watch.nextRead) {
        if (LevelPlay* level = Current()) level->presses += watch.arrowReads[watch.nextRead].second;
    }
}

// Reaching the next level is what completes one: a new game (or a jump to level 16) pays no points first.
bool Completed(const LevelPlay* level) {
    return level != nullptr && !watch.newGame && gameState.level == level->level + 1 && gameState.score > watch.score;
}

void OnLevelStart(int64_t now) {
    LevelPlay* level = Current();
    if (Completed(level)) level->toHeartMs = (watch.onHeartAt >= 0 ? watch.onHeartAt : now) - level->startMs;
    if (level != nullptr && !watch.newGame && gameState.level == level->level) {
        level->livesLost += std::max(0, watch.lives - gameState.lives);
    } else {
        LevelPlay play;
        play.level = gameState.level;
        play.startMs = now;
        play.fewest = gameState.heartCol - gameState.playerCol + std::abs(gameState.heartRow - gameState.playerRow);
        watch.out->levels.push_back(play);
    }
    watch.newGame = false;
    watch.lives = gameState.lives;
    watch.score = gameState.score;
    watch.onHeartAt = -1;
    watch.out->score = std::max(watch.out->score, gameState.score);
}

void OnPresent(int64_t now, const Cell*) {
    CountPresses();
    bool started = false;
    const size_t taken = watch.events - DemoEventsLeft();
    for (; watch.nextStart < watch.levelStarts.size() && watch.levelStarts[watch.nextStart] < taken; ++watch.nextStart) {
        started = true;
    }
    if (gameState.restartRequested == 1) watch.newGame = true;  // the intro of a game begun with B or J
    if (started && gameState.infoScreenShown == 0) {
        OnLevelStart(now);
    } else if (gameState.playerCol == gameState.heartCol && gameState.playerRow == gameState.heartRow) {
        watch.onHeartAt = now;
    }
}

void OnBox(int64_t, int64_t, const char*, const char* title, unsigned, int) {
    if (std::strcmp(title, GAME_OVER_TITLE) != 0) return;
    if (LevelPlay* level = Current()) level->livesLost += 1;
    watch.newGame = true;
}

bool IsArrowPress(const InputRecord& r) {
    return r.eventType == INPUT_KEY_EVENT && r.keyDown == 1 &&
           (r.virtualKeyCode == KEY_LEFTARROW || r.virtualKeyCode == KEY_UPARROW || r.virtualKeyCode == KEY_RIGHTARROW ||
            r.virtualKeyCode == KEY_DOWNARROW);
}

// A kept game's name holds its local start time, for a demo cut off before the game read the calendar.
int64_t TimeInName(const std::string& name) {
    std::tm local{};
    char t = 0;
    if (std::sscanf(name.c_str(), "%4d-%2d-%2d%c%2d-%2d-%2d", &local.tm_year, &local.tm_mon, &local.tm_mday, &t,
                    &local.tm_hour, &local.tm_min, &local.tm_sec) != 7 || t != 'T') {
        return -1;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    return when == static_cast<std::time_t>(-1) ? -1 : static_cast<int64_t>(when);
}

// What the game's code needs fresh for each demo: every global it has, as at a process's start.
void ResetGame() {
    gameState = GameState{};
    screenBuffer = ScreenBuffer{};
    gameRandomState = 1;
    hConsoleWindow = nullptr;
}

void Finish(GameSummary& out) {
    CountPresses();
    LevelPlay* last = Current();
    if (Completed(last)) last->toHeartMs = (watch.onHeartAt >= 0 ? watch.onHeartAt : DemoClock()) - last->startMs;
    out.score = std::max(out.score, gameState.score);
    out.lengthMs = DemoClock();
    for (const LevelPlay& level : out.levels) {
        out.bestLevel = std::max(out.bestLevel, level.level);
        out.livesLost += level.livesLost;
    }
    if (last != nullptr) {
        out.startLevel = out.levels.front().level;
        out.endLevel = last->level;
    }
}

}  // namespace

bool SummariseDemo(const std::string& demoText, const std::string& name, GameSummary& out, std::string& error) {
    Demo demo;
    out = GameSummary{};
    if (!ParseDemo(demoText, name, demo, error)) return false;
    watch = Watch{};
    watch.out = &out;
    watch.events = demo.events.size();
    for (size_t i = 0; i < demo.events.size(); ++i) {
        const DemoEvent& event = demo.events[i];
        if (event.kind == DemoEventKind::Calendar && out.startCalendar < 0) out.startCalendar = event.value;
        if (event.kind == DemoEventKind::FileSize && event.name == RECORD_FILE) watch.levelStarts.push_back(i);
        if (event.kind != DemoEventKind::Read) continue;
        const auto presses = static_cast<int32_t>(std::count_if(event.records.begin(), event.records.end(), IsArrowPress));
        if (presses > 0) watch.arrowReads.emplace_back(i, presses);
    }
    if (out.startCalendar < 0) out.startCalendar = TimeInName(name);
    ResetGame();
    const Script script = ArmDemoPlayback(std::move(demo));
    SetScriptedPresentObserver(OnPresent);
    SetScriptedBoxObserver(OnBox);
    std::ostream noLog(nullptr);
    bool inStep = true;
    try {
        Replay(script, noLog);
        CheckLastDemoPictures();
        if (DemoEventsLeft() > 0) {
            throw DemoOutOfStep{"out of step at " + std::to_string(DemoClock()) + " ms: the game ended, the demo goes on"};
        }
    } catch (const DemoOutOfStep& outOfStep) {
        error = name + ": " + outOfStep.why;
        inStep = false;
    }
    Finish(out);
    SetScriptedPresentObserver(nullptr);
    SetScriptedBoxObserver(nullptr);
    StopDemo();
    return inStep;
}
