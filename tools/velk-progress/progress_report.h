// The player's progress from kept games' summaries, as text for a terminal or a page: a list, figures, SVG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game_summary.h"

// One line a game, oldest first: local date and time, length, the levels it started and ended at, score, lives lost.
std::string GamesList(const std::vector<GameSummary>& games);
// Games played and practice time today, in the last 7 days and in all; the best level and score; for each level
// reached how often, the medians of its time to the heart, its presses and the presses beyond the fewest, and the
// lives lost there; a text chart of the level reached in the last 30 games. Days are local days of now.
std::string ProgressReport(const std::vector<GameSummary>& games, int64_t nowCalendarSeconds);
// An SVG 1.1 picture (no scripts) of the level reached and the median seconds to the heart in each game, by date.
std::string ProgressSvg(const std::vector<GameSummary>& games);
