// Standard error while the picture is up: a bounded temporary file, whose last part a crash shows afterwards.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

constexpr off_t LOG_LIMIT = 64 * 1024;
constexpr size_t SHOWN_TAIL = 4 * 1024;

// Read by the crash handlers, so written only while they cannot yet use it.
volatile sig_atomic_t g_savedStderr = -1;
volatile sig_atomic_t g_log = -1;
char g_tail[SHOWN_TAIL];

// Unnamed where the file system allows it, so nothing is left behind however the program ends.
int OpenLog() {
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || dir[0] == '\0') dir = "/tmp";
    int fd = open(dir, O_TMPFILE | O_RDWR | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    char path[4096];
    if (std::snprintf(path, sizeof path, "%s/velk-stderr.XXXXXX", dir) >= static_cast<int>(sizeof path)) return -1;
    fd = mkostemp(path, O_APPEND | O_CLOEXEC);
    if (fd >= 0) unlink(path);
    return fd;
}

// The last SHOWN_TAIL bytes of the log into g_tail; their length. Async-signal-safe.
size_t ReadTail() {
    const off_t size = lseek(g_log, 0, SEEK_END);
    if (size <= 0) return 0;
    const off_t from = size > static_cast<off_t>(SHOWN_TAIL) ? size - static_cast<off_t>(SHOWN_TAIL) : 0;
    const ssize_t got = pread(g_log, g_tail, static_cast<size_t>(size - from), from);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

void WriteAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

}  // namespace

// Library messages (ALSA's above all) would scribble over the picture; elsewhere they harm nothing.
void RouteStderrToLog() {
    if (g_savedStderr >= 0 || !isatty(2)) return;
    const int log = OpenLog();
    if (log < 0) return;
    std::fflush(stderr);
    const int saved = fcntl(2, F_DUPFD_CLOEXEC, 10);
    if (saved < 0 || dup2(log, 2) < 0) {
        if (saved >= 0) close(saved);
        close(log);
        return;
    }
    g_log = log;
    g_savedStderr = saved;
}

void RestoreStderr() {
    if (g_savedStderr < 0) return;
    std::fflush(stderr);
    const int saved = g_savedStderr;
    dup2(saved, 2);
    g_savedStderr = -1;
    close(saved);
    const int log = g_log;
    g_log = -1;
    close(log);
}

void RestoreStderrShowingLog() {
    if (g_savedStderr < 0) return;
    dup2(g_savedStderr, 2);
    if (g_log >= 0) WriteAll(2, g_tail, ReadTail());
}

void TrimErrorLog() {
    struct stat status;
    if (g_log < 0 || fstat(g_log, &status) != 0 || status.st_size <= LOG_LIMIT) return;
    const size_t kept = ReadTail();
    if (ftruncate(g_log, 0) == 0) WriteAll(g_log, g_tail, kept);
}

}  // namespace terminal
