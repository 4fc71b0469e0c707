// The replay driver: arms the scripted platform, runs the game, and closes the log.
#include "replay.h"

#include "game/main_loop.h"

void Replay(const Script& script, std::ostream& log) {
    ScriptedBegin(script, log);
    try {
        PlatformExitProcess(GameMain());
    } catch (const ScriptedRunStopped&) {
        // The game ended (its exit logged), or the script's end came: the log already says which.
    }
    ScriptedFinish();
}
