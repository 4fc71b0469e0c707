// Gameplay end to end: the arrow and the heart, the wall and its gate, zapping, the rules and the status rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "console/screen.h"
#include "game/actors.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "game/wall.h"
#include "scripted_game.h"
#include "screens/status_panel.h"

namespace {

InputRecord Key(uint16_t virtualKey) { return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, 0}; }
constexpr uint16_t UP = 0x26, RIGHT = 0x27, DOWN = 0x28;

// A scripted player that reads the game and presses one key per input pass, steering through the gate
// and on to the heart. Strategies for the special cases are switched on by the tests.
struct Bot {
    enum Goal { WIN, WAIT_BEYOND_WALL, JUMP_WALL_ON_PREVIOUS_GATE } goal = WIN;
    bool heartRowAtWallZero = false;  // WAIT_BEYOND_WALL: park beside the heart and take it when the wall hits 0

    void Act() {
        const GameState& g = gameState;
        if (g.infoScreenShown == 1) return;
        if (g.playerCol < g.wallCol) {
            ApproachGate();
            return;
        }
        if (g.playerCol == g.wallCol) {  // in the gate: straight on, before it moves away
            ScriptedPressKey(Key(RIGHT));
            return;
        }
        if (g.playerRow != g.heartRow) {
            ScriptedPressKey(Key(g.playerRow < g.heartRow ? DOWN : UP));
        } else if (g.playerCol < 118 || (goal == WIN) || (heartRowAtWallZero && g.wallCol == 0)) {
            ScriptedPressKey(Key(RIGHT));
        }
    }

    void ApproachGate() {
        const GameState& g = gameState;
        if (goal == JUMP_WALL_ON_PREVIOUS_GATE) {
            // Two Rights in one batch from beside the wall, on a row only the gate's previous place covers.
            const int target = g.prevGateRow - 1;
            if (g.playerCol < g.wallCol - 1) {
                if (g.playerRow != g.gateRow) ScriptedPressKey(Key(g.playerRow < g.gateRow ? DOWN : UP));
                else ScriptedPressKey(Key(RIGHT));
            } else if (g.gateRow == g.prevGateRow + 1 && g.playerRow == target) {
                ScriptedPressKey(Key(RIGHT));
                ScriptedPressKey(Key(RIGHT));
                jumped = true;
            } else if (g.playerRow != g.gateRow) {
                ScriptedPressKey(Key(g.playerRow < g.gateRow ? DOWN : UP));
            } else if (g.gateRow == g.prevGateRow + 1 && target >= 0) {
                ScriptedPressKey(Key(UP));
                ScriptedPressKey(Key(UP));
            }
            return;
        }
        // Keep to the gate's row; the gate moves at most one row a wall step, the arrow one row a pass.
        if (g.playerRow != g.gateRow) ScriptedPressKey(Key(g.playerRow < g.gateRow ? DOWN : UP));
        else if (g.zapActive == 0) ScriptedPressKey(Key(RIGHT));
    }

    bool jumped = false;
};

class Gameplay : public ScriptedGame {
protected:
    // Runs a script with the bot pressing keys.
    GameRun RunWithBot(Bot& bot, const std::string& script) {
        SetScriptedInputHook([&bot](int64_t) { bot.Act(); });
        return Run(script);
    }

    // Arms the scripted platform for direct calls of the game's operations.
    void Arm(const std::string& text = "") {
        std::string error;
        ASSERT_TRUE(ParseScript(text, "armed", armedScript, error)) << error;
        ResetGameGlobals();
        gameState.soundOn = 1;
        armedLog.str("");
        ScriptedBegin(armedScript, armedLog);
    }
    std::string Logged() const { return armedLog.str(); }

    Script armedScript;
    std::ostringstream armedLog;
};

