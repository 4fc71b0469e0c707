// The cache file: a header naming its format and the game version, then one line a file, tab-separated.
#include "summary_cache.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/demo/demo_file.h"

namespace {

// A new game version plays demos differently, so its summaries start afresh.
std::string Header() { return std::string("VELKPROGRESS 1 ") + DemoGameVersion(); }

bool Cacheable(const std::string& text) { return text.find_first_of("\t\n\r") == std::string::npos; }

bool ParseLine(const std::string& line, SummaryCache& cache) {
    std::istringstream fields(line);
    std::string name, size, modified, rest;
    if (!std::getline(fields, name, '\t') || !std::getline(fields, size, '\t') || !std::getline(fields, modified, '\t') ||
        !std::getline(fields, rest) || name.empty() || cache.count(name) != 0) {
        return false;
    }
    CachedGame game;
    char* end = nullptr;
    errno = 0;
    game.size = std::strtoull(size.c_str(), &end, 10);
    if (size.empty() || *end != '\0' || errno != 0) return false;
    game.modified = std::strtoll(modified.c_str(), &end, 10);
    if (modified.empty() || *end != '\0' || errno != 0) return false;
    if (rest[0] == '!') {
        game.error = rest.substr(1);
    } else if (!ParseSummary(rest, game.summary)) {
        return false;
    }
    cache[name] = std::move(game);
    return true;
}

}  // namespace

SummaryCache ReadSummaryCache(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    SummaryCache cache;
    if (!std::getline(in, line) || line != Header()) return {};
    while (std::getline(in, line)) {
        if (!ParseLine(line, cache)) return {};
    }
    return in.eof() ? cache : SummaryCache{};
}

bool WriteSummaryCache(const std::string& path, const SummaryCache& cache, std::string& error) {
    std::string text = Header() + "\n";
    for (const auto& [name, game] : cache) {
        if (!Cacheable(name) || !Cacheable(game.error)) continue;  // such a file is replayed each time
        text += name + "\t" + std::to_string(game.size) + "\t" + std::to_string(game.modified) + "\t" +
                (game.error.empty() ? FormatSummary(game.summary) : "!" + game.error) + "\n";
    }
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int why = errno;
    if (file != nullptr && std::fclose(file) != 0 && written) {
        written = false;
        why = errno;
    }
    std::error_code renamed;
    if (written) std::filesystem::rename(temporary, path, renamed);
    if (written && !renamed) return true;
    std::remove(temporary.c_str());
    error = written ? renamed.message() : std::strerror(why);
    return false;
}
