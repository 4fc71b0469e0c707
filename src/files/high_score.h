// The record high score kept across runs in "VELKGAME.CFG": three copies among random filler.
#pragma once

#include <cstdint>

#include "platform/platform.h"

void LoadHighScore(WindowHandle owner);
// Writes a new file holding the given record.
void SaveHighScore(int32_t record);
