// Runs VELKGAME.exe in a pseudo-terminal as a terminal emulator would, and measures its CPU share, wake-ups and key-to-picture latency.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int g_master = -1;
pid_t g_game = -1;
std::string g_seen;  // everything the game wrote since the last Forget()

// Reads what arrived within timeoutMs; false when nothing did.
bool ReadSome(int timeoutMs) {
    pollfd terminal = {g_master, POLLIN, 0};
    if (poll(&terminal, 1, timeoutMs) <= 0) return false;
    char buffer[65536];
    const ssize_t got = read(g_master, buffer, sizeof buffer);
    if (got <= 0) return false;
    g_seen.append(buffer, static_cast<size_t>(got));
    if (g_seen.size() > (1u << 20)) g_seen.erase(0, g_seen.size() - (1u << 16));
    return true;
}

void Forget() { g_seen.clear(); }

bool WaitForText(const std::string& text, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (g_seen.find(text) == std::string::npos) {
        if (Clock::now() > end) return false;
        ReadSome(50);
    }
    return true;
}

// Reads until the game has been silent for quietMs.
void WaitForQuiet(int quietMs) {
    while (ReadSome(quietMs)) {
    }
}

void Send(const char* keys) {
    if (write(g_master, keys, std::strlen(keys)) < 0) std::perror("write");
}

// Run time (to the nanosecond: ticks would be biased, the game wakes on a timer too) and voluntary context
// switches of the game's threads: the main thread's apart, the others' (SDL's audio thread) summed.
struct Usage {
    double cpuSeconds = 0;
    long mainWakeups = 0;
    long otherWakeups = 0;
};

long VoluntarySwitches(const std::string& task) {
    std::ifstream status(task + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::atol(line.c_str() + 24);
    }
    return 0;
}

Usage ReadUsage() {
    Usage usage;
    const std::string tasks = "/proc/" + std::to_string(g_game) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) return usage;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const std::string task = tasks + "/" + entry->d_name;
        std::ifstream schedstat(task + "/schedstat");
        double runNs = 0;
        if (schedstat >> runNs) usage.cpuSeconds += runNs / 1e9;
        const bool mainThread = std::atoi(entry->d_name) == g_game;
        (mainThread ? usage.mainWakeups : usage.otherWakeups) += VoluntarySwitches(task);
    }
    closedir(dir);
    return usage;
}

struct IdleFigures {
    double cpuPercent, mainPerSecond, otherPerSecond;
};

// The game's CPU share of one core and its wake-ups a second over the given seconds, while the terminal keeps reading.
IdleFigures Idle(int seconds) {
    const Usage before = ReadUsage();
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    while (Clock::now() < end) ReadSome(100);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const Usage after = ReadUsage();
    return IdleFigures{(after.cpuSeconds - before.cpuSeconds) / elapsed * 100.0,
                       static_cast<double>(after.mainWakeups - before.mainWakeups) / elapsed,
                       static_cast<double>(after.otherWakeups - before.otherWakeups) / elapsed};
}

// Writes a key and times the first picture bytes that follow. Each sample starts from a terminal silent for
// settleMs: in a level, longer than the wall step's pause, so no key waits for that pause to end.
std::vector<double> KeyLatencies(const char* const* keys, int keyCount, int samples, int settleMs) {
    std::vector<double> micros;
    for (int i = 0; i < samples; ++i) {
        WaitForQuiet(settleMs);
        const auto start = Clock::now();
        Send(keys[i % keyCount]);
        if (!ReadSome(1000)) continue;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return micros;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size())))];
}

void Report(const char* where, const IdleFigures& idle, const std::vector<double>& latencies) {
    std::printf("%-18s CPU %.3f%% of one core; wake-ups/s: game thread %.1f, other threads %.1f; "
                "key-to-picture median %.0f us, p99 %.0f us (%zu keys)\n",
                where, idle.cpuPercent, idle.mainPerSecond, idle.otherPerSecond, Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), latencies.size());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PACKAGE_DIR [GAME ARGUMENT...]\n", argv[0]);
        return 2;
    }
    winsize size = {30, 120, 0, 0};
    g_game = forkpty(&g_master, nullptr, nullptr, &size);
    if (g_game < 0) {
        std::perror("forkpty");
        return 1;
    }
    if (g_game == 0) {
        if (chdir(argv[1]) != 0) _exit(127);
        setenv("TERM", "xterm-256color", 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        argv[1] = const_cast<char*>("VELKGAME.exe");
        execv("./VELKGAME.exe", argv + 1);
        _exit(127);
    }
    // xterm-256color in keypad mode: the arrows as such a terminal sends them.
    const char* const sideways[] = {"\033OC", "\033OD"};
    const char* const upDown[] = {"\033OB", "\033OA"};

    // A picture that never comes ends the probe, and the game with it.
    const auto require = [](const char* text, int timeoutMs, const char* what) {
        if (WaitForText(text, timeoutMs)) return true;
        std::fprintf(stderr, "%s did not appear\n", what);
        kill(g_game, SIGTERM);
        return false;
    };
    int status = 0;
    if (!require("Background: VELK", 10000, "the information screen")) return 1;
    WaitForQuiet(300);
    const IdleFigures infoIdle = Idle(10);
    // On the information screen an arrow key shows the arrow for one pass; the next pass paints it over.
    const std::vector<double> infoLatency = KeyLatencies(sideways, 2, 200, 30);
    Report("information screen", infoIdle, infoLatency);

    Forget();
    Send("b");
    // A fresh package has no record yet: its box comes after the intro. Curses writes only what changed,
    // so a level's text may come in pieces; its arrows come whole.
    if (WaitForText("High-Scroe file", 15000)) {
        Send("\r");
        Forget();
    }
    if (!require("\xe2\x96\xba\xe2\x96\xba\xe2\x96\xba", 10000, "level 1")) return 1;
    WaitForQuiet(100);
    const IdleFigures levelIdle = Idle(10);
    // In level 1 the wall steps every 700 ms and then pauses 60 ms: 100 ms of silence is past that pause.
    const std::vector<double> levelLatency = KeyLatencies(upDown, 2, 100, 100);
    Report("level 1", levelIdle, levelLatency);

    // An Esc that comes while the game walks a batch is flushed with it, as on the console: press again.
    for (int tries = 0; tries < 5 && waitpid(g_game, &status, WNOHANG) == 0; ++tries) {
        Send("\033");
        WaitForQuiet(500);
    }
    if (waitpid(g_game, &status, WNOHANG) == 0) {
        kill(g_game, SIGTERM);
        waitpid(g_game, &status, 0);
    }
    return 0;
}
