// Writing a recording: the target checked before anything starts, events written whole, and a failed write remembered.
#include "platform/demo/demo_writer.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What a demo written over would cost the player: their records, or the game itself.
struct GameFile {
    const char* name;
    const char* what;
};
constexpr GameFile GAME_FILES[] = {
    {"VELKGAME.CFG", "record file"}, {"VELKGAME.exe", "program"}, {"VELKGSND1.wav", "sound"}, {"VELKGSND2.wav", "sound"},
    {"VELKGSND3.wav", "sound"},      {"VELKGSND4.wav", "sound"},  {"VELKGSND5.wav", "sound"}, {"VELKGSND6.wav", "sound"},
};

// Without regard to case, as the file systems of Windows and macOS name files.
bool SameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// The game file path is, or nullptr: the same file (device and inode, so any link or path to it), or for a file not
// made yet, its name in the working folder, the links on the way to it followed.
const GameFile* GameFileAt(const std::string& path) {
    std::error_code none;  // a file or folder that is not there is no game file
    for (const GameFile& file : GAME_FILES) {
        if (fs::equivalent(path, file.name, none)) return &file;
    }
    fs::path at = fs::absolute(path, none);
    for (int links = 0; links < 40; ++links) {  // the kernel's own limit
        if (fs::equivalent(at.parent_path(), ".", none)) {
            for (const GameFile& file : GAME_FILES) {
                if (SameName(at.filename().string(), file.name)) return &file;
            }
        }
        std::error_code unreadable;
        if (!fs::is_symlink(fs::symlink_status(at, none))) break;
        at = at.parent_path() / fs::read_symlink(at, unreadable);
        if (unreadable) break;
    }
    return nullptr;
}

struct Writer {
    std::FILE* file = nullptr;
    std::string path;
    std::string unwritten;
    std::vector<std::pair<size_t, int64_t>> ends;  // each buffered line's end in unwritten, and the clock after it
    uintmax_t written = 0;                         // the bytes of whole lines in the file
    int64_t writtenClock = -1;                     // the clock after the last of them; -1: not even the header
    std::string failure;
};

Writer writer;

void SayFailure(int error) {
    char moment[64] = "nothing";
    if (writer.writtenClock >= 0) {
        std::snprintf(moment, sizeof moment, "the game up to %.3f s", static_cast<double>(writer.writtenClock) / 1000);
    }
    writer.failure = "VELKGAME.exe: the demo '" + writer.path + "' is incomplete (writing it failed: " +
                     std::strerror(error != 0 ? error : EIO) + "); it holds " + moment;
}

}  // namespace

bool DemoTargetAllowed(const std::string& path, bool overwrite, std::string& error) {
    std::error_code ec;
    if (const GameFile* file = GameFileAt(path)) {
        error = "--record '" + path + "': that is the game's " + file->what + " " + file->name + ", which a demo never replaces";
        return false;
    }
    if (!overwrite && fs::exists(path, ec) && !fs::is_directory(path, ec)) {
        error = "--record '" + path + "': the file exists; --overwrite replaces it";
        return false;
    }
    return true;
}

bool OpenDemoWriter(const std::string& path, std::string& error) {
    CloseDemoWriter();
    writer = Writer{};
    writer.file = std::fopen(path.c_str(), "wb");
    if (writer.file == nullptr) {
        error = "cannot write the demo '" + path + "': " + std::strerror(errno);
        return false;
    }
    // Unbuffered, so that each write says how much of it reached the file.
    std::setvbuf(writer.file, nullptr, _IONBF, 0);
    writer.path = path;
    writer.unwritten = DemoHeaderLine();
    writer.ends.emplace_back(writer.unwritten.size(), 0);
    FlushDemo();
    return true;
}

void AppendToDemo(const DemoEvent& event, int64_t clock) {
    if (writer.file == nullptr) return;
    AppendDemoEvent(writer.unwritten, event);
    writer.ends.emplace_back(writer.unwritten.size(), clock);
    if (writer.unwritten.size() >= 4096) FlushDemo();
}

void FlushDemo() {
    if (writer.file == nullptr || writer.unwritten.empty()) return;
    const size_t put = std::fwrite(writer.unwritten.data(), 1, writer.unwritten.size(), writer.file);
    const int error = errno;
    const bool whole = put == writer.unwritten.size();
    size_t wholeLines = 0;
    for (const auto& [end, clock] : writer.ends) {
        if (end > put) break;
        wholeLines = end;
        writer.writtenClock = clock;
    }
    writer.written += wholeLines;
    writer.unwritten.clear();
    writer.ends.clear();
    if (whole) return;
    // Nothing more is written; a line only partly written is cut off again where the system allows.
    std::fclose(writer.file);
    writer.file = nullptr;
    std::error_code ignored;
    if (put > wholeLines && fs::is_regular_file(writer.path, ignored)) fs::resize_file(writer.path, writer.written, ignored);
    SayFailure(error);
}

void CloseDemoWriter() {
    FlushDemo();
    if (writer.file != nullptr && std::fclose(writer.file) != 0) SayFailure(errno);
    writer.file = nullptr;
}

const std::string& DemoWriteFailure() { return writer.failure; }
