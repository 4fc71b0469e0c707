// Clocks and pauses: a monotonic clock from process start, calendar seconds, and sleeps that survive signals.
#include <cerrno>
#include <ctime>

#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace {

int64_t NowNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t StartNanoseconds() {
    static const int64_t start = NowNanoseconds();
    return start;
}

// Fixes the start while the program loads, before main runs.
const int64_t startTouched = StartNanoseconds();

}  // namespace

int64_t BackendMilliseconds() { return (NowNanoseconds() - StartNanoseconds()) / 1000000; }

int64_t BackendCalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

void BackendSleep(int milliseconds) {
    terminal::HandlePendingSignal();
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    // A signal cuts the sleep short: a termination ends the process, a resize redraws at once.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        terminal::HandlePendingSignal();
        terminal::ApplyResize(true);
    }
    (void)startTouched;
}
