// The kept games' names and cap: which files are the feature's, and which of them go first.
#include <gtest/gtest.h>

#include "platform/demo/kept_games.h"

TEST(KeptGames, OnlyTheNamesKeepingMakesAreTheFeatures) {
    const struct {
        const char* name;
        bool kept;
    } rows[] = {
        {"2026-12-06T22-31-54.demo", true},   {"2026-12-06T22-31-54-2.demo", true}, {"2026-12-06T22-31-54-13.demo", true},
        {"2026-12-06T22-31-54-1.demo", false}, {"2026-12-06T22-31-54-02.demo", false}, {"2026-12-06T22-31-54-.demo", false},
        {"2026-12-06T22-31-54.demo.bak", false}, {"2026-12-06 22-31-54.demo", false}, {"notes.demo", false},
        {".summaries", false}, {"2026-12-O6T22-31-54.demo", false}, {"2026-12-06T22-31-54-2x.demo", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsKeptGameName(row.name), row.kept) << row.name;
    EXPECT_TRUE(IsKeptGameName(KeptGameName(1796545551, 1)));
    EXPECT_EQ(KeptGameName(1796545551, 3).substr(19), "-3.demo");
}

TEST(KeptGames, TheOldestGoFirstPastEitherCapAndNothingElseGoes) {
    const std::string a = "2026-01-01T00-00-00.demo", b = "2026-01-02T00-00-00.demo", c = "2026-01-03T00-00-00.demo";
    const std::string c2 = "2026-01-03T00-00-00-2.demo", c10 = "2026-01-03T00-00-00-10.demo";
    const struct {
        const char* what;
        std::vector<KeptFile> files;
        std::string current;
        size_t games;
        uintmax_t bytes;
        std::vector<std::string> removed;
    } rows[] = {
        {"at the cap", {{a, 1}, {b, 1}, {c, 1}}, c, 3, 100, {}},
        {"one game past it", {{c, 1}, {a, 1}, {b, 1}}, c, 2, 100, {a}},
        {"bytes past it", {{a, 60}, {b, 50}, {c, 40}}, c, 3, 100, {a}},
        {"other files count for nothing", {{"notes.txt", 500}, {a, 1}, {"x.demo", 500}}, a, 1, 10, {}},
        {"the current game stays, though the clock made it oldest", {{a, 1}, {b, 1}, {c, 1}}, a, 2, 100, {b}},
        {"copies by their number", {{c10, 1}, {c2, 1}, {c, 1}, {"2026-01-04T00-00-00.demo", 1}}, c10, 2, 100, {c, c2}},
    };
    for (const auto& row : rows) EXPECT_EQ(KeptGamesPastCap(row.files, row.current, row.games, row.bytes), row.removed) << row.what;
}
