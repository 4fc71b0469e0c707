// The game's variables, the new-game and level-start resets, and the random source.
#pragma once

#include <cstdint>

struct GameState {
    int32_t level;              // current level, from 1
    int32_t score;              // points of this game
    int32_t highScore;          // the record as last read from the high-score file
    int32_t lives;              // lives left
    int32_t extraLivesAwarded;  // 2,000-point thresholds already rewarded in this game
    int32_t playerCol;          // the arrow's cell
    int32_t playerRow;
    int32_t prevPlayerCol;      // where the arrow was last drawn
    int32_t prevPlayerRow;
    int32_t wallCol;            // the wall's column
    int32_t prevWallCol;        // the column the wall was last drawn in
    int32_t wallStyle;          // 1-5: the wall's glyph and speed for the level
    int32_t gateRow;            // centre row of the gate
    int32_t prevGateRow;        // its centre row before its last move
    int32_t gatePassed;         // the arrow has gone through the gate of the current wall
    int32_t zapActive;          // the gate is zapping (closed)
    int32_t heartCol;           // the heart's cell
    int32_t heartRow;
    int32_t prevHeartCol;       // where the heart was last drawn
    int32_t prevHeartRow;
    int32_t soundOn;            // sound cues are played
    int32_t infoScreenShown;    // the information screen is shown instead of a game
    int32_t jumpStart;          // new games start at level 16
    int32_t restartRequested;   // a new game was started from the keyboard in the current input pass
};

extern GameState gameState;      // every variable of the game, for the whole process
extern uint32_t gameRandomState; // state of GameRandom; 1 at process start, never reseeded

void StartNewGame();
void StartLevel();
int GameRandom();

