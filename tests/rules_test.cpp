// The rule pass: the gate, the wall, the heart, lives, points, the record and the game-over box.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include "console/screen.h"
#include "state/game_state.h"
#include "files/high_score.h"
#include "game/rules.h"
#include "scripted_game.h"

namespace {

using Rules = ScriptedGame;

// The rule pass on prepared states: what it returns, what it logs, and what it changes.
TEST_F(Rules, RulePassOutcomes) {
    struct Case {  // cues: the cues logged, in order
        const char* what; int playerCol, playerRow, wallCol, gateRow, prevGateRow, zap, passed;
        RuleOutcome outcome; const char* cues; int passedAfter;
    } const cases[] = {
        {"heart reached", 119, 15, 60, 6, 6, 0, 0, RULES_LEVEL_COMPLETE, "6", 0},
        {"heart first even with the wall at 0", 119, 15, 0, 6, 6, 0, 1, RULES_LEVEL_COMPLETE, "6", 0},
        {"left of the wall", 10, 15, 60, 6, 6, 0, 0, RULES_CONTINUE, "", 0},
        {"in the open gate", 60, 7, 60, 6, 5, 0, 0, RULES_GATE_PASSED, "3", 1},
        {"in the wall below the gate", 60, 8, 60, 6, 6, 0, 0, RULES_LIFE_LOST, "4", 0},
        {"in the wall above the gate", 60, 4, 60, 6, 6, 0, 0, RULES_LIFE_LOST, "4", 0},
        {"jumped on the previous gate", 62, 4, 60, 6, 5, 0, 0, RULES_GATE_PASSED, "3", 1},
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
        StartLevel();  // the heart in column 119, row 15
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
        EXPECT_EQ(gameState.lives, c.outcome == RULES_LIFE_LOST ? 5 : 6) << c.what;
        // Passage 260 ms, lost life 1,600 ms, completion 1,600 ms: the virtual clock shows the pauses.
        const auto passages = std::count(cues.begin(), cues.end(), '3');
        const auto others = static_cast<long>(cues.size()) - passages;
        EXPECT_EQ(PlatformMilliseconds(), 260 * passages + 1600 * others) << c.what;
    }
}

TEST_F(Rules, AWallStepOntoTheArrowIsJudgedAtTheNextRulePass) {
    // 115 Rights in one batch take the arrow to column 116 on row 15, far from the gate near row 6.
    std::vector<Cell> step;
    SetScriptedPresentObserver([&step](int64_t now, const Cell* cells) {
        if (now == 5011) step.assign(cells, cells + SCREEN_CELLS);
    });
    const GameRun run = Run("at 10 key b\n" + Presses(4400, "Right", 115) + "end 6000\n");
    EXPECT_EQ(run.TimeOf("cue VELKGSND4"), 5011 + 60 + 1);
    // The step is shown at once: the wall in column 116, with the arrow drawn over it.
    ASSERT_EQ(step.size(), static_cast<size_t>(SCREEN_CELLS));
    EXPECT_EQ(step[15 * SCREEN_COLS + 116].character, GLYPH_PLAYER);
    EXPECT_EQ(step[0 * SCREEN_COLS + 116].character, 0xC3);
}

TEST_F(Rules, LevelCompletionPointsRecordAndExtraLives) {
    struct Case { int level, score, highScore, extra, lives, scoreAfter, extraAfter, livesAfter; bool saves; };
    const Case cases[] = {
        {24, 27600, 0, 13, 3, 30000, 15, 4, true},  // two thresholds crossed: one life
        {3, 300, 600, 0, 6, 600, 0, 6, false},      // equal to the record: no save
        {1, 1900, 0, 0, 2, 2000, 1, 3, true},
        {1, 262400, 0, 131, 2, 262500, 131, 2, true},  // a record that needs a float's lowest byte
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
        EXPECT_EQ(ApplyRules(), RULES_LEVEL_COMPLETE);
        EXPECT_EQ(gameState.level, c.level + 1);
        EXPECT_EQ(gameState.score, c.scoreAfter);
        EXPECT_EQ(gameState.extraLivesAwarded, c.extraAfter);
        EXPECT_EQ(gameState.lives, c.livesAfter);
        EXPECT_EQ(std::filesystem::exists(folder / "VELKGAME.CFG"), c.saves) << c.level;
        if (c.saves) LoadHighScore(nullptr);
        EXPECT_EQ(gameState.highScore, c.saves ? c.scoreAfter : c.highScore) << "the saved record reads back";
    }
}

TEST_F(Rules, AnArrowStandingInTheOpenGatePassesAgainOnEveryPass) {
    // Into the wall's column 117 inside the gate at 4400: a passage (260 ms) on every pass, one count apart, until
    // the wall step due at 5011 fires after the pause it fell in, cutting the last passage's cue off.
    const GameRun run = Run("at 10 key b\n" + Presses(4400, "Up", 9) + Presses(4400, "Right", 116) + "end 5300\n");
    std::vector<long long> cues;
    for (const LogEvent& cue : run.Find("cue VELKGSND")) cues.push_back(cue.time * 10 + (cue.text.back() - '0'));
    EXPECT_EQ(cues, (std::vector<long long>{101, 44003, 46613, 49223, 51822})) << run.Texts();
}

TEST_F(Rules, TheWallInColumnZeroTakesALifeAlsoAfterAPassage) {
    const GameRun run = Run("at 10 key b\n" + Presses(4400, "Up", 9) + Presses(4400, "Right", 117) + "end 90000\n");
    EXPECT_EQ(run.Find("cue VELKGSND4").size(), 1u) << run.Texts();
}

TEST_F(Rules, ANewGameForgetsAPassageOfTheLast) {
    // Through the gate at 4400, a new game at 4500: a jump past its wall at 8900, outside the gate, costs a life.
    const GameRun run = Run("at 10 key b\n" + Presses(4400, "Up", 9) + Presses(4400, "Right", 117) + "at 4500 key b\n" +
                            Presses(8900, "Right", 117) + "end 9000\n");
    EXPECT_EQ(run.Find("cue VELKGSND4").size(), 1u) << run.Texts();
}

TEST_F(Rules, SixLostLivesEndInTheGameOverBoxOkStartsANewGameOfSix) {
    // The arrow never moves: the wall takes a life at every level start until the box; OK, six more; Cancel ends it.
    const GameRun run = Run("at 10 key b\nbox ok\nbox ok\nbox cancel\n");
    const std::string box = "box 0x40001 \"Game over\" \"VELK Game is over\\nDo you want to try again?\" -> ";
    EXPECT_EQ(run.Find(box).size(), 2u) << run.Texts();
    EXPECT_EQ(run.Find("cue VELKGSND4").size(), 12u);
    EXPECT_EQ(ScriptedLastFrontTime(), run.TimeOf(box + "2")) << "the console is brought to the front for the box";
    ASSERT_GE(run.events.size(), 3u);
    EXPECT_EQ(run.events[run.events.size() - 2].text, "inject 0x0058");
    EXPECT_EQ(run.events.back().text, "exit 0");
}

}  // namespace
