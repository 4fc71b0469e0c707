// Figures the report and the chart share, in local time as the player lives it.
#include "report_figures.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

std::vector<GameSummary> PlayedGames(const std::vector<GameSummary>& games) {
    std::vector<GameSummary> played;
    for (const GameSummary& game : games) {
        if (game.startLevel > 0) played.push_back(game);
    }
    std::stable_sort(played.begin(), played.end(),
                     [](const GameSummary& a, const GameSummary& b) { return a.startCalendar < b.startCalendar; });
    return played;
}

std::string LocalDateTime(int64_t calendarSeconds) {
    const std::time_t when = static_cast<std::time_t>(calendarSeconds);
    const std::tm* local = calendarSeconds >= 0 ? std::localtime(&when) : nullptr;
    char text[32];
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0) return "date unknown";
    return text;
}

int64_t LocalDay(int64_t calendarSeconds) {
    const std::time_t when = static_cast<std::time_t>(calendarSeconds);
    const std::tm* local = std::localtime(&when);
    if (local == nullptr) return calendarSeconds / 86400;
    // Days from the civil date (H. Hinnant's days_from_civil), so no time zone arithmetic is needed.
    const int64_t month = local->tm_mon + 1;
    const int64_t year = local->tm_year + 1900 - (month <= 2 ? 1 : 0);
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + local->tm_mday - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string Duration(int64_t milliseconds) {
    const long long seconds = milliseconds / 1000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    }
    return text;
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

double MedianSecondsToHeart(const GameSummary& game) {
    std::vector<double> seconds;
    for (const LevelPlay& level : game.levels) {
        if (level.toHeartMs >= 0) seconds.push_back(static_cast<double>(level.toHeartMs) / 1000);
    }
    return Median(seconds);
}
