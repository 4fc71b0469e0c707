// PlatformPresent through the terminal backend into a pseudo-terminal: time and bytes written per present.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr uint16_t FIELD = 0x90, TEXT = 0x9A, VALUE = 0x97, ACTOR = 0x9C;
constexpr uint8_t ARROW = 0x10, HEART = 0x03, WALL = 0xC3;

using Picture = std::vector<Cell>;

int g_master = -1;
std::atomic<uint64_t> g_bytesRead{0};

// The terminal emulator's side: reads everything at once, so presents never wait for a full buffer.
void DrainTerminal() {
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(g_master, buffer, sizeof buffer);
        if (got > 0) g_bytesRead += static_cast<uint64_t>(got);
        else if (got < 0 && errno != EINTR) return;
    }
}

// Waits until the terminal has read everything written so far, and says how much that was.
uint64_t SettledBytes() {
    uint64_t last = g_bytesRead;
    for (;;) {
        usleep(20000);
        const uint64_t now = g_bytesRead;
        if (now == last) return now;
        last = now;
    }
}

void Put(Picture& picture, int row, int col, const std::string& text, uint16_t attribute) {
    for (char c : text) picture[row * SCREEN_COLS + col++] = Cell{static_cast<uint16_t>(static_cast<unsigned char>(c)), attribute};
}

Picture Blank() { return Picture(SCREEN_CELLS, Cell{' ', FIELD}); }

// A level: status rows, the wall with its gate, the arrow and the heart.
Picture Level(int wallCol, int arrowCol) {
    Picture picture = Blank();
    Put(picture, 1, 0, " Record high score: ", TEXT);
    Put(picture, 1, 20, "12300", VALUE);
    Put(picture, 2, 0, " Your current score: ", TEXT);
    Put(picture, 2, 21, "4500", VALUE);
    Put(picture, 3, 0, " Lives remained: ", TEXT);
    for (int i = 0; i < 6; ++i) picture[3 * SCREEN_COLS + 17 + i] = Cell{ARROW, VALUE};
    Put(picture, 4, 0, " Current level: 9", TEXT);
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        const bool gate = row >= 11 && row <= 13;
        picture[row * SCREEN_COLS + wallCol] = gate ? Cell{' ', ACTOR} : Cell{WALL, TEXT};
    }
    picture[15 * SCREEN_COLS + arrowCol] = Cell{ARROW, ACTOR};
    picture[20 * SCREEN_COLS + 119] = Cell{HEART, ACTOR};
    return picture;
}

// An intro frame: " VELK" groups, each in a random attribute of its own.
Picture IntroFrame(std::mt19937& random) {
    Picture picture(SCREEN_CELLS);
    uint16_t attribute = 0;
    for (int k = 0; k < SCREEN_CELLS; ++k) {
        if (k % 5 == 0) attribute = static_cast<uint16_t>(random() & 0xFF);
        picture[k] = Cell{static_cast<uint16_t>(" VELK"[k % 5]), attribute};
    }
    return picture;
}

// Presents the pictures in turn; reports the bytes the terminal received per present.
void PresentInTurn(benchmark::State& state, const std::vector<Picture>& pictures) {
    PlatformPresent(pictures.back().data());
    const uint64_t before = SettledBytes();
    size_t next = 0;
    for (auto _ : state) {
        PlatformPresent(pictures[next].data());
        next = next + 1 == pictures.size() ? 0 : next + 1;
    }
    const uint64_t written = SettledBytes() - before;
    state.counters["bytes_per_present"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}

void BM_PresentUnchanged(benchmark::State& state) { PresentInTurn(state, {Level(60, 10)}); }
void BM_PresentArrowMove(benchmark::State& state) { PresentInTurn(state, {Level(60, 10), Level(60, 11)}); }
void BM_PresentWallStep(benchmark::State& state) { PresentInTurn(state, {Level(60, 10), Level(59, 10)}); }
void BM_PresentIntroFrame(benchmark::State& state) {
    std::mt19937 random(1);
    std::vector<Picture> frames;
    for (int i = 0; i < 16; ++i) frames.push_back(IntroFrame(random));
    PresentInTurn(state, frames);
}

BENCHMARK(BM_PresentUnchanged);
BENCHMARK(BM_PresentArrowMove);
BENCHMARK(BM_PresentWallStep);
BENCHMARK(BM_PresentIntroFrame);

// The report goes to the original standard output; the game's terminal is the pseudo-terminal.
class FdStream : public std::streambuf {
public:
    explicit FdStream(int fd) : fd_(fd) {}

protected:
    int overflow(int c) override {
        if (c == EOF) return 0;
        const char ch = static_cast<char>(c);
        return write(fd_, &ch, 1) == 1 ? c : EOF;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        std::streamsize done = 0;
        while (done < count) {
            const ssize_t n = write(fd_, text + done, static_cast<size_t>(count - done));
            if (n <= 0) break;
            done += n;
        }
        return done;
    }

private:
    int fd_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const int report = dup(1);
    winsize size = {static_cast<unsigned short>(SCREEN_ROWS), static_cast<unsigned short>(SCREEN_COLS), 0, 0};
    int terminal = -1;
    if (openpty(&g_master, &terminal, nullptr, nullptr, &size) != 0) {
        std::perror("openpty");
        return 1;
    }
    dup2(terminal, 0);
    dup2(terminal, 1);
    close(terminal);
    setenv("TERM", "xterm-256color", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::thread(DrainTerminal).detach();
    PlatformSetUpConsole();

    FdStream buffer(report);
    std::ostream out(&buffer);
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;  // the backend's exit handler restores the pseudo-terminal
}
