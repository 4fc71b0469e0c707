// Every game kept: each session recorded into a folder of demos named by their start, the oldest pruned past a cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t MAX_KEPT_GAMES = 1000;
constexpr uintmax_t MAX_KEPT_BYTES = 100000000;  // 100 MB

// "2026-12-06T22-31-54.demo" for that local time (seconds since 1970), "...-2.demo" and on for a copy > 1.
std::string KeptGameName(int64_t calendarSeconds, int copy);
// Whether name is one KeptGameName makes: only those are ever pruned.
bool IsKeptGameName(const std::string& name);

struct KeptFile {
    std::string name;
    uintmax_t bytes;
};
// The kept games to remove, oldest (by name) first, so that at most maxGames of them and maxBytes remain; the
// current one stays whatever the clock did. Files of other names count for nothing and are never named.
std::vector<std::string> KeptGamesPastCap(std::vector<KeptFile> files, const std::string& current, size_t maxGames,
                                          uintmax_t maxBytes);

// Records this session into folder (made if missing) and prunes the folder. A game that cannot be kept still plays
// and says so as it ends.
void KeepGame(const std::string& folder);
