// The entry function: start-up, the level loop that rebuilds the picture, and the input loop with its timers.
#include "game/main_loop.h"

#include <cstdint>
#include <vector>

#include "console/screen.h"
#include "files/high_score.h"
#include "files/package_check.h"
#include "game/actors.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "game/wall.h"
#include "platform/platform.h"
#include "screens/info_screen.h"
#include "screens/intro.h"
#include "screens/status_panel.h"
#include "sound/sound_cues.h"

namespace {

constexpr uint16_t VK_ESCAPE = 0x1B;
constexpr uint16_t VK_LEFT = 0x25;
constexpr uint16_t VK_UP = 0x26;
constexpr uint16_t VK_RIGHT = 0x27;
constexpr uint16_t VK_DOWN = 0x28;
constexpr int INPUT_RETRY_PAUSE_MS = 50;
constexpr int WALL_STEP_PAUSE_MS = 60;
constexpr int HEART_PERIOD_FACTOR = 12;

bool running;        // true from start-up until Esc is seen
int64_t wallTimer;   // clock mark of the last wall step
int64_t heartTimer;  // clock mark of the last heart move

void BeginNewGame(int jumpStart) {
    gameState.infoScreenShown = 0;
    gameState.restartRequested = 1;
    gameState.jumpStart = jumpStart;
    StartNewGame();
    PlayIntro();
}

// Letter keys by character first, then Esc and the arrows by virtual key, whatever the character did.
void ApplyKey(const InputRecord& record) {
    switch (record.asciiChar) {
        case 'B': case 'b': BeginNewGame(0); break;
        case 'J': case 'j': BeginNewGame(1); break;
        case 'P': case 'p': PlatformMessageBox(hConsoleWindow, "Game paused......", "VELK Game Message", BOX_OK); break;
        case 'S': case 's': gameState.soundOn ^= 1; break;
        default: break;
    }
    switch (record.virtualKeyCode) {
        case VK_ESCAPE: running = false; break;
        case VK_LEFT: MovePlayerLeft(); break;
        case VK_UP: MovePlayerUp(); break;
        case VK_RIGHT: MovePlayerRight(); break;
        case VK_DOWN: MovePlayerDown(); break;
        default: break;
    }
}

// Asks for the number of pending records, once more after a short pause if the console fails.
bool CountPendingInput(uint32_t* pending) {
    if (PlatformCountInput(pending)) return true;
    Pause(INPUT_RETRY_PAUSE_MS);
    return PlatformCountInput(pending) != 0;
}

bool TimerExpired(int64_t mark, int period) {
    // Compared in floating point, as elapsed milliseconds against the period; equality does not fire.
    return static_cast<double>(MillisecondClock() - mark) > static_cast<double>(period);
}

// The first clock reading at which a timer fires: a whole millisecond past its period.
int64_t NextTimerDue() {
    const int64_t wallDue = wallTimer + WallPeriod() + 1;
    const int64_t heartDue = heartTimer + HEART_PERIOD_FACTOR * WallPeriod() + 1;
    return wallDue < heartDue ? wallDue : heartDue;
}

enum PassEnd { PASS_CONTINUE, PASS_NEW_LEVEL, PASS_KEYBOARD_FAILED };

// One input pass: the batch of keys, the rules and the two timers.
PassEnd RunInputPass() {
    uint32_t pending = 0;
    if (!CountPendingInput(&pending)) return PASS_KEYBOARD_FAILED;

    if (pending > 0) {
        std::vector<InputRecord> batch(pending);
        uint32_t read = 0;
        if (PlatformReadInput(batch.data(), pending, &read)) {
            // The whole batch is walked, even after Esc or a restart.
            for (uint32_t i = 0; i < read && i < pending; ++i) {
                if (batch[i].eventType == INPUT_KEY_EVENT && batch[i].keyDown == 1) ApplyKey(batch[i]);
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

    if (ApplyRules() != RULES_CONTINUE) return PASS_NEW_LEVEL;

    bool timerFired = false;
    if (TimerExpired(wallTimer, WallPeriod())) {
        timerFired = true;
        wallTimer = MillisecondClock();
        UpdateZap();
        StepWall();
        PresentScreen();
        PlayCue(gameState.zapActive == 1 ? 5 : 2);
        Pause(WALL_STEP_PAUSE_MS);
    }
    if (TimerExpired(heartTimer, HEART_PERIOD_FACTOR * WallPeriod())) {
        timerFired = true;
        heartTimer = MillisecondClock();
        DriftHeart();
    }
    if (pending == 0 && !timerFired) PlatformWaitForInput(NextTimerDue());
    return PASS_CONTINUE;
}

void BuildLevelPicture() {
    ClearScreenText();
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
    gameState.restartRequested = 0;
    SetUpConsole();
    running = true;
    StartNewGame();

    while (running) {
        BuildLevelPicture();
        wallTimer = MillisecondClock();
        heartTimer = MillisecondClock();

        PassEnd end;
        do {
            end = RunInputPass();
        } while (end == PASS_CONTINUE && running);
        if (end == PASS_KEYBOARD_FAILED) {
            PlatformMessageBox(hConsoleWindow, "Keyboard input failed. Program will close.", "VELK Game Error", BOX_OK);
            return 1;
        }
    }
    InjectExitKey();
    return 1;
}