TEST_F(Gameplay, BotCompletesFiveLevelsInARowOfABGame) {
    Bot bot;
    const GameRun run = RunWithBot(bot, "at 10 key b\nend 400000\n");
    const auto completions = run.Find("cue VELKGSND6");
    ASSERT_GE(completions.size(), 5u) << run.Texts();
    const auto lost = run.Find("cue VELKGSND4");
    EXPECT_TRUE(lost.empty() || lost.front().time > completions[4].time) << run.Texts();
    // Every completion follows a passage, and each level pays level x 100.
    EXPECT_GE(run.Find("cue VELKGSND3").size(), 5u);
    EXPECT_GE(gameState.level, 6);
    EXPECT_GE(gameState.score, 1500);
    // The level after the first completion reads the saved record back from the file.
    EXPECT_NE(run.screen.find(" Record high score: "), std::string::npos);
}

TEST_F(Gameplay, AnArrowThatJumpsTheWallIsJudgedByTheGatesPreviousPlace) {
    Bot bot;
    bot.goal = Bot::JUMP_WALL_ON_PREVIOUS_GATE;
    const GameRun run = RunWithBot(bot, "at 10 key b\nend 60000\n");
    ASSERT_TRUE(bot.jumped) << "the gate never stepped down while the arrow waited";
    const auto passages = run.Find("cue VELKGSND3");
    ASSERT_FALSE(passages.empty()) << run.Texts();
    const auto lost = run.Find("cue VELKGSND4");
    EXPECT_TRUE(lost.empty() || lost.front().time > passages.front().time);
}

TEST_F(Gameplay, TheWallInColumnZeroCostsALifeEvenBeyondTheWall) {
    Bot bot;
    bot.goal = Bot::WAIT_BEYOND_WALL;
    const GameRun run = RunWithBot(bot, "epoch 1800000001\nat 10 key b\nend 100000\n");
    const auto passages = run.Find("cue VELKGSND3");
    const auto lost = run.Find("cue VELKGSND4");
    ASSERT_FALSE(passages.empty()) << run.Texts();
    ASSERT_FALSE(lost.empty()) << run.Texts();
    EXPECT_TRUE(run.Find("cue VELKGSND6").empty());
    // The wall starts in column 117, so the 117th timed step brings it to column 0; the next pass
    // (after the step's 60 ms pause) takes the life.
    const auto steps = run.Find("cue VELKGSND2");
    ASSERT_GE(steps.size(), 117u);
    EXPECT_EQ(lost.front().time, steps[116].time + 61);
}

TEST_F(Gameplay, TheHeartWinsInThePassInWhichTheWallReachesColumnZero) {
    Bot bot;
    bot.goal = Bot::WAIT_BEYOND_WALL;
    bot.heartRowAtWallZero = true;
    const GameRun run = RunWithBot(bot, "at 10 key b\nend 100000\n");
    const auto won = run.Find("cue VELKGSND6");
    ASSERT_FALSE(won.empty()) << run.Texts();
    EXPECT_TRUE(run.Find("cue VELKGSND4").empty() || run.Find("cue VELKGSND4").front().time > won.front().time);
    const auto steps = run.Find("cue VELKGSND2");
    ASSERT_GE(steps.size(), 117u);
    EXPECT_EQ(won.front().time, steps[116].time + 61);
}

TEST_F(Gameplay, AWallStepOntoTheArrowIsJudgedAtTheNextRulePass) {
    // 115 Rights in one batch take the arrow to column 116 on row 15, far from the gate near row 6.
    std::string script = "at 10 key b\n";
    for (int i = 0; i < 115; ++i) script += "at 4400 key Right\n";
    const GameRun run = Run(script + "end 6000\n");
    EXPECT_EQ(run.TimeOf("cue VELKGSND2"), 5011);
    EXPECT_EQ(run.TimeOf("cue VELKGSND4"), 5072);
}

