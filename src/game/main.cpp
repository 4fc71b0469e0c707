// The process entry point of the game program; velk-replay and the tests call GameMain themselves.
#include "game/main_loop.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    PlatformStartProgram(argc, argv);
    // The platform ends the process, as it does for every other way out (a watched demo then ends with the
    // viewer's status rather than the recorded game's).
    PlatformExitProcess(GameMain());
}
