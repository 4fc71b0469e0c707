// Writing a recording: events written whole, and a failed write remembered for the end.
#include "platform/demo/demo_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

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
