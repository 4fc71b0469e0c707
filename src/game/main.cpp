// The process entry point of the game program; velk-replay and the tests call GameMain themselves.
#include "game/main_loop.h"

int main() { return GameMain(); }
