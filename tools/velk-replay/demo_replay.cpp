// Demo playback on virtual time: each clock reading moves the scripted clock to it, so the log carries
// the recorded times; the demo's box answers become the script's.
#include "demo_replay.h"

#include <algorithm>

#include "platform/backend.h"
#include "platform/demo/demo_layer.h"
#include "platform/scripted/scripted_platform.h"

Script ArmDemoPlayback(Demo demo) {
    Script script;
    for (const DemoEvent& event : demo.events) {
        // The box stays up in virtual time as long as it was recorded up (a GIF shows it so).
        if (event.kind == DemoEventKind::Box) script.boxes.push_back({event.value == BOX_ANSWER_OK, std::max<int64_t>(event.upFor, 0)});
    }
    DemoPacing pacing;
    pacing.paceTo = [](int64_t demoMilliseconds) { ScriptedAdvanceClock(demoMilliseconds - BackendMilliseconds()); };
    pacing.ended = [] { ScriptedEndRun(); };
    pacing.outOfStep = [](const std::string& why) { throw DemoOutOfStep{why}; };
    pacing.logsToBackend = true;
    StartDemoPlayback(std::move(demo), std::move(pacing));
    return script;
}
