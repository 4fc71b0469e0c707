// End-to-end tests of start-up, the input loop, the timers and shut-down, played through scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "console/screen.h"
#include "state/game_state.h"
#include "platform/platform.h"
#include "scripted_game.h"

namespace {

using Spine = ScriptedGame;

const char* const INPUT_FAILED_BOX = "box 0x0 \"VELK Game Error\" \"Keyboard input failed. Program will close.\" -> 1";

TEST_F(Spine, EscEndsTheProgramWithTheExitKeyAndCode1) {
    struct Case { const char* script; long long at; } const cases[] = {
        {"at 10 key b\nat 5000 key Esc\n", 5000},
        // Esc with 'b' in one batch: the intro plays (three frames of 1 s and a last look of 1.3 s), then the end.
        {"at 10 key b\nat 10 key Esc\nend 60000\n", 4310}};
    for (const Case& c : cases) {
        const GameRun run = Run(c.script);
        EXPECT_EQ(run.TimeOf("inject 0x0058"), c.at) << c.script;
        EXPECT_EQ(run.TimeOf("exit 1"), c.at) << c.script;
        EXPECT_EQ(ScriptedCursorVisible(), 0) << "the console's cursor is hidden";
        EXPECT_EQ(run.Find("box").empty(), c.at == 4310) << "without a level the record file is not read";
    }
}

TEST_F(Spine, FailedInputCounts) {
    // boxAt -1: recovered
    struct Case { const char* script; long long boxAt; long long exitAt; } const cases[] = {
        {"at 100 fail-input 1\nat 100 key Esc\n", -1, 151},  // one failure: retried after 50 ms, which cost 1 ms
        {"at 100 fail-input 2\n", 151, 151},
        // The second line fails the count at 50; by the retry at 101 the first line is armed too: two in a row.
        {"at 100 fail-input 1\nat 50 fail-input 1\nat 120 key Esc\n", 101, 101}};
    for (const Case& c : cases) {
        const GameRun run = Run(c.script);
        EXPECT_EQ(run.TimeOf(INPUT_FAILED_BOX), c.boxAt) << c.script;
        EXPECT_EQ(run.TimeOf("exit 1"), c.exitAt) << c.script;
        EXPECT_EQ(run.TimeOf("inject 0x0058") >= 0, c.boxAt < 0) << c.script;
    }
}

TEST_F(Spine, TimersFireOnlyWhenMoreThanTheirPeriodHasPassed) {
    // The wall period of level 1 is 700 ms, the heart's twelve times that; each counts from the reading taken
    // when it fired (a wall step then pauses 60 ms).
    std::vector<long long> heartMoves;
    int lastHeartRow = 15;
    SetScriptedPresentObserver([&](int64_t now, const Cell*) {
        if (gameState.heartRow != lastHeartRow) heartMoves.push_back(now), lastHeartRow = gameState.heartRow;
    });
    std::vector<long long> counts;  // the times of the input counts
    SetScriptedInputHook([&](int64_t now) { counts.push_back(now); });
    const GameRun run = Run("at 10 key b\nend 22000\n");
    const auto steps = run.Find("cue VELKGSND2");
    ASSERT_GE(steps.size(), 2u) << run.Texts();
    EXPECT_EQ(steps[0].time, 4310 + 701);
    EXPECT_EQ(heartMoves, (std::vector<long long>{4310 + 8401, 4310 + 8401 + 8401}));
    // Only a pass that did nothing waits, and only until the next timer is due (virtual time passes in the wait):
    // the information screen waits for the key at 10; each wall step's pass and the one after its 60 ms pause
    // go straight on; the wait after 12082 lasts to the heart's
    // move at 12711, which is followed at once by a pass, which waits for the wall at 12722.
    const std::vector<long long> first(counts.begin(), counts.begin() + 7);
    EXPECT_EQ(first, (std::vector<long long>{1, 10, 4311, 5011, 5072, 5712, 5773}));
    const auto heart = std::find(counts.begin(), counts.end(), heartMoves[0]);
    ASSERT_LT(heart + 2, counts.end());
    EXPECT_EQ(std::vector<long long>(heart - 1, heart + 3), (std::vector<long long>{12082, 12711, 12712, 12722}));
}

TEST_F(Spine, KeysThatCameWhileAPassRanAreDropped) {
    // Right comes while the pause box of 4400 is up (the record file's box closes at once): it never moves the arrow.
    const GameRun run = Run("at 10 key b\nat 4400 key p\nbox ok 0\nbox ok 500\nat 4600 key Right\nend 5000\n");
    EXPECT_EQ(run.Row(15).rfind(" ►", 0), 0u) << run.Row(15);
}

}  // namespace
