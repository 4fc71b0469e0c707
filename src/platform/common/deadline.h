// What the backends share about the game's wait for input: its deadline turned into a timeout.
#pragma once

#include <cstdint>

#include "platform/backend.h"

// Milliseconds from now until deadline, or -1 for NO_DEADLINE. A deadline already passed gives 0, no
// wait at all: it must never turn into a negative timeout, which the system calls read as "no limit".
inline int64_t MillisecondsUntil(int64_t deadline) {
    if (deadline == NO_DEADLINE) return -1;
    const int64_t left = deadline - BackendMilliseconds();
    return left > 0 ? left : 0;
}
