// How a terminal with fewer colours, pairs or glyphs than the console shows a cell: pure, so tested alone.
#pragma once

#include <cstdint>

namespace terminal {

// Curses colours (red 1, green 2, blue 4, intensity 8) of one colour pair.
struct PairColours {
    short fg, bg;
};

struct CellColour {
    short pair;  // 0: the terminal's own colours
    bool bold;   // the foreground's intensity shown as bold
    bool blank;  // foreground equals background: the glyph could not be seen anyway
};

struct ColourPlan {
    CellColour of[256];       // by console attribute
    PairColours pairs[257];   // pairs[1..pairCount] to initialise
    int pairCount;
};

// The plan for a terminal of `colours` colours and `pairs` pairs (0, 0: no colour at all). With fewer
// than 16 colours or pairs than attributes it drops the background's intensity first, then shows the
// foreground's as bold; invisible text becomes a blank, which saves the pairs whose colours are equal.
ColourPlan PlanColours(int colours, int pairs);

// A code page 437 glyph without Unicode: the character shown, and whether it is a letter of the
// alternate character set (VT100 line drawing) rather than plain ASCII.
struct FallbackGlyph {
    char character;
    bool alternate;
};
FallbackGlyph FallbackFor(uint8_t byte);

}  // namespace terminal
