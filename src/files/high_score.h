// The record high score kept across runs in "VELKGAME.CFG": three copies among random filler.
#pragma once

#include "platform/platform.h"

void LoadHighScore(WindowHandle owner);
void SaveHighScore();
void ReportCorruptHighScore(WindowHandle owner);
