// The entry function: start-up, the level loop that rebuilds the picture, and the input loop with its timers.
#include "game/main_loop.h"

#include <cstdint>
#include <vector>

#include "console/screen.h"
#include "field/actors.h"
#include "field/wall.h"
#include "files/high_score.h"
#include "files/package_check.h"
#include "game/rules.h"
#include "platform/platform.h"
#include "screens/info_screen.h"
#include "screens/intro.h"
#include "screens/status_panel.h"
#include "sound/sound_cues.h"
#include "state/game_state.h"

namespace {

constexpr int INPUT_RETRY_PAUSE_MS = 50;
constexpr int WALL_STEP_PAUSE_MS = 60;
constexpr int HEART_PERIOD_FACTOR = 12;

struct LoopState {
    bool running = true;     // until Esc is seen
    int64_t wallTimer = 0;   // clock mark of the last wall step
    int64_t heartTimer = 0;  // clock mark of the last heart move
};

void BeginNewGame(int jumpStart) {
    gameState.infoScreenShown = 0;
    gameState.restartRequested = 1;
    gameState.jumpStart = jumpStart;
    StartNewGame();
    PlayIntro();
}

// Letter keys by character first, then Esc and the arrows by virtual key, whatever the character did.
void ApplyKey(const InputRecord& record, LoopState& loop) {
    switch (record.asciiChar) {
        case 'B': case 'b': BeginNewGame(0); break;
        case 'J': case 'j': BeginNewGame(1); break;
        case 'P': case 'p': PlatformMessageBox(hConsoleWindow, "Game paused......", "VELK Game Message", BOX_OK); break;
        case 'S': case 's': gameState.soundOn ^= 1; break;
        default: break;
    }
    switch (record.virtualKeyCode) {
        case KEY_ESCAPE: loop.running = false; break;
        case KEY_LEFTARROW: MovePlayerLeft(); break;
        case KEY_UPARROW: MovePlayerUp(); break;
        case KEY_RIGHTARROW: MovePlayerRight(); break;
        case KEY_DOWNARROW: MovePlayerDown(); break;
        default: break;
    }
}

// Asks for the number of pending records, once more after a short pause if the console fails.
bool CountPendingInput(uint32_t* pending) {
    if (PlatformCountInput(pending)) return true;
    PlatformSleep(INPUT_RETRY_PAUSE_MS);
    return PlatformCountInput(pending) != 0;
}

bool TimerExpired(int64_t mark, int period) {
    // Compared in floating point, as elapsed milliseconds against the period; equality does not fire.
    return static_cast<double>(PlatformMilliseconds() - mark) > static_cast<double>(period);
}

// The first clock reading at which a timer fires: a whole millisecond past its period.
int64_t NextTimerDue(const LoopState& loop) {
    const int64_t wallDue = loop.wallTimer + WallPeriod() + 1;
    const int64_t heartDue = loop.heartTimer + HEART_PERIOD_FACTOR * WallPeriod() + 1;
    return wallDue < heartDue ? wallDue : heartDue;
}

enum PassEnd { PASS_CONTINUE, PASS_NEW_LEVEL, PASS_KEYBOARD_FAILED };

// One input pass: the batch of keys, the rules and the two timers.
PassEnd RunInputPass(LoopState& loop) {
    uint32_t pending = 0;
    if (!CountPendingInput(&pending)) return PASS_KEYBOARD_FAILED;

    if (pending > 0) {
        std::vector<InputRecord> batch(pending);
        uint32_t read;  // set by every read that succeeds
        if (PlatformReadInput(batch.data(), pending, &read)) {
            // The whole batch is walked, even after Esc or a restart.
            for (uint32_t i = 0; i < read && i < pending; ++i) {
                if (batch[i].eventType == INPUT_KEY_EVENT && batch[i].keyDown == 1) ApplyKey(batch[i], loop);
            }
        }
        if (gameState.restartRequested == 1) {
            // Keys pressed during the intro stay queued for the new game.
            gameState.restartRequested = 0;
            return PASS_NEW_LEVEL;
        }
        PlatformFlushInput();
    }

    if (gameState.infoScreenShown == 1) {
        // Nothing on the information screen changes by itself: only a key is worth waking for.
        if (pending == 0) PlatformWaitForInput(NO_DEADLINE);
        return PASS_NEW_LEVEL;
    }

    const RuleOutcome outcome = ApplyRules();
    if (outcome == RULES_LEVEL_COMPLETE || outcome == RULES_LIFE_LOST) return PASS_NEW_LEVEL;

    // A pass that read a key, passed the gate or fired a timer may be followed by one that does something too;
    // only after one that did nothing can nothing happen before a key or the next timer.
    bool acted = pending > 0 || outcome == RULES_GATE_PASSED;
    if (TimerExpired(loop.wallTimer, WallPeriod())) {
        acted = true;
        loop.wallTimer = PlatformMilliseconds();
        UpdateZap();
        StepWall();
        PresentScreen();
        PlayCue(gameState.zapActive == 1 ? CUE_ZAPPING_WALL_STEP : CUE_WALL_STEP);
        PlatformSleep(WALL_STEP_PAUSE_MS);
    }
    if (TimerExpired(loop.heartTimer, HEART_PERIOD_FACTOR * WallPeriod())) {
        acted = true;
        loop.heartTimer = PlatformMilliseconds();
        DriftHeart();
    }
    if (!acted) PlatformWaitForInput(NextTimerDue(loop));
    return PASS_CONTINUE;
}

void BuildLevelPicture() {
    StartLevel();
    if (gameState.infoScreenShown == 1) {
        DrawInfoScreen();
    } else {
        LoadHighScore(hConsoleWindow);
        DrawStatusPanel();
        StepWall();
        DrawPlayer();
        DrawHeart();
    }
    PresentScreen();
}

}  // namespace

int GameMain() {
    if (!CheckPackage()) PlatformExitProcess(0);
    gameState.soundOn = 1;
    gameState.infoScreenShown = 1;
    SetUpConsole();
    StartNewGame();

    LoopState loop;
    while (loop.running) {
        BuildLevelPicture();
        loop.wallTimer = PlatformMilliseconds();
        loop.heartTimer = PlatformMilliseconds();

        PassEnd end;
        do {
            end = RunInputPass(loop);
        } while (end == PASS_CONTINUE && loop.running);
        if (end == PASS_KEYBOARD_FAILED) {
            PlatformMessageBox(hConsoleWindow, "Keyboard input failed. Program will close.", "VELK Game Error", BOX_OK);
            return 1;
        }
    }
    InjectExitKey();
    return 1;
}
