// The wall with its wandering gate, its style per level, and the gate's zapping.
#pragma once

#include <cstdint>

uint8_t WallGlyphForLevel();
int WallPeriod();
void UpdateZap();
void StepWall();
