// The process entry point of the game program; velk-replay and the tests call GameMain themselves.
#include "game/main_loop.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    PlatformStartProgram(argc, argv);
    return GameMain();
}
