// The demo layer between the game and the backend: passing through, recording a demo, or playing one back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/demo/demo_file.h"

// How a playback meets its backend.
struct DemoPacing {
    // Returns once the recorded clock reading is due: in real time for a backend that shows the game, at
    // once for a virtual clock moved to it.
    std::function<void(int64_t demoMilliseconds)> paceTo;
    // The demo is over while the game goes on (it was recorded up to a kill). Must not return.
    std::function<void()> ended;
    // The game did something other than what the demo holds; why says when and what. Must not return.
    std::function<void(const std::string& why)> outOfStep;
    // Shows a box the player saw, for about as long as it was up (upFor ms; -1: not recorded), then returns.
    std::function<void(const char* text, const char* title, unsigned style, int answer, int64_t upFor)> showBox;
    // The game ended the process with code. Must not return; without it the backend ends it with that code.
    std::function<void(int code)> gameExited;
    // Whether the game's boxes and its exit key go to the backend too, for a backend that logs them (the boxes
    // must answer as the demo does). A viewer's terminal must not get the exit key.
    bool logsToBackend = false;
};

// Every answer the backend gives from now on is written to path, before each wait, pause, box and the exit. A write
// that fails ends the recording but not the game; the process's normal end then says so on standard error, once a
// backend's own exit handlers (registered after this) gave the terminal back. False with error set when the file
// cannot be made.
bool StartDemoRecording(const std::string& path, std::string& error);
// For a game that plays on without the recording it was to make: line is said at the process's normal end, as a
// failed write is.
void SayAtDemoEnd(std::string line);
// From now on the game's questions are answered from demo.
void StartDemoPlayback(Demo demo, DemoPacing pacing);
// Back to passing everything through; a recording is closed.
void StopDemo();
// The last clock reading recorded or played back, in ms.
int64_t DemoClock();
// After the game returned: the check of its last pictures, if the demo holds one.
void CheckLastDemoPictures();
// The events of the demo being played that the game has not asked for yet.
size_t DemoEventsLeft();
// Pacing against the backend's own clock and keys, for watching: X times real time, Space pauses, Esc stops.
DemoPacing WatchingPacing(double speed);
