// The report engine on the regression demos: each game's and level's figures, what bad input gets, the report's sums.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "game_summary.h"
#include "progress_report.h"

namespace {

std::string DemoText(const std::string& name) {
    std::ifstream in(std::string(VELK_TEST_DEMOS) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<GameSummary> RegressionGames() {
    std::vector<GameSummary> games(3);
    std::string error;
    const char* names[] = {"level-climb.demo", "game-over.demo", "zapping-levels.demo"};
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SummariseDemo(DemoText(names[i]), names[i], games[i], error)) << error;
    return games;
}

}  // namespace

// Worked out from each demo's velk-replay log: a level's heart is its VELKGSND6 cue, a lost life its VELKGSND4 cue and
// the game over its box; the presses are the demo's arrow key-down records read between those moments.
TEST(Progress, EachGameAndLevelAsItsLogShows) {
    struct Level {
        int32_t level;
        int64_t toHeartMs;
        int32_t presses, livesLost;
    };
    const struct {
        int64_t start, length;
        int32_t first, last, score, livesLost;
        std::vector<Level> levels;
    } rows[] = {
        {1796545550, 46279, 1, 9, 3600, 1, {{1, 1634, 138, 0}, {2, 1976, 134, 0}, {3, 1790, 136, 0}, {4, 2276, 136, 0},
          {5, 10321, 271, 1}, {6, 1245, 138, 0}, {7, 1658, 138, 0}, {8, 1832, 140, 0}, {9, -1, 0, 0}}},
        {1796545551, 47391, 1, 5, 1000, 6, {{1, 1533, 138, 0}, {2, 1123, 134, 0}, {3, 1150, 138, 0}, {4, 1606, 138, 0},
          {5, -1, 874, 6}}},
        {1796545551, 35627, 16, 21, 9000, 0, {{16, 1688, 138, 0}, {17, 1205, 134, 0}, {18, 5287, 139, 0},
          {19, 1624, 134, 0}, {20, 6143, 144, 0}, {21, -1, 125, 0}}},
    };
    const std::vector<GameSummary> games = RegressionGames();
    for (size_t i = 0; i < 3; ++i) {
        const GameSummary& game = games[i];
        EXPECT_EQ(std::vector<int64_t>({game.startCalendar, game.lengthMs, game.startLevel, game.endLevel, game.score, game.livesLost}),
                  std::vector<int64_t>({rows[i].start, rows[i].length, rows[i].first, rows[i].last, rows[i].score, rows[i].livesLost}))
            << "game " << i;
        ASSERT_EQ(game.levels.size(), rows[i].levels.size()) << "game " << i;
        for (size_t j = 0; j < game.levels.size(); ++j) {
            const LevelPlay& got = game.levels[j];
            const Level& want = rows[i].levels[j];
            // Both start in row 15, 118 columns apart.
            EXPECT_EQ(std::vector<int64_t>({got.level, got.toHeartMs, got.presses, got.fewest, got.livesLost}),
                      std::vector<int64_t>({want.level, want.toHeartMs, want.presses, 118, want.livesLost}))
                << "game " << i << " level " << want.level;
        }
        GameSummary back;
        EXPECT_TRUE(ParseSummary(FormatSummary(game), back) && FormatSummary(back) == FormatSummary(game));
    }
}

TEST(Progress, WhatIsNotAGameOfThisVersionIsNamedAndNotCounted) {
    std::string changed = DemoText("level-climb.demo");
    changed.replace(changed.find("\nr 1:1:27:0\n"), 12, "\nr 1:1:25:0\n");  // one Right read as a Left
    const struct {
        std::string name, text, error;
    } rows[] = {
        {"notes.txt", "hello\n", "notes.txt:1: not a VELK demo: text starting 'hello'"},
        {"changed.demo", changed, "changed.demo: out of step at 12148 ms (demo line 68): the game asked for a clock reading, "
                                  "the demo holds a wait"},
    };
    for (const auto& row : rows) {
        GameSummary summary;
        std::string error;
        EXPECT_FALSE(SummariseDemo(row.text, row.name, summary, error));
        EXPECT_EQ(error, row.error);
    }
    GameSummary summary;
    for (const char* damaged : {"", "1 2 3", "1 46279 1 9 9 3600 1 1 1 0 -1 0 118", "1 46279 1 9 9 3600 1 0 7", "1 2 1 1 1 0 0 x"}) {
        EXPECT_FALSE(ParseSummary(damaged, summary)) << damaged;
    }
}

TEST(Progress, TheReportSumsThePeriodsAndLevels) {
    const std::vector<GameSummary> games = RegressionGames();
    const struct {
        int64_t now;
        std::vector<std::string> lines;
    } rows[] = {
        {1796545551, {"  today            3      2:09", "  all time         3      2:09", "Best level 21, best score 9000",
                      "    5        2                  10.3             271                153           7"}},
        {1796545551 + 6 * 86400, {"  today            0      0:00", "  last 7 days      3      2:09"}},
        {1796545551 + 7 * 86400, {"  last 7 days      0      0:00"}},
    };
    for (const auto& row : rows) {
        const std::string report = ProgressReport(games, row.now);
        for (const std::string& line : row.lines) EXPECT_NE(report.find("\n" + line + "\n"), std::string::npos) << line << "\n" << report;
    }
}