TEST_F(Gameplay, ZappingComesOnSecondsEndingIn0Or5FromLevel16) {
    // A 'J' game: every timed wall step's cue tells whether the gate zapped at that second.
    const GameRun run = Run("at 10 key j\nend 40000\n");
    const auto zaps = run.Find("cue VELKGSND5");
    ASSERT_FALSE(zaps.empty());
    long long steps = 0;
    for (const LogEvent& event : run.events) {
        if (event.text != "cue VELKGSND5" && event.text != "cue VELKGSND2") continue;
        ++steps;
        const long long second = (1800000000LL + event.time / 1000) % 10;
        EXPECT_EQ(event.text == "cue VELKGSND5", second == 0 || second == 5) << event.time;
    }
    EXPECT_GT(steps, 40);
}

TEST_F(Gameplay, UpdateZapByLevelAndSecond) {
    struct Case {
        int level;
        int second;
        int zap;
    } const cases[] = {
        {1, 0, 0},   {15, 0, 0},  {15, 5, 0},  {16, 0, 1},  {16, 5, 1},  {20, 4, 0},  {21, 4, 1},  {21, 8, 1},
        {25, 5, 0},  {26, 9, 1},  {30, 3, 1},  {30, 4, 0},  {31, 2, 1},  {35, 7, 0},  {36, 0, 0},  {36, 1, 1},
        {99, 9, 1},
    };
    for (const Case& c : cases) {
        Arm("epoch " + std::to_string(1800000000 + c.second) + "\n");
        gameState.level = c.level;
        gameState.zapActive = 1 - c.zap;
        UpdateZap();
        EXPECT_EQ(gameState.zapActive, c.zap) << "level " << c.level << " second " << c.second;
    }
}

TEST_F(Gameplay, WallStylesByLevel) {
    struct Case {
        int level;
        int style;
        uint8_t glyph;
        int period;
    } const cases[] = {
        {-3, 1, 0xC3, 700}, {0, 1, 0xC3, 700},  {1, 1, 0xC3, 700},  {2, 2, 0xB4, 550},  {3, 2, 0xB4, 550},
        {4, 3, 0x08, 400},  {6, 3, 0x08, 400},  {7, 4, 0xB1, 250},  {10, 4, 0xB1, 250}, {11, 5, 0xDB, 170},
        {15, 5, 0xDB, 170}, {16, 1, 0xC3, 700}, {20, 5, 0xDB, 170}, {22, 2, 0xB4, 550}, {33, 3, 0x08, 400},
        {35, 5, 0xDB, 170}, {36, 5, 0xDB, 170}, {1000, 5, 0xDB, 170},
    };
    for (const Case& c : cases) {
        gameState.level = c.level;
        EXPECT_EQ(WallGlyphForLevel(), c.glyph) << c.level;
        EXPECT_EQ(gameState.wallStyle, c.style) << c.level;
        EXPECT_EQ(WallPeriod(), c.period) << c.level;
    }
}

TEST_F(Gameplay, StepWallErasesAdvancesAndDrawsTheGateWithinTheScreen) {
    struct Case {
        int gateRow;
        int zap;
        int drawsBefore;  // shifts the random sequence, so both parities of the gate's draw come up
    } const cases[] = {{0, 0, 0}, {0, 1, 1}, {29, 0, 1}, {29, 1, 0}, {15, 0, 0}, {15, 1, 1}, {0, 0, 2}, {29, 0, 2}};
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.level = 1;
        gameState.wallCol = 50;
        gameState.prevWallCol = 51;
        gameState.gateRow = gameState.prevGateRow = c.gateRow;
        gameState.zapActive = c.zap;
        for (int row = 0; row < SCREEN_ROWS; ++row) CellAt(row, 51) = Cell{0xC3, ATTR_TEXT};
        for (int i = 0; i < c.drawsBefore; ++i) GameRandom();
        const uint32_t before = gameRandomState;
        const int draw = GameRandom();
        gameRandomState = before;
        StepWall();
        const bool up = draw % 2 == 0;
        int expected = c.gateRow;
        if (up && c.gateRow > 0) expected = c.gateRow - 1;
        if (!up && c.gateRow < 29) expected = c.gateRow + 1;
        EXPECT_EQ(gameState.gateRow, expected);
        EXPECT_EQ(gameState.prevGateRow, c.gateRow) << "the centre before the move, or unchanged";
        EXPECT_EQ(gameState.wallCol, 49);
        for (int row = 0; row < SCREEN_ROWS; ++row) {
            EXPECT_EQ(CellAt(row, 51).character, GLYPH_BLANK);
            EXPECT_EQ(CellAt(row, 51).attribute, ATTR_FIELD);
            const bool inGate = row >= expected - 1 && row <= expected + 1;
            const Cell cell = CellAt(row, 49);
            if (!inGate) {
                EXPECT_EQ(cell.character, 0xC3);
                EXPECT_EQ(cell.attribute, ATTR_TEXT);
            } else {
                EXPECT_EQ(cell.character, c.zap ? 0xC3 : GLYPH_BLANK);
                EXPECT_EQ(cell.attribute, ATTR_ACTOR);
            }
        }
    }
}

