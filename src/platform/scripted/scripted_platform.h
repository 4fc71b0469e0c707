// The virtual platform of replays and tests: virtual time, scripted input and box answers, and a log.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "platform/platform.h"
#include "platform/scripted/script.h"

// Thrown out of the game's code when the run is over: the game ended the process from inside, or the
// script's end time came. The driver catches it around the game's entry function.
struct ScriptedRunStopped {};

// Arms the virtual platform with a script and the stream the log goes to; time starts at 0. The game's
// own globals are the driver's to reset between runs in one process.
void ScriptedBegin(const Script& script, std::ostream& log);
// Writes the log's tail: the present count and the final picture.
void ScriptedFinish();

// The picture last presented in the most recent run (all blanks, attribute 0, before any present).
const Cell* ScriptedLastPicture();

// The virtual time of the game's last request to bring its console to the front; -1 if none.
int64_t ScriptedLastFrontTime();
// The visibility the game last gave the console's cursor (1 before it set any).
int ScriptedCursorVisible();

// Called after every present with the virtual time and the presented cells (tests watch the game with it).
void SetScriptedPresentObserver(std::function<void(int64_t now, const Cell* cells)> observer);

// Called for every message box once it has closed: when it opened and closed in virtual time, what it showed and
// the button that closed it (BOX_ANSWER_...). Nothing is presented meanwhile: it stood over the last picture.
using ScriptedBoxObserver = std::function<void(int64_t opened, int64_t closed, const char* text, const char* title,
                                               unsigned style, int answer)>;
void SetScriptedBoxObserver(ScriptedBoxObserver observer);

// Called at the start of every input count, after the clock has advanced: a test's scripted player can
// look at the game there.
void SetScriptedInputHook(std::function<void(int64_t now)> hook);
// Makes every wait return at once, as in a game that never sleeps, for runs that check that the waits change
// nothing (the log counts the presents such a game makes either way). Kept across runs.
void ScriptedSetBusyWaits(bool busy);
// Moves virtual time on, as a machine that stalled would; records come due by the new time.
void ScriptedAdvanceClock(int64_t milliseconds);
// Ends the run here as a script's end time would: logs "end" and throws ScriptedRunStopped.
[[noreturn]] void ScriptedEndRun();
