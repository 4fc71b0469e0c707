// The game state record, its resets and the random source.
#include "state/game_state.h"

#include <algorithm>
#include <iterator>

#include "console/screen.h"
#include "platform/platform.h"

GameState gameState;
uint32_t gameRandomState = 1;

void StartNewGame() {
    gameState.lives = 6;
    gameState.level = gameState.jumpStart == 1 ? 16 : 1;
    gameState.score = 0;
    gameState.highScore = 0;
    gameState.zapActive = 0;
    gameState.extraLivesAwarded = 0;
    gameState.gatePassed = 0;
}

void StartLevel() {
    gameState.playerCol = gameState.prevPlayerCol = 1;
    gameState.wallCol = gameState.prevWallCol = 118;
    gameState.playerRow = gameState.prevPlayerRow = 15;
    gameState.heartCol = gameState.prevHeartCol = 119;
    gameState.heartRow = gameState.prevHeartRow = 15;
    gameState.gateRow = gameState.prevGateRow = PlatformCalendarSeconds() % 2 == 0 ? 6 : 24;
    // Every cell a blank in the field's colour: the text cleared and every attribute reset, in one sweep.
    std::fill(std::begin(screenBuffer.cells), std::end(screenBuffer.cells), Cell{GLYPH_BLANK, ATTR_FIELD});
}

// Linear congruential generator with the classic C library constants; the sequence is part of the
// game's behaviour (gate, heart, intro colours and file filler all draw from it in order).
int GameRandom() {
    gameRandomState = gameRandomState * 214013u + 2531011u;
    return static_cast<int>((gameRandomState >> 16) & 0x7FFF);
}