// The rule pass on prepared states: what it returns, what it logs, and what it changes.
TEST_F(Gameplay, RulePassOutcomes) {
    struct Case {
        const char* what;
        int playerCol, playerRow, wallCol, gateRow, prevGateRow, zap, passed;
        RuleOutcome outcome;
        const char* cues;  // the cues logged, in order
        int passedAfter;
    } const cases[] = {
        {"heart reached", 119, 15, 60, 6, 6, 0, 0, RULES_LEVEL_COMPLETE, "6", 0},
        {"heart first even with the wall at 0", 119, 15, 0, 6, 6, 0, 1, RULES_LEVEL_COMPLETE, "6", 0},
        {"left of the wall", 10, 15, 60, 6, 6, 0, 0, RULES_CONTINUE, "", 0},
        {"in the open gate", 60, 7, 60, 6, 5, 0, 0, RULES_CONTINUE, "3", 1},
        {"in the wall outside the gate", 60, 8, 60, 6, 6, 0, 0, RULES_LIFE_LOST, "4", 0},
        {"jumped on the previous gate", 62, 4, 60, 6, 5, 0, 0, RULES_CONTINUE, "3", 1},
        {"jumped outside the previous gate", 62, 7, 60, 6, 5, 0, 0, RULES_LIFE_LOST, "4", 0},
        {"beyond after a passage", 70, 20, 60, 6, 6, 0, 1, RULES_CONTINUE, "", 1},
        {"zapping gate in the wall column", 60, 6, 60, 6, 6, 1, 0, RULES_LIFE_LOST, "4", 0},
        {"zapping, jumped without passage", 61, 6, 60, 6, 6, 1, 0, RULES_LIFE_LOST, "4", 0},
        {"zapping, beyond after a passage", 61, 6, 60, 6, 6, 1, 1, RULES_CONTINUE, "", 1},
        {"passed but back in the wall column", 60, 20, 60, 6, 6, 0, 1, RULES_LIFE_LOST, "4", 0},
        {"wall at 0 beyond it", 100, 15, 0, 6, 6, 0, 1, RULES_LIFE_LOST, "4", 0},
        {"column 0 in the gate: passage, then the life", 0, 6, 0, 6, 6, 0, 0, RULES_LIFE_LOST, "34", 0},
    };
    for (const Case& c : cases) {
        Arm();
        StartNewGame();
        gameState.level = 3;
        gameState.heartCol = 119;
        gameState.heartRow = 15;
        gameState.playerCol = c.playerCol;
        gameState.playerRow = c.playerRow;
        gameState.wallCol = c.wallCol;
        gameState.gateRow = c.gateRow;
        gameState.prevGateRow = c.prevGateRow;
        gameState.zapActive = c.zap;
        gameState.gatePassed = c.passed;
        EXPECT_EQ(ApplyRules(), c.outcome) << c.what;
        std::string cues;
        std::istringstream lines(Logged());
        for (std::string line; std::getline(lines, line);) {
            const size_t at = line.find("cue VELKGSND");
            if (at != std::string::npos) cues += line.substr(at + 12);
        }
        EXPECT_EQ(cues, c.cues) << c.what << "\n" << Logged();
        EXPECT_EQ(gameState.gatePassed, c.passedAfter) << c.what;
        if (c.outcome == RULES_LIFE_LOST) {
            EXPECT_EQ(gameState.lives, 5) << c.what;
        }
        // Passage 260 ms, lost life 1,600 ms, completion 1,600 ms: the virtual clock shows the pauses.
        const int64_t pauses = 260 * static_cast<int64_t>(std::count(cues.begin(), cues.end(), '3')) +
                               1600 * static_cast<int64_t>(cues.size() - std::count(cues.begin(), cues.end(), '3'));
        EXPECT_EQ(PlatformMilliseconds(), pauses) << c.what;
    }
}

