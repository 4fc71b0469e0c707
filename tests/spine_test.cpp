// End-to-end tests of start-up, the input loop, the timers and shut-down, played through scripts.
#include <gtest/gtest.h>

#include <map>

#include "console/screen.h"
#include "game/game_state.h"
#include "platform/platform.h"
#include "scripted_game.h"

namespace {

using Spine = ScriptedGame;

const char* const INPUT_FAILED_BOX = "box 0x0 \"VELK Game Error\" \"Keyboard input failed. Program will close.\" -> 1";
const char* const PAUSE_BOX = "box 0x0 \"VELK Game Message\" \"Game paused......\" -> 1";

TEST(RandomSource, FirstValuesOfAFreshProcess) {
    ResetGameGlobals();
    EXPECT_EQ(GameRandom(), 41);
    EXPECT_EQ(GameRandom(), 18467);
    EXPECT_EQ(GameRandom(), 6334);
}

TEST_F(Spine, InformationScreenUntilEsc) {
    const GameRun run = Run("at 100 key Esc\n");
    ASSERT_GE(run.events.size(), 4u) << run.log;
    EXPECT_EQ(run.events[0].time, 0);
    EXPECT_EQ(run.events[0].text, "setup");
    EXPECT_EQ(run.events[1].time, 0);
    EXPECT_EQ(run.events[1].text.rfind("present ", 0), 0u);
    EXPECT_EQ(run.TimeOf("inject 0x0058"), 100);
    EXPECT_EQ(run.TimeOf("exit 1"), 100);
    EXPECT_EQ(run.Find("present").size(), 1u) << "an unchanged picture is logged once";
    // The information screen is rebuilt and presented at start and after each of the 99 passes before Esc.
    EXPECT_EQ(run.result.presents, 100);
    EXPECT_NE(run.screen.find("Press 'B' to begin."), std::string::npos);
    EXPECT_EQ(run.log.substr(run.log.find("presents")), "presents 100\nscreen\n" + run.screen);
}

TEST_F(Spine, EndLineStopsTheRunAtTheFirstCountFromItsTime) {
    const GameRun run = Run("end 250\n");
    EXPECT_TRUE(run.result.ended);
    EXPECT_EQ(run.TimeOf("end"), 250);
    EXPECT_FALSE(run.Has("exit 1"));
    EXPECT_NE(run.log.find("\npresents 250\nscreen\n"), std::string::npos) << run.log.substr(0, 300);
}

TEST_F(Spine, KeyUpAndNonKeyRecordsAreSkipped) {
    const GameRun run = Run("at 10 up b\nat 10 other\nat 20 up Esc\nend 500\n");
    EXPECT_FALSE(run.Has("cue VELKGSND1"));
    EXPECT_TRUE(run.result.ended) << run.Texts();
}

TEST_F(Spine, EscAndBInOneBatchStartTheGameThenEnd) {
    const GameRun run = Run("at 10 key b\nat 10 key Esc\nend 60000\n");
    EXPECT_EQ(run.TimeOf("cue VELKGSND1"), 10);
    // Three frames of 1 s and a last look of 1.3 s, then the program ends at the top of the level loop.
    EXPECT_EQ(run.TimeOf("inject 0x0058"), 4310);
    EXPECT_EQ(run.TimeOf("exit 1"), 4310);
    EXPECT_TRUE(run.Find("box").empty()) << "no level was started, so the record file was not read";
    EXPECT_NE(run.screen.find(" VELK VELK"), std::string::npos);
}

TEST_F(Spine, KeysDuringTheIntroWaitForTheNewGame) {
    // The Right pressed during the intro reaches the first pass of the level.
    const GameRun run = Run("at 10 key b\nat 2000 key Right\nend 4400\n");
    EXPECT_EQ(gameState.playerCol, 2);
    EXPECT_EQ(gameState.prevPlayerCol, 2);
}

TEST_F(Spine, AKeyPressedWhileThePauseBoxIsOpenIsLost) {
    const GameRun run = Run("at 10 key b\nat 5000 key p\nbox ok 0\nbox ok 500\nat 5200 key Right\nend 5700\n");
    EXPECT_TRUE(run.Has(PAUSE_BOX)) << run.Texts();
    EXPECT_EQ(gameState.playerCol, 1);
}

TEST_F(Spine, AKeyPressedDuringAWallStepPauseWaitsForTheNextPass) {
    // The level starts at 4310; the first wall step fires at 4310 + 701 and pauses 60 ms.
    const GameRun run = Run("at 10 key b\nat 5030 key Down\nend 5200\n");
    EXPECT_EQ(gameState.playerRow, 16);
}

TEST_F(Spine, OneFailedInputCountRecoversAfter50Ms) {
    const GameRun run = Run("at 100 fail-input 1\nat 100 key Esc\n");
    EXPECT_FALSE(run.Has(INPUT_FAILED_BOX));
    EXPECT_EQ(run.TimeOf("exit 1"), 151);
    EXPECT_TRUE(run.Has("inject 0x0058"));
}

TEST_F(Spine, TwoFailedInputCountsEndTheProgram) {
    const GameRun run = Run("at 100 fail-input 2\n");
    // The retry comes after the 50 ms pause and costs its own millisecond.
    EXPECT_EQ(run.TimeOf(INPUT_FAILED_BOX), 151);
    EXPECT_EQ(run.TimeOf("exit 1"), 151);
    EXPECT_FALSE(run.Has("inject 0x0058"));
}

TEST_F(Spine, FailInputLinesKeepTheirOwnCounts) {
    // The second line fails the count at 50; by the retry at 101 the first line is armed too: two in a row.
    const GameRun run = Run("at 100 fail-input 1\nat 50 fail-input 1\nat 120 key Esc\n");
    EXPECT_EQ(run.TimeOf(INPUT_FAILED_BOX), 101) << run.Texts();
}

TEST_F(Spine, WallTimerFiresOnlyWhenMoreThanItsPeriodHasPassed) {
    std::map<int64_t, int64_t> waitedUntil;  // count's time -> deadline of the idle wait just before it
    SetScriptedInputHook([&](int64_t now) { waitedUntil[now] = ScriptedLastWaitDeadline(); });
    const GameRun run = Run("at 10 key b\nend 7000\n");
    const long long levelStart = 4310;  // the intro ends at 4310 and the level is built at once
    const auto steps = run.Find("cue VELKGSND2");
    ASSERT_GE(steps.size(), 2u) << run.Texts();
    EXPECT_EQ(steps[0].time, levelStart + 701);
    // The next period counts from the fresh reading taken when it fired, before the 60 ms pause.
    EXPECT_EQ(steps[1].time, levelStart + 701 + 701);
    // Idle passes sleep until the step is due, no later; on the information screen only a key wakes the game.
    for (long long now : {levelStart + 2, steps[0].time}) EXPECT_EQ(waitedUntil.at(now), steps[0].time) << now;
    EXPECT_EQ(waitedUntil.at(5), NO_DEADLINE);
}

TEST_F(Spine, SoundToggleWorksOnTheInformationScreenAndSurvivesNewGames) {
    struct Case {
        const char* keys;
        bool introCue;
    } const cases[] = {
        {"at 10 key s\nat 20 key b\n", false},
        {"at 10 key S\nat 11 key s\nat 20 key B\n", true},
        {"at 10 key b\nat 5000 key s\nat 6000 key j\n", false},
    };
    for (const Case& c : cases) {
        const GameRun run = Run(std::string(c.keys) + "end 9000\n");
        const auto cues = run.Find("cue VELKGSND1");
        const bool lastIntroSounded = !cues.empty() && cues.back().time >= 20 && (cues.size() == 1 || c.introCue);
        EXPECT_EQ(cues.empty() ? false : lastIntroSounded, c.introCue) << c.keys << run.Texts();
    }
}

TEST_F(Spine, StartLevelPutsTheGateByTheParityOfTheSecond) {
    struct Case {
        long long epoch;
        int gateStart;
    } const cases[] = {{1800000000, 6}, {1800000001, 24}};
    for (const Case& c : cases) {
        // The level starts at 4310 ms: calendar second epoch + 4.
        int seenPrevGateRow = -1;
        SetScriptedPresentObserver([&](int64_t now, const Cell*) {
            if (now == 4310 && seenPrevGateRow < 0) seenPrevGateRow = gameState.prevGateRow;
        });
        Run("epoch " + std::to_string(c.epoch) + "\nat 10 key b\nend 4400\n");
        EXPECT_EQ(seenPrevGateRow, c.gateStart) << c.epoch;
    }
}

TEST_F(Spine, EscDuringAGameInjectsTheExitKeyAndExitsWith1) {
    const GameRun run = Run("at 10 key b\nat 5000 key Esc\n");
    EXPECT_EQ(run.TimeOf("inject 0x0058"), 5000);
    EXPECT_EQ(run.TimeOf("exit 1"), 5000);
    EXPECT_EQ(run.result.exitCode, 1);
}

}  // namespace
