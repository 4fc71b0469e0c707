// The player's arrow and the heart.
#include "field/actors.h"

#include "console/screen.h"
#include "state/game_state.h"

void DrawPlayer() {
    CellAt(gameState.prevPlayerRow, gameState.prevPlayerCol).character = GLYPH_BLANK;
    CellAt(gameState.playerRow, gameState.playerCol) = Cell{GLYPH_PLAYER, ATTR_ACTOR};
}

void DrawHeart() {
    CellAt(gameState.prevHeartRow, gameState.prevHeartCol).character = GLYPH_BLANK;
    CellAt(gameState.heartRow, gameState.heartCol) = Cell{GLYPH_HEART, ATTR_ACTOR};
}

// Every accepted move is shown at once; a key at its limit draws nothing.
static void ShowPlayerMove() {
    DrawPlayer();
    PresentScreen();
    gameState.prevPlayerCol = gameState.playerCol;
    gameState.prevPlayerRow = gameState.playerRow;
}

void MovePlayerLeft() {
    if (gameState.playerCol > 0) {
        gameState.playerCol -= 1;
        ShowPlayerMove();
    }
}

void MovePlayerRight() {
    // Only the heart's row lets the arrow into the last column.
    const int limit = gameState.playerRow == gameState.heartRow ? 119 : 118;
    if (gameState.playerCol < limit) {
        gameState.playerCol += 1;
        ShowPlayerMove();
    }
}

void MovePlayerUp() {
    if (gameState.playerRow > 0) {
        gameState.playerRow -= 1;
        ShowPlayerMove();
    }
}

void MovePlayerDown() {
    if (gameState.playerRow < 29) {
        gameState.playerRow += 1;
        ShowPlayerMove();
    }
}

void DriftHeart() {
    const int r = GameRandom();
    if (r % 2 == 0) {
        if (gameState.heartRow > 0) gameState.heartRow -= 5;
    } else {
        if (gameState.heartRow < 25) gameState.heartRow += 5;
    }
    // Redrawn and presented even when it stayed put.
    DrawHeart();
    PresentScreen();
    gameState.prevHeartCol = gameState.heartCol;
    gameState.prevHeartRow = gameState.heartRow;
}
