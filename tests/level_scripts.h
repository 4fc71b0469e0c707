// Scripts shared by the end-to-end tests: a key pressed many times in one batch, and one short game.
#pragma once

#include <string>

// count presses of one key, all due at the same time, so one input pass reads them as one batch.
inline std::string Presses(long long at, const char* key, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "at " + std::to_string(at) + " key " + key + "\n";
    return lines;
}

// 'b' at 10; level 1 starts at 4310 (gate from row 6, the calendar second being even); the arrow jumps the
// wall inside the gate at 4400 and takes the heart at 4800 (100 points); level 2 starts at 6400, the arrow
// runs into the wall outside the gate at 6600, and the level starts again at 8200. Message boxes close at once.
inline std::string ShortGameScript(long long end) {
    return "at 10 key b\n" + Presses(4400, "Up", 9) + Presses(4400, "Right", 117) + Presses(4800, "Down", 9) +
           Presses(4800, "Right", 1) + Presses(6600, "Right", 116) + "end " + std::to_string(end) + "\n";
}
