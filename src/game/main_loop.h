// The game's entry function: start-up, the level loop and the input loop.
#pragma once

// Runs the whole program and returns its exit code (1 after Esc or a keyboard failure). The package
// check's failure and the refusal of another game end the process from inside with code 0.
int GameMain();
