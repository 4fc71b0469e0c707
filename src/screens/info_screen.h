// The information screen shown from start-up until a game begins.
#pragma once

void DrawInfoScreen();