TEST_F(Gameplay, LevelCompletionPointsRecordAndExtraLives) {
    struct Case {
        int level, score, highScore, extra, lives;
        int scoreAfter, extraAfter, livesAfter;
        bool saves;
    } const cases[] = {
        {6, 1500, 0, 0, 4, 2100, 1, 5, true},
        {24, 27600, 0, 13, 3, 30000, 15, 4, true},
        {3, 300, 600, 0, 6, 600, 0, 6, false},  // equal to the record: no save
        {3, 300, 599, 0, 6, 600, 0, 6, true},
        {1, 1900, 0, 0, 2, 2000, 1, 3, true},
    };
    for (const Case& c : cases) {
        Arm();
        std::filesystem::remove(folder / "VELKGAME.CFG");
        gameState.level = c.level;
        gameState.score = c.score;
        gameState.highScore = c.highScore;
        gameState.extraLivesAwarded = c.extra;
        gameState.lives = c.lives;
        gameState.playerCol = gameState.heartCol = 119;
        gameState.playerRow = gameState.heartRow = 10;
        const uint32_t before = gameRandomState;
        EXPECT_EQ(ApplyRules(), RULES_LEVEL_COMPLETE);
        EXPECT_EQ(gameState.level, c.level + 1);
        EXPECT_EQ(gameState.score, c.scoreAfter);
        EXPECT_EQ(gameState.extraLivesAwarded, c.extraAfter);
        EXPECT_EQ(gameState.lives, c.livesAfter);
        EXPECT_EQ(gameState.highScore, c.highScore) << "the record is read back at the next level start";
        EXPECT_EQ(std::filesystem::exists(folder / "VELKGAME.CFG"), c.saves) << c.level;
        EXPECT_EQ(gameRandomState != before, c.saves);
    }
}

TEST_F(Gameplay, TheLastLifeAsksForAnotherGame) {
    struct Case {
        const char* answer;
        int jumpStart;
    } const cases[] = {{"ok", 0}, {"ok", 1}, {"cancel", 0}};
    for (const Case& c : cases) {
        Arm(std::string("box ") + c.answer + "\n");
        StartNewGame();
        gameState.jumpStart = c.jumpStart;
        gameState.lives = 1;
        gameState.level = 9;
        gameState.score = 4000;
        bool stopped = false;
        try {
            LoseLife(hConsoleWindow);
        } catch (const ScriptedRunStopped&) {
            stopped = true;
        }
        const std::string box = "1600 box 0x40001 \"Game over\" \"VELK Game is over\\nDo you want to try again?\" -> ";
        if (std::string(c.answer) == "ok") {
            EXPECT_FALSE(stopped);
            EXPECT_NE(Logged().find(box + "1\n"), std::string::npos) << Logged();
            EXPECT_EQ(gameState.lives, 6);
            EXPECT_EQ(gameState.level, c.jumpStart ? 16 : 1);
            EXPECT_EQ(gameState.score, 0);
        } else {
            EXPECT_TRUE(stopped);
            EXPECT_NE(Logged().find(box + "2\n1600 inject 0x0058\n1600 exit 0\n"), std::string::npos) << Logged();
        }
    }
}

