// velk-progress: the player's progress from the games VELKGAME.exe --keep kept in a folder.
#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/demo/demo_file.h"
#include "progress_report.h"
#include "summary_cache.h"

namespace fs = std::filesystem;

namespace {

constexpr int EXIT_NOT_WRITTEN = 1;
constexpr int EXIT_BAD_INPUT = 2;
constexpr const char* CACHE_NAME = ".summaries";

const char* const HELP =
    "Usage: velk-progress --games DIR\n"
    "  or:  velk-progress --stats DIR [--svg FILE]\n"
    "Show the player's progress from the games VELK keeps in DIR (velk keeps them in\n"
    "${XDG_DATA_HOME:-~/.local/share}/velk/games).\n"
    "\n"
    "      --games DIR   list the kept games, one line each: date and time, length,\n"
    "                    the levels it started and ended at, score, lives lost\n"
    "      --stats DIR   games and practice time today, in the last 7 days and in all;\n"
    "                    the best level and score; for each level reached how often,\n"
    "                    the median seconds to the heart, arrow presses and presses\n"
    "                    beyond the fewest, and the lives lost there; a chart of the\n"
    "                    level reached in the last 30 games\n"
    "      --svg FILE    with --stats, also write a chart of the levels reached and\n"
    "                    the median seconds to the heart per game as an SVG picture\n"
    "      --help        display this help and exit\n"
    "      --version     output version information and exit\n"
    "\n"
    "Each game is replayed once with the game's own code; what it came to is kept in\n"
    "DIR/.summaries for the next report. A file that is not a demo of this version, or\n"
    "a demo the game parts from, is named on standard error and not counted.\n"
    "Exit status: 0 if done, 1 if the report could not be written, 2 for bad input.\n";

[[noreturn]] void Refuse(const std::string& why) {
    std::fprintf(stderr, "velk-progress: %s\n", why.c_str());
    std::exit(EXIT_BAD_INPUT);
}

[[noreturn]] void BadUsage(const std::string& why) { Refuse(why + "; try --help"); }

// The whole file, or false with errno set; past MAX_DEMO_BYTES it is no demo, so reading stops there.
bool ReadText(const fs::path& path, std::string& text) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) return false;
    char chunk[65536];
    size_t got;
    while (text.size() <= MAX_DEMO_BYTES && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}

// The summaries of the folder's games: from the cache where a file is as it was, else replayed, and the cache
// brought up to date. Files that are not counted are named on standard error.
std::vector<GameSummary> SummariseFolder(const std::string& folder) {
    std::error_code error;
    std::vector<fs::directory_entry> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->path().filename().string()[0] != '.' && it->is_regular_file(ignored)) files.push_back(*it);
    }
    if (error) Refuse("cannot read the folder '" + folder + "': " + error.message());
    std::sort(files.begin(), files.end());
    const std::string cachePath = (fs::path(folder) / CACHE_NAME).string();
    const SummaryCache cached = ReadSummaryCache(cachePath);
    SummaryCache current;
    std::vector<GameSummary> games;
    for (const fs::directory_entry& file : files) {
        const std::string name = file.path().filename().string();
        CachedGame game;
        std::error_code unreadable;
        game.size = file.file_size(unreadable);
        game.modified = static_cast<int64_t>(file.last_write_time(unreadable).time_since_epoch().count());
        const auto hit = cached.find(name);
        std::string text;
        if (hit != cached.end() && hit->second.size == game.size && hit->second.modified == game.modified) {
            game = hit->second;
        } else if (unreadable || !ReadText(file.path(), text)) {
            game.error = name + ": cannot read it: " + (unreadable ? unreadable.message() : std::strerror(errno));
        } else if (text.size() > MAX_DEMO_BYTES) {
            game.error = name + ": larger than 64 MiB: not a demo this game made";
        } else {
            SummariseDemo(text, name, game.summary, game.error);
        }
        if (game.error.empty()) games.push_back(game.summary);
        if (!game.error.empty()) std::fprintf(stderr, "velk-progress: skipped %s\n", game.error.c_str());
        current[name] = std::move(game);
    }
    std::string why;
    const auto sameFile = [](const auto& a, const auto& b) {
        return a.first == b.first && a.second.size == b.second.size && a.second.modified == b.second.modified;
    };
    const bool same = current.size() == cached.size() && std::equal(current.begin(), current.end(), cached.begin(), sameFile);
    if (!same && !WriteSummaryCache(cachePath, current, why)) {
        std::fprintf(stderr, "velk-progress: cannot keep the summaries in '%s': %s (each game is replayed again next time)\n",
                     cachePath.c_str(), why.c_str());
    }
    return games;
}

bool WriteAll(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    enum { GAMES = 1, STATS, SVG, HELP_OPTION, VERSION };
    static const option OPTIONS[] = {
        {"games", required_argument, nullptr, GAMES}, {"stats", required_argument, nullptr, STATS},
        {"svg", required_argument, nullptr, SVG},     {"help", no_argument, nullptr, HELP_OPTION},
        {"version", no_argument, nullptr, VERSION},   {nullptr, 0, nullptr, 0},
    };
    const char* games = nullptr;
    const char* stats = nullptr;
    const char* svgPath = nullptr;
    opterr = 0;
    for (int option; (option = getopt_long(argc, argv, ":", OPTIONS, nullptr)) != -1;) {
        switch (option) {
            case GAMES: games = optarg; break;
            case STATS: stats = optarg; break;
            case SVG: svgPath = optarg; break;
            case HELP_OPTION: std::fputs(HELP, stdout); return 0;
            case VERSION: std::printf("velk-progress (VELK) %s\n", DemoGameVersion()); return 0;
            case ':': BadUsage(std::string("option '") + argv[optind - 1] + "' needs an argument");
            default: BadUsage(std::string("unknown option '") + argv[optind - 1] + "'");
        }
    }
    if (optind < argc) BadUsage(std::string("unexpected argument '") + argv[optind] + "'");
    if ((games == nullptr) == (stats == nullptr)) BadUsage("give one of --games DIR and --stats DIR");
    if (svgPath != nullptr && stats == nullptr) BadUsage("--svg goes with --stats");
    // Opened before the work, so that a report that cannot be written costs no replays.
    std::FILE* svg = svgPath != nullptr ? std::fopen(svgPath, "wb") : nullptr;
    if (svgPath != nullptr && svg == nullptr) Refuse(std::string("cannot write '") + svgPath + "': " + std::strerror(errno));

    const std::vector<GameSummary> summaries = SummariseFolder(games != nullptr ? games : stats);
    const std::string report = games != nullptr ? GamesList(summaries)
                                                : ProgressReport(summaries, static_cast<int64_t>(std::time(nullptr)));
    if (!WriteAll(stdout, report)) {
        std::fprintf(stderr, "velk-progress: cannot write the report: %s\n", std::strerror(errno));
        return EXIT_NOT_WRITTEN;
    }
    if (svg != nullptr) {
        const bool written = WriteAll(svg, ProgressSvg(summaries));
        const int why = errno;
        if (std::fclose(svg) != 0 || !written) {
            std::fprintf(stderr, "velk-progress: cannot write '%s': %s\n", svgPath, std::strerror(written ? errno : why));
            return EXIT_NOT_WRITTEN;
        }
    }
    return 0;
}
