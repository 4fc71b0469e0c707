// What the text report and the SVG chart both work out: the games played in order, local dates, medians.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game_summary.h"

// The games in which a level was played, oldest first (the order of their start; unknown starts first).
std::vector<GameSummary> PlayedGames(const std::vector<GameSummary>& games);
// "2026-12-06 22:31:54" in local time, or "date unknown".
std::string LocalDateTime(int64_t calendarSeconds);
// The local day of a moment, counted from 1970-01-01.
int64_t LocalDay(int64_t calendarSeconds);
// "0:47", "12:03", "1:02:03".
std::string Duration(int64_t milliseconds);
// The median of values, -1 when there are none.
double Median(std::vector<double> values);
// The median seconds from a level's start to the heart over the levels of a game that reached it; -1 for none.
double MedianSecondsToHeart(const GameSummary& game);