TEST_F(Gameplay, SixLostLivesEndInTheGameOverBox) {
    // The arrow never moves: the wall takes a life at every level start until the box; Cancel ends it.
    const GameRun run = Run("at 10 key b\nbox ok\nbox cancel\n");
    EXPECT_EQ(run.Find("cue VELKGSND4").size(), 6u) << run.Texts();
    EXPECT_EQ(run.Find("box 0x40001").size(), 1u);
    EXPECT_EQ(run.result.exitCode, 0);
    ASSERT_GE(run.events.size(), 3u);
    EXPECT_EQ(run.events[run.events.size() - 2].text, "inject 0x0058");
    EXPECT_EQ(run.events.back().text, "exit 0");
}

TEST_F(Gameplay, ArrowMovesRespectTheirLimits) {
    struct Case {
        int col, row, heartRow;
        void (*move)();
        int colAfter, rowAfter;
    } const cases[] = {
        {0, 5, 15, MovePlayerLeft, 0, 5},        {5, 5, 15, MovePlayerLeft, 4, 5},
        {118, 5, 15, MovePlayerRight, 118, 5},   {118, 15, 15, MovePlayerRight, 119, 15},
        {117, 5, 15, MovePlayerRight, 118, 5},   {40, 0, 15, MovePlayerUp, 40, 0},
        {40, 29, 15, MovePlayerDown, 40, 29},    {119, 15, 15, MovePlayerDown, 119, 16},
    };
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        gameState.playerCol = gameState.prevPlayerCol = c.col;
        gameState.playerRow = gameState.prevPlayerRow = c.row;
        gameState.heartRow = c.heartRow;
        c.move();
        EXPECT_EQ(gameState.playerCol, c.colAfter);
        EXPECT_EQ(gameState.playerRow, c.rowAfter);
        const bool moved = c.colAfter != c.col || c.rowAfter != c.row;
        EXPECT_EQ(Logged().find("present") != std::string::npos, moved) << "every accepted move is shown at once";
        if (moved) {
            EXPECT_EQ(CellAt(c.rowAfter, c.colAfter).character, GLYPH_PLAYER);
            EXPECT_EQ(CellAt(c.row, c.col).character, GLYPH_BLANK);
            EXPECT_EQ(gameState.prevPlayerCol, c.colAfter);
        }
    }
}

TEST_F(Gameplay, TheHeartDriftsByFiveRowsWithinTheScreen) {
    struct Case {
        int row;
        bool evenDraw;
        int rowAfter;
    } const cases[] = {{0, true, 0}, {0, false, 5}, {25, false, 25}, {25, true, 20}, {15, true, 10}};
    for (const Case& c : cases) {
        Arm();
        StartLevel();
        // Draw until the next value has the wanted parity.
        while (true) {
            const uint32_t saved = gameRandomState;
            const bool even = GameRandom() % 2 == 0;
            gameRandomState = saved;
            if (even == c.evenDraw) break;
            GameRandom();
        }
        gameState.heartRow = gameState.prevHeartRow = c.row;
        DriftHeart();
        EXPECT_EQ(gameState.heartRow, c.rowAfter);
        EXPECT_EQ(gameState.prevHeartRow, c.rowAfter);
        EXPECT_EQ(CellAt(c.rowAfter, 119).character, GLYPH_HEART);
        EXPECT_NE(Logged().find("present"), std::string::npos) << "presented even when it stayed";
    }
}

