// The playing field: the wall and its gate, zapping, the arrow, the heart and the status rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

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

TEST_F(Field, WallStyleAndZappingChangeAtTheseLevels) {
    // zap: whether the gate zaps in calendar seconds ending in `second`
    struct Case { int level; uint8_t glyph; int period, second, zap; } const cases[] = {
        {1, 0xC3, 700, 0, 0}, {2, 0xB4, 550, 0, 0}, {3, 0xB4, 550, 0, 0}, {4, 0x08, 400, 0, 0}, {6, 0x08, 400, 0, 0},
        {7, 0xB1, 250, 0, 0}, {10, 0xB1, 250, 0, 0}, {11, 0xDB, 170, 0, 0}, {15, 0xDB, 170, 0, 0}, {16, 0xC3, 700, 5, 1},
        {20, 0xDB, 170, 4, 0}, {21, 0xC3, 700, 4, 1}, {25, 0xDB, 170, 4, 1}, {26, 0xC3, 700, 4, 0}, {30, 0xDB, 170, 3, 1},
        {31, 0xC3, 700, 3, 0}, {35, 0xDB, 170, 1, 0}, {36, 0xDB, 170, 0, 0}, {36, 0xDB, 170, 1, 1},
    };
    for (const Case& c : cases) {
        Arm("epoch " + std::to_string(1800000000 + c.second) + "\n");
        gameState.level = c.level;
        gameState.zapActive = 1 - c.zap;
        UpdateZap();
        EXPECT_EQ(WallGlyphForLevel(), c.glyph) << c.level;
        EXPECT_EQ(WallPeriod(), c.period) << c.level;
        EXPECT_EQ(gameState.zapActive, c.zap) << "level " << c.level << " second " << c.second;
    }
}

TEST_F(Field, ANewGameAfterAZappingGateStartsWithItOpen) {
    // Level 16's first step zaps (second 5); 'b' then starts level 1 at 9400, its gate on rows 23-25.
    const GameRun run = Run("at 10 key j\nat 5100 key b\nend 9500\n");
    EXPECT_EQ(run.Row(24).find("├"), std::string::npos) << run.screen;
}

TEST_F(Field, StepWallErasesAdvancesAndMovesTheGateWithinTheScreen) {
    // up: the draw's parity; an even draw moves the gate up
    struct Case { int gateRow; bool up; int zap, expected; } const cases[] = {
        {0, true, 0, 0}, {1, true, 1, 0}, {0, false, 0, 1}, {29, false, 1, 29}, {29, true, 0, 28}, {15, false, 0, 16}};
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.level = 1;
        gameState.wallCol = 50;
        gameState.prevWallCol = 51;
        gameState.gateRow = c.gateRow;
        gameState.prevGateRow = -1;  // where an earlier step left it
        gameState.zapActive = c.zap;
        for (int row = 0; row < SCREEN_ROWS; ++row) CellAt(row, 51) = Cell{0xC3, ATTR_TEXT};
        NextDrawIs(c.up);
        StepWall();
        EXPECT_EQ(gameState.gateRow, c.expected) << c.gateRow;
        EXPECT_EQ(gameState.prevGateRow, c.expected != c.gateRow ? c.gateRow : -1) << "the centre before a move";
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
        {0, 5, MovePlayerLeft, 0, 5},     {1, 5, MovePlayerLeft, 0, 5},   {118, 5, MovePlayerRight, 118, 5},
        {118, 15, MovePlayerRight, 119, 15}, {119, 15, MovePlayerRight, 119, 15}, {40, 0, MovePlayerUp, 40, 0},  {40, 1, MovePlayerUp, 40, 0},
        {40, 29, MovePlayerDown, 40, 29}, {119, 15, MovePlayerDown, 119, 16},
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();  // the heart on row 15
        gameState.playerCol = gameState.prevPlayerCol = c.col;
        gameState.playerRow = gameState.prevPlayerRow = c.row;
        c.move();
        EXPECT_EQ(std::make_pair(gameState.playerCol, gameState.playerRow), std::make_pair(c.colAfter, c.rowAfter));
        const bool moved = c.colAfter != c.col || c.rowAfter != c.row;
        EXPECT_EQ(Logged().find("present") != std::string::npos, moved) << "every accepted move is shown at once";
        if (moved) {
            EXPECT_EQ(CellAt(c.rowAfter, c.colAfter).character, GLYPH_PLAYER);
            EXPECT_EQ(CellAt(c.row, c.col).character, GLYPH_BLANK);
        }
    }
}

TEST_F(Field, ASecondMoveErasesTheArrowWhereTheFirstLeftIt) {
    Arm();
    StartLevel();  // the arrow at (15, 1)
    MovePlayerDown();
    MovePlayerRight();
    EXPECT_EQ(CellAt(16, 1).character, GLYPH_BLANK);
    EXPECT_EQ(CellAt(16, 2).character, GLYPH_PLAYER);
}

TEST_F(Field, TheHeartDriftsByFiveRowsWithinTheScreen) {
    struct Case { int row; bool up; int rowAfter; } const cases[] = {{0, true, 0}, {0, false, 5}, {25, false, 25}, {25, true, 20}};
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
    // colours: one letter a cell, T label, V value, B an extra life's arrow, then the field's blanks
    struct Case { int highScore, score, lives, extra, level; const char* lifeColours; } const cases[] = {
        {1200, 4100, 3, 2, 7, "BBV"}, {-5, -300, 0, 0, 2, ""}, {0, 0, 140, 140, 1, nullptr}};  // 103 arrows fill the row, none spill over
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.level = c.level, gameState.score = c.score, gameState.highScore = c.highScore;
        gameState.lives = c.lives, gameState.extraLivesAwarded = c.extra;
        DrawStatusPanel();
        const std::string lives = c.lifeColours ? c.lifeColours : std::string(103, 'B');
        const std::string rows[4] = {" Record high score: " + std::to_string(c.highScore),
                                     " Your current score: " + std::to_string(c.score),
                                     " Lives remained: " + std::string(lives.size(), '\x10'),
                                     " Current level: " + std::to_string(c.level)};
        for (int r = 0; r < 4; ++r) {
            std::string text, colours;
            for (int col = 0; col < SCREEN_COLS; ++col) {
                text += static_cast<char>(CellAt(r + 1, col).character);
                const uint16_t a = CellAt(r + 1, col).attribute;
                colours += a == ATTR_TEXT ? 'T' : a == ATTR_VALUE ? 'V' : a == ATTR_BONUS_LIFE ? 'B' : a == ATTR_FIELD ? '_' : '?';
            }
            const std::string& row = rows[r];
            const size_t label = row.find(':') + 2;
            const std::string expected = std::string(label, 'T') + (r == 2 ? lives : std::string(row.size() - label, 'V'));
            EXPECT_EQ(text, row + std::string(SCREEN_COLS - row.size(), ' ')) << c.lives;
            EXPECT_EQ(colours, expected + std::string(SCREEN_COLS - expected.size(), '_')) << c.lives;
        }
    }
}

}  // namespace
