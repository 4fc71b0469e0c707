// Clocks, pauses, timed waits and the end of the process.
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

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A high-resolution timer (Windows 10 1803 on) ends waits and pauses to the millisecond without raising
// the whole system's tick rate, as timeBeginPeriod would; null where the system has none.
HANDLE PreciseTimer() {
    static const HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer;
}

}  // namespace

void win32::WaitForHandleOrTime(HANDLE handle, int64_t milliseconds) {
    if (milliseconds < 0) {
        if (handle != nullptr) WaitForSingleObject(handle, INFINITE);
        return;
    }
    const HANDLE timer = PreciseTimer();
    LARGE_INTEGER due;
    due.QuadPart = -milliseconds * 10000;  // relative, in 100 ns units
    if (milliseconds > 0 && timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        const HANDLE both[] = {timer, handle};
        WaitForMultipleObjects(handle != nullptr ? 2 : 1, both, FALSE, INFINITE);
        CancelWaitableTimer(timer);
        return;
    }
    // Without the timer the system's tick decides: the wait may end up to one tick late.
    if (handle != nullptr) WaitForSingleObject(handle, static_cast<DWORD>(milliseconds));
    else Sleep(static_cast<DWORD>(milliseconds));
}

int64_t BackendMilliseconds() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int64_t ticks = CounterNow().QuadPart - processStart.QuadPart;
    // Split so the multiplication cannot overflow however long the process runs.
    return (ticks / frequency.QuadPart) * 1000 + (ticks % frequency.QuadPart) * 1000 / frequency.QuadPart;
}

int64_t BackendCalendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

void BackendSleep(int milliseconds) {
    win32::WaitForHandleOrTime(nullptr, milliseconds);
}

void BackendExitProcess(int code) {
    std::exit(code);
}