TEST_F(Gameplay, StatusPanelCellsAndColours) {
    struct Case {
        const char* what;
        int highScore, score, lives, extra, level;
        const char* row3;
        int bonusCells;
    } const cases[] = {
        {"fresh game", 0, 0, 6, 0, 1, " Lives remained: \x10\x10\x10\x10\x10\x10", 0},
        {"'J' game", 0, 0, 6, 0, 16, " Lives remained: \x10\x10\x10\x10\x10\x10", 0},
        {"lives 3, bonus 2", 1200, 4100, 3, 2, 7, " Lives remained: \x10\x10\x10", 2},
        {"lives 8, bonus 15", 900000, 123456, 8, 15, 40, " Lives remained: \x10\x10\x10\x10\x10\x10\x10\x10", 8},
        {"no lives", -5, -300, 0, 0, 2, " Lives remained: ", 0},
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
                                     " Your current score: " + std::to_string(c.score), c.row3,
                                     " Current level: " + std::to_string(c.level)};
        const int labels[4] = {20, 21, 17, 16};
        for (int r = 0; r < 4; ++r) {
            const std::string& text = rows[r];
            for (int col = 0; col < SCREEN_COLS; ++col) {
                const Cell cell = CellAt(r + 1, col);
                if (col >= static_cast<int>(text.size())) {
                    EXPECT_EQ(cell.character, GLYPH_BLANK) << c.what << " row " << r + 1 << " col " << col;
                    EXPECT_EQ(cell.attribute, ATTR_FIELD) << c.what << " row " << r + 1 << " col " << col;
                    continue;
                }
                EXPECT_EQ(cell.character, static_cast<uint8_t>(text[col])) << c.what << " row " << r + 1;
                uint16_t attribute = col < labels[r] ? ATTR_TEXT : ATTR_VALUE;
                if (r == 2 && col >= 17 && col < 17 + c.bonusCells) attribute = ATTR_BONUS_LIFE;
                EXPECT_EQ(cell.attribute, attribute) << c.what << " row " << r + 1 << " col " << col;
            }
        }
        for (int col = 0; col < SCREEN_COLS; ++col) EXPECT_EQ(CellAt(0, col).attribute, ATTR_FIELD);
    }
}

TEST_F(Gameplay, TheLivesRowHoldsAtMost103Arrows) {
    for (const int lives : {82, 83, 103, 104, 5000}) {
        Arm();
        StartLevel();
        gameState.lives = lives;
        gameState.extraLivesAwarded = lives;
        DrawStatusPanel();
        const int arrows = std::min(lives, 103);
        for (int col = 17; col < SCREEN_COLS; ++col) {
            EXPECT_EQ(CellAt(3, col).character, col < 17 + arrows ? GLYPH_PLAYER : GLYPH_BLANK) << lives << " " << col;
        }
        EXPECT_EQ(CellAt(4, 0).character, GLYPH_BLANK) << "nothing runs on into row 4 before it is painted";
    }
}

TEST_F(Gameplay, LevelStartPictureOfAFreshGame) {
    const Cell* picture = nullptr;
    SetScriptedPresentObserver([&](int64_t now, const Cell* cells) {
        if (now == 4310 && picture == nullptr) picture = cells;
    });
    const GameRun run = Run("at 10 key j\nend 4320\n");
    ASSERT_NE(picture, nullptr);
    const auto cell = [&](int row, int col) { return ScriptedLastPicture()[row * SCREEN_COLS + col]; };
    EXPECT_EQ(cell(4, 16).character, '1');
    EXPECT_EQ(cell(4, 17).character, '6');
    EXPECT_EQ(cell(15, 1).character, GLYPH_PLAYER);
    EXPECT_EQ(cell(15, 1).attribute, ATTR_ACTOR);
    EXPECT_EQ(cell(15, 119).character, GLYPH_HEART);
    // The wall is first seen in column 117, with the gate already moved once from row 6.
    EXPECT_EQ(gameState.wallCol, 117);
    int gateCells = 0;
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        const Cell c = cell(row, 117);
        if (c.attribute == ATTR_ACTOR) ++gateCells;
        else EXPECT_EQ(c.character, 0xC3);
    }
    EXPECT_EQ(gateCells, 3);
    EXPECT_EQ(std::abs(gameState.gateRow - 6), 1);
}

}  // namespace
