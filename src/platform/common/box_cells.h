// A message box drawn into the picture's cells, laid out and coloured as the terminal draws its own.
#pragma once

#include "platform/platform.h"

// Draws the box centred over cells (a whole picture): a single-line frame with the title in its top edge, the
// text's lines, and [ OK ] (with [ Cancel ] for BOX_OKCANCEL), black on light grey; the button pressed
// (BOX_ANSWER_OK or BOX_ANSWER_CANCEL) in reverse, none for 0. The text's bytes are code page 437.
void DrawBoxCells(Cell* cells, const char* text, const char* title, unsigned style, int pressed);
