// The report as text for a terminal: the list of games, the figures by period and by level, the chart of levels.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>

#include "progress_report.h"
#include "report_figures.h"

namespace {

constexpr size_t CHART_GAMES = 30;
constexpr int CHART_ROWS = 10;
constexpr int64_t WEEK_DAYS = 7;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// A median of whole numbers is whole or a half; of seconds, one decimal.
std::string Figure(double value, bool seconds) {
    if (value < 0) return "-";
    if (seconds) return Printf("%.1f", value);
    return value == std::floor(value) ? Printf("%.0f", value) : Printf("%.1f", value);
}

std::string PeriodLine(const char* period, const std::vector<GameSummary>& games, int64_t fromDay, int64_t today) {
    int count = 0;
    int64_t milliseconds = 0;
    for (const GameSummary& game : games) {
        const int64_t day = game.startCalendar >= 0 ? LocalDay(game.startCalendar) : -1;
        if (fromDay > INT64_MIN && (game.startCalendar < 0 || day < fromDay || day > today)) continue;
        count += 1;
        milliseconds += game.lengthMs;
    }
    return Printf("  %-12s %5d %9s\n", period, count, Duration(milliseconds).c_str());
}

std::string LevelTable(const std::vector<GameSummary>& games) {
    struct Figures {
        int reached = 0;
        int livesLost = 0;
        std::vector<double> seconds, presses, beyond;
    };
    std::map<int32_t, Figures> levels;
    for (const GameSummary& game : games) {
        for (const LevelPlay& play : game.levels) {
            Figures& figures = levels[play.level];
            figures.reached += 1;
            figures.livesLost += play.livesLost;
            // Presses are compared where the heart was reached: a level left halfway says nothing of the way to it.
            if (play.toHeartMs < 0) continue;
            figures.seconds.push_back(static_cast<double>(play.toHeartMs) / 1000);
            figures.presses.push_back(play.presses);
            figures.beyond.push_back(play.presses - play.fewest);
        }
    }
    std::string text = "level  reached  median s to the heart  median presses  beyond the fewest  lives lost\n";
    for (const auto& [level, f] : levels) {
        text += Printf("%5d  %7d  %20s  %14s  %17s  %10d\n", level, f.reached, Figure(Median(f.seconds), true).c_str(),
                       Figure(Median(f.presses), false).c_str(), Figure(Median(f.beyond), false).c_str(), f.livesLost);
    }
    return text;
}

// Columns of '#' as high as the level reached, scaled to the best (80 columns hold 30 games); a row is labelled with
// the lowest level that reaches it.
std::string LevelChart(const std::vector<GameSummary>& games) {
    const size_t first = games.size() > CHART_GAMES ? games.size() - CHART_GAMES : 0;
    int best = 0;
    for (size_t i = first; i < games.size(); ++i) best = std::max(best, games[i].bestLevel);
    const int rows = std::min(best, CHART_ROWS);
    std::string text = Printf("Level reached in the last %d games, oldest first (a row from the level at its left):\n",
                              static_cast<int>(games.size() - first));
    for (int row = rows; row >= 1; --row) {
        text += Printf("%4d |", (row - 1) * best / rows + 1);
        for (size_t i = first; i < games.size(); ++i) {
            text += (games[i].bestLevel * rows + best - 1) / best >= row ? " #" : "  ";
        }
        while (text.back() == ' ') text.pop_back();
        text += '\n';
    }
    return text + "     +" + std::string(2 * (games.size() - first), '-') + "\n";
}

}  // namespace

std::string GamesList(const std::vector<GameSummary>& all) {
    std::vector<GameSummary> games = all;
    std::stable_sort(games.begin(), games.end(),
                     [](const GameSummary& a, const GameSummary& b) { return a.startCalendar < b.startCalendar; });
    std::string text;
    for (const GameSummary& game : games) {
        text += LocalDateTime(game.startCalendar) + Printf("  %8s  ", Duration(game.lengthMs).c_str());
        text += game.startLevel == 0 ? std::string("no level played\n")
                                     : Printf("levels %2d to %2d  score %6d  lives lost %d\n", game.startLevel,
                                              game.endLevel, game.score, game.livesLost);
    }
    return text;
}

std::string ProgressReport(const std::vector<GameSummary>& all, int64_t nowCalendarSeconds) {
    const std::vector<GameSummary> games = PlayedGames(all);
    const int64_t today = LocalDay(nowCalendarSeconds);
    std::string text = "Practice       games      time\n";
    text += PeriodLine("today", games, today, today);
    text += PeriodLine("last 7 days", games, today - (WEEK_DAYS - 1), today);
    text += PeriodLine("all time", games, INT64_MIN, today);
    if (games.empty()) return text;
    int32_t bestLevel = 0, bestScore = 0;
    for (const GameSummary& game : games) {
        bestLevel = std::max(bestLevel, game.bestLevel);
        bestScore = std::max(bestScore, game.score);
    }
    text += Printf("Best level %d, best score %d\n\n", bestLevel, bestScore);
    return text + LevelTable(games) + "\n" + LevelChart(games);
}
