// The summaries of a folder's games kept beside them, so that each game is replayed once.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "game_summary.h"

// What a file came to, valid while its size and modification time stay.
struct CachedGame {
    uintmax_t size = 0;
    int64_t modified = 0;
    std::string error;    // why it is not counted ("" for a summarised game)
    GameSummary summary;
};
using SummaryCache = std::map<std::string, CachedGame>;  // by file name

// The cache file at path; one that is missing, unreadable, damaged anywhere or of another game version is empty.
SummaryCache ReadSummaryCache(const std::string& path);
// Replaces the cache file at path whole (a temporary file renamed over it); false with error set to why not.
bool WriteSummaryCache(const std::string& path, const SummaryCache& cache, std::string& error);
