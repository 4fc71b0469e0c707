// Clocks, pauses and the end of the process.
#include <cstdlib>
#include <ctime>

#include "platform/win32/win32_backend.h"

namespace {

LARGE_INTEGER CounterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// Read during static initialisation, before main runs: the clock counts from the process's start.
const LARGE_INTEGER processStart = CounterNow();

}  // namespace

int64_t PlatformMilliseconds() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int64_t ticks = CounterNow().QuadPart - processStart.QuadPart;
    // Split so the multiplication cannot overflow however long the process runs.
    return (ticks / frequency.QuadPart) * 1000 + (ticks % frequency.QuadPart) * 1000 / frequency.QuadPart;
}

int64_t PlatformCalendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

void PlatformSleep(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds < 1 ? 1 : milliseconds));
}

void PlatformExitProcess(int code) {
    std::exit(code);
}
