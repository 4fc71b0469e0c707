// A game's summary as one line of whole numbers: what a cache keeps so that a game is replayed once.
#include <charconv>
#include <cstdint>
#include <limits>
#include <sstream>

#include "game_summary.h"

namespace {

constexpr size_t GAME_FIELDS = 8;
constexpr size_t LEVEL_FIELDS = 6;

struct Reader {
    std::vector<std::string> words;
    size_t next = 0;

    // The next word as a number from low to the field's largest.
    template <typename T>
    bool Take(int64_t low, T& field) {
        if (next >= words.size()) return false;
        const std::string& word = words[next++];
        int64_t value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size() || value < low ||
            value > static_cast<int64_t>(std::numeric_limits<T>::max())) {
            return false;
        }
        field = static_cast<T>(value);
        return true;
    }
};

}  // namespace

std::string FormatSummary(const GameSummary& s) {
    std::ostringstream line;
    line << s.startCalendar << ' ' << s.lengthMs << ' ' << s.startLevel << ' ' << s.endLevel << ' ' << s.bestLevel << ' '
         << s.score << ' ' << s.livesLost << ' ' << s.levels.size();
    for (const LevelPlay& l : s.levels) {
        line << ' ' << l.level << ' ' << l.startMs << ' ' << l.toHeartMs << ' ' << l.presses << ' ' << l.fewest << ' '
             << l.livesLost;
    }
    return line.str();
}

bool ParseSummary(const std::string& line, GameSummary& s) {
    s = GameSummary{};
    Reader in;
    for (size_t start = 0, space = 0; space != std::string::npos; start = space + 1) {
        space = line.find(' ', start);
        in.words.push_back(line.substr(start, space - start));
    }
    int32_t levels = 0;
    if (!in.Take(INT64_MIN, s.startCalendar) || !in.Take(0, s.lengthMs) || !in.Take(0, s.startLevel) ||
        !in.Take(0, s.endLevel) || !in.Take(0, s.bestLevel) || !in.Take(0, s.score) || !in.Take(0, s.livesLost) ||
        !in.Take(0, levels) || in.words.size() != GAME_FIELDS + LEVEL_FIELDS * static_cast<size_t>(levels)) {
        return false;
    }
    s.levels.resize(static_cast<size_t>(levels));
    for (LevelPlay& l : s.levels) {
        if (!in.Take(1, l.level) || !in.Take(0, l.startMs) || !in.Take(-1, l.toHeartMs) || !in.Take(0, l.presses) ||
            !in.Take(0, l.fewest) || !in.Take(0, l.livesLost)) {
            return false;
        }
    }
    return true;
}
