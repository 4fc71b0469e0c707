// Runs the game's entry function once under a replay script on the scripted platform.
#pragma once

#include <ostream>

#include "platform/scripted/scripted_platform.h"

// Writes the run's log to log. The game's globals must be fresh (a new process, or reset by the caller).
void Replay(const Script& script, std::ostream& log);
