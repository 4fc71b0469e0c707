// Keeping every game: a dated demo a session in the player's folder, made without stopping the game when it cannot be.
#include "platform/demo/kept_games.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/demo/demo_layer.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t STAMP_LENGTH = 19;  // "2026-12-06T22-31-54"
constexpr const char* EXTENSION = ".demo";
constexpr int MAX_COPIES = 1000;     // sessions started in one second

bool Digits(const std::string& text, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

// The copy number of a kept name: 1 for the plain one. Compared as a number, so that "-10" comes after "-9".
long CopyOf(const std::string& name) {
    const size_t end = name.size() - std::strlen(EXTENSION);
    return end == STAMP_LENGTH ? 1 : std::strtol(name.c_str() + STAMP_LENGTH + 1, nullptr, 10);
}

bool Older(const KeptFile& a, const KeptFile& b) {
    const int stamp = a.name.compare(0, STAMP_LENGTH, b.name, 0, STAMP_LENGTH);
    return stamp != 0 ? stamp < 0 : CopyOf(a.name) < CopyOf(b.name);
}

}  // namespace

std::string KeptGameName(int64_t calendarSeconds, int copy) {
    const std::time_t when = static_cast<std::time_t>(calendarSeconds);
    const std::tm* local = std::localtime(&when);
    char name[48] = "1970-01-01T00-00-00";
    if (local != nullptr) std::strftime(name, sizeof name, "%Y-%m-%dT%H-%M-%S", local);
    const size_t stamp = std::strlen(name);
    if (copy > 1) std::snprintf(name + stamp, sizeof name - stamp, "-%d", copy);
    return name + std::string(EXTENSION);
}

bool IsKeptGameName(const std::string& name) {
    const size_t extension = std::strlen(EXTENSION);
    if (name.size() < STAMP_LENGTH + extension || name.compare(name.size() - extension, extension, EXTENSION) != 0) {
        return false;
    }
    const std::string stamp = name.substr(0, STAMP_LENGTH);
    const bool stamped = Digits(stamp, 0, 4) && stamp[4] == '-' && Digits(stamp, 5, 2) && stamp[7] == '-' &&
                         Digits(stamp, 8, 2) && stamp[10] == 'T' && Digits(stamp, 11, 2) && stamp[13] == '-' &&
                         Digits(stamp, 14, 2) && stamp[16] == '-' && Digits(stamp, 17, 2);
    const size_t copyDigits = name.size() - extension - STAMP_LENGTH;
    if (!stamped || copyDigits == 0) return stamped;
    // "-N" with N from 2, as KeptGameName writes it
    return copyDigits >= 2 && name[STAMP_LENGTH] == '-' && name[STAMP_LENGTH + 1] != '0' &&
           Digits(name, STAMP_LENGTH + 1, copyDigits - 1) && CopyOf(name) >= 2;
}

std::vector<std::string> KeptGamesPastCap(std::vector<KeptFile> files, const std::string& current, size_t maxGames,
                                          uintmax_t maxBytes) {
    files.erase(std::remove_if(files.begin(), files.end(), [](const KeptFile& f) { return !IsKeptGameName(f.name); }),
                files.end());
    std::sort(files.begin(), files.end(), Older);
    size_t games = files.size();
    uintmax_t bytes = 0;
    for (const KeptFile& file : files) bytes += file.bytes;
    std::vector<std::string> past;
    for (const KeptFile& file : files) {
        if (games <= maxGames && bytes <= maxBytes) break;
        if (file.name == current) continue;
        past.push_back(file.name);
        games -= 1;
        bytes -= file.bytes;
    }
    return past;
}

void KeepGame(const std::string& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        fs::create_directories(folder, error);
        if (!error) fs::permissions(folder, fs::perms::owner_all, error);
    }
    // The name a session started in the same second as another gets its own copy number.
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::string name;
    for (int copy = 1; !error && name.empty(); ++copy) {
        if (copy > MAX_COPIES) error = std::make_error_code(std::errc::file_exists);
        std::error_code absent;
        const std::string next = KeptGameName(now, copy);
        if (!error && !fs::exists(fs::path(folder) / next, absent) && !absent) name = next;
    }
    std::string why;
    errno = 0;
    if (!error && !StartDemoRecording((fs::path(folder) / name).string(), why)) {
        error = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    }
    if (error) {
        SayAtDemoEnd("VELKGAME.exe: this game was not kept (cannot write in '" + folder + "': " + error.message() + ")");
        return;
    }
    std::vector<KeptFile> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code unreadable;
        if (it->symlink_status(unreadable).type() != fs::file_type::regular) continue;
        const uintmax_t bytes = it->file_size(unreadable);
        if (!unreadable) files.push_back({it->path().filename().string(), bytes});
    }
    for (const std::string& old : KeptGamesPastCap(files, name, MAX_KEPT_GAMES, MAX_KEPT_BYTES)) {
        fs::remove(fs::path(folder) / old, error);
    }
}
