// Passage through the gate, collisions with the wall, level completion, lives and the game-over box.
#include "game/rules.h"

#include "console/screen.h"
#include "files/high_score.h"
#include "platform/platform.h"
#include "sound/sound_cues.h"
#include "state/game_state.h"

namespace {

constexpr int POINTS_PER_LEVEL = 100;
constexpr int POINTS_PER_EXTRA_LIFE = 2000;
constexpr int LEVEL_COMPLETE_PAUSE_MS = 1600;
constexpr int LIFE_LOST_PAUSE_MS = 1600;
constexpr int GATE_PASSAGE_PAUSE_MS = 260;

bool RowInGate(int centreRow) {
    return gameState.playerRow >= centreRow - 1 && gameState.playerRow <= centreRow + 1;
}

void PassGate() {
    gameState.gatePassed = 1;
    PlayCue(CUE_GATE_PASSED);
    PlatformSleep(GATE_PASSAGE_PAUSE_MS);
}

void CompleteLevel() {
    gameState.gatePassed = 0;
    PlayCue(CUE_LEVEL_COMPLETE);
    PlatformSleep(LEVEL_COMPLETE_PAUSE_MS);
    gameState.score += gameState.level * POINTS_PER_LEVEL;
    // The record on screen is refreshed from the file at the next level start.
    if (gameState.score > gameState.highScore) SaveHighScore(gameState.score);
    gameState.level += 1;
    // At most one life per level, even when two thresholds are crossed at once.
    if (gameState.score / POINTS_PER_EXTRA_LIFE > gameState.extraLivesAwarded) {
        gameState.extraLivesAwarded = gameState.score / POINTS_PER_EXTRA_LIFE;
        gameState.lives += 1;
    }
}

enum WallVerdict { WALL_SAFE, WALL_PASSED, WALL_HIT };

// Judges the arrow against the wall and its gate.
WallVerdict JudgeWall() {
    const bool inWallColumn = gameState.playerCol == gameState.wallCol;
    // Beyond the wall without having been seen in its column, e.g. several Right presses in one batch.
    const bool jumpedWall = gameState.playerCol > gameState.wallCol && gameState.gatePassed == 0;
    if (gameState.zapActive == 1) return inWallColumn || jumpedWall ? WALL_HIT : WALL_SAFE;
    if (!inWallColumn && !jumpedWall) return WALL_SAFE;
    if (!RowInGate(inWallColumn ? gameState.gateRow : gameState.prevGateRow)) return WALL_HIT;
    PassGate();
    return WALL_PASSED;
}

void AskPlayAgain(WindowHandle owner) {
    const int answer = PlatformMessageBox(owner, "VELK Game is over\nDo you want to try again?", "Game over",
                                          BOX_OKCANCEL | BOX_TOPMOST);
    if (answer == BOX_ANSWER_CANCEL) {
        InjectExitKey();
        PlatformExitProcess(0);
    }
}

void LoseLife(WindowHandle owner) {
    gameState.gatePassed = 0;
    PlayCue(CUE_LIFE_LOST);
    PlatformSleep(LIFE_LOST_PAUSE_MS);
    if (gameState.lives < 2) {
        PlatformBringToFront(owner);
        AskPlayAgain(owner);
        StartNewGame();
    } else {
        gameState.lives -= 1;
    }
}

}  // namespace

RuleOutcome ApplyRules() {
    if (gameState.playerCol == gameState.heartCol && gameState.playerRow == gameState.heartRow) {
        CompleteLevel();
        return RULES_LEVEL_COMPLETE;
    }
    // The wall in column 0 costs a life wherever the arrow is, also after a passage.
    const WallVerdict verdict = JudgeWall();
    if (verdict == WALL_HIT || gameState.wallCol == 0) {
        LoseLife(hConsoleWindow);
        return RULES_LIFE_LOST;
    }
    return verdict == WALL_PASSED ? RULES_GATE_PASSED : RULES_CONTINUE;
}

void InjectExitKey() { PlatformTypeCharacter('x'); }
