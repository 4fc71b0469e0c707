// The playing field: the wall and its gate, zapping, the arrow, the heart and the status rows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "console/screen.h"
#include "field/actors.h"
#include "state/game_state.h"
#include "field/wall.h"
#include "scripted_game.h"
#include "screens/status_panel.h"

namespace {

using Field = ScriptedGame;

// Draws until the next value of the random source has the wanted parity.
void NextDrawIs(bool even) {
    uint32_t saved = gameRandomState;
    while ((GameRandom() % 2 == 0) != even) saved = gameRandomState;
    gameRandomState = saved;
}

TEST_F(Field, WallStylesByLevel) {
    struct Case { int level, style; uint8_t glyph; int period; } const cases[] = {
        {1, 1, 0xC3, 700},  {3, 2, 0xB4, 550},  {6, 3, 0x08, 400},  {10, 4, 0xB1, 250},
        {15, 5, 0xDB, 170}, {16, 1, 0xC3, 700}, {35, 5, 0xDB, 170}, {36, 5, 0xDB, 170},
    };
    for (const Case& c : cases) {
        gameState.level = c.level;
        EXPECT_EQ(WallGlyphForLevel(), c.glyph) << c.level;
        EXPECT_EQ(gameState.wallStyle, c.style) << c.level;
        EXPECT_EQ(WallPeriod(), c.period) << c.level;
    }
}

TEST_F(Field, ZapByLevelAndSecond) {
    struct Case { int level, second, zap; } const cases[] = {
        {15, 0, 0}, {16, 0, 1}, {16, 5, 1}, {20, 4, 0}, {21, 4, 1}, {21, 8, 1}, {25, 5, 0}, {26, 9, 1},
        {30, 3, 1}, {30, 4, 0}, {31, 2, 1}, {35, 7, 0}, {36, 0, 0}, {36, 1, 1},
    };
    for (const Case& c : cases) {
        Arm("epoch " + std::to_string(1800000000 + c.second) + "\n");
        gameState.level = c.level;
        gameState.zapActive = 1 - c.zap;
        UpdateZap();
        EXPECT_EQ(gameState.zapActive, c.zap) << "level " << c.level << " second " << c.second;
    }
}

TEST_F(Field, StepWallErasesAdvancesAndMovesTheGateWithinTheScreen) {
    // up: the draw's parity; an even draw moves the gate up
    struct Case { int gateRow; bool up; int zap, expected; } const cases[] = {
        {0, true, 0, 0}, {1, true, 1, 0}, {0, false, 0, 1}, {29, false, 1, 29}, {29, true, 0, 28}, {15, false, 0, 16}
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.level = 1;
        gameState.wallCol = 50;
        gameState.prevWallCol = 51;
        gameState.gateRow = gameState.prevGateRow = c.gateRow;
        gameState.zapActive = c.zap;
        for (int row = 0; row < SCREEN_ROWS; ++row) CellAt(row, 51) = Cell{0xC3, ATTR_TEXT};
        NextDrawIs(c.up);
        StepWall();
        EXPECT_EQ(gameState.gateRow, c.expected) << c.gateRow;
        EXPECT_EQ(gameState.prevGateRow, c.gateRow) << "the centre before the move, or unchanged";
        for (int row = 0; row < SCREEN_ROWS; ++row) {
            EXPECT_EQ(CellAt(row, 51).character, GLYPH_BLANK);
            const bool inGate = std::abs(row - c.expected) <= 1;
            EXPECT_EQ(CellAt(row, 49).character, inGate && !c.zap ? GLYPH_BLANK : 0xC3) << c.gateRow << " row " << row;
            EXPECT_EQ(CellAt(row, 49).attribute, inGate ? ATTR_ACTOR : ATTR_TEXT) << c.gateRow << " row " << row;
        }
    }
}

TEST_F(Field, ArrowMovesRespectTheirLimits) {
    struct Case { int col, row; void (*move)(); int colAfter, rowAfter; } const cases[] = {
        {0, 5, MovePlayerLeft, 0, 5},     {5, 5, MovePlayerLeft, 4, 5},   {118, 5, MovePlayerRight, 118, 5},
        {118, 15, MovePlayerRight, 119, 15}, {40, 0, MovePlayerUp, 40, 0},  {40, 1, MovePlayerUp, 40, 0},
        {40, 29, MovePlayerDown, 40, 29}, {119, 15, MovePlayerDown, 119, 16},
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();  // the heart on row 15
        gameState.playerCol = gameState.prevPlayerCol = c.col;
        gameState.playerRow = gameState.prevPlayerRow = c.row;
        c.move();
        EXPECT_EQ(gameState.playerCol, c.colAfter);
        EXPECT_EQ(gameState.playerRow, c.rowAfter);
        const bool moved = c.colAfter != c.col || c.rowAfter != c.row;
        EXPECT_EQ(Logged().find("present") != std::string::npos, moved) << "every accepted move is shown at once";
        if (moved) {
            EXPECT_EQ(CellAt(c.rowAfter, c.colAfter).character, GLYPH_PLAYER);
            EXPECT_EQ(CellAt(c.row, c.col).character, GLYPH_BLANK);
        }
    }
}

TEST_F(Field, TheHeartDriftsByFiveRowsWithinTheScreen) {
    struct Case { int row; bool up; int rowAfter; } const cases[] = {
        {0, true, 0}, {0, false, 5}, {25, false, 25}, {25, true, 20}
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        NextDrawIs(c.up);
        gameState.heartRow = gameState.prevHeartRow = c.row;
        DriftHeart();
        EXPECT_EQ(gameState.heartRow, c.rowAfter);
        EXPECT_EQ(CellAt(c.rowAfter, 119).character, GLYPH_HEART);
        EXPECT_NE(Logged().find("present"), std::string::npos) << "presented even when it stayed";
    }
}

TEST_F(Field, StatusRowsTextAndColours) {
    struct Case { int highScore, score, lives, extra, level; int arrows, bonusCells; } const cases[] = {
        {1200, 4100, 3, 2, 7, 3, 2},
        {-5, -300, 0, 0, 2, 0, 0},
        {0, 0, 104, 104, 1, 103, 103},  // as many arrows as the row holds
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.highScore = c.highScore;
        gameState.score = c.score;
        gameState.lives = c.lives;
        gameState.extraLivesAwarded = c.extra;
        gameState.level = c.level;
        DrawStatusPanel();
        const std::string rows[4] = {" Record high score: " + std::to_string(c.highScore),
                                     " Your current score: " + std::to_string(c.score),
                                     " Lives remained: " + std::string(static_cast<size_t>(c.arrows), '\x10'),
                                     " Current level: " + std::to_string(c.level)};
        for (int r = 0; r < 4; ++r) {
            for (int col = 0; col < SCREEN_COLS; ++col) {
                const Cell cell = CellAt(r + 1, col);
                uint16_t attribute = col < static_cast<int>(rows[r].find(':')) + 2 ? ATTR_TEXT : ATTR_VALUE;
                if (r == 2 && col >= 17 && col < 17 + c.bonusCells) attribute = ATTR_BONUS_LIFE;
                if (col >= static_cast<int>(rows[r].size())) attribute = ATTR_FIELD;
                const uint8_t glyph = col < static_cast<int>(rows[r].size()) ? rows[r][col] : GLYPH_BLANK;
                if (cell.character != glyph || cell.attribute != attribute) {
                    ADD_FAILURE() << "lives " << c.lives << ": cell (" << r + 1 << ", " << col << ")";
                    break;
                }
            }
        }
    }
}

}  // namespace
