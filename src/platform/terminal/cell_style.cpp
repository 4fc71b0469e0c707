// Colour plans for terminals of 0, 8, 16 or 256 colours, and the ASCII and line-drawing stand-ins for glyphs.
#include "platform/terminal/cell_style.h"

namespace terminal {
namespace {

// Console colour bits are blue 1, green 2, red 4; curses' are red 1, green 2, blue 4. Intensity is 8 in both.
short ConsoleToCurses(int colour) {
    return static_cast<short>(((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2) | (colour & 8));
}

// level 0 keeps 16 colours both ways, 1 drops the background's intensity, 2 also the foreground's (as bold).
bool TryLevel(int level, int pairs, ColourPlan& plan) {
    short pairOf[16][16] = {};
    plan.pairCount = 0;
    for (int attribute = 0; attribute < 256; ++attribute) {
        int fg = attribute & 15;
        int bg = attribute >> 4;
        if (level >= 1) bg &= 7;
        const bool bold = level == 2 && fg >= 8 && (fg & 7) != bg;
        if (level == 2) fg &= 7;
        const bool blank = fg == bg;
        if (blank) fg = bg == 0 ? 7 : 0;
        if (pairOf[fg][bg] == 0) {
            if (plan.pairCount + 1 >= pairs) return false;
            pairOf[fg][bg] = static_cast<short>(++plan.pairCount);
            plan.pairs[plan.pairCount] = {ConsoleToCurses(fg), ConsoleToCurses(bg)};
        }
        plan.of[attribute] = {pairOf[fg][bg], bold, blank};
    }
    return true;
}

}  // namespace

ColourPlan PlanColours(int colours, int pairs) {
    ColourPlan plan{};
    if (colours >= 16 && pairs > 256) {  // one pair per attribute
        plan.pairCount = 256;
        for (int attribute = 0; attribute < 256; ++attribute) {
            plan.pairs[attribute + 1] = {ConsoleToCurses(attribute & 15), ConsoleToCurses(attribute >> 4)};
            plan.of[attribute] = {static_cast<short>(attribute + 1), false, false};
        }
        return plan;
    }
    for (int level = colours >= 16 ? 0 : 2; colours >= 8 && level <= 2; ++level) {
        if (TryLevel(level, pairs, plan)) return plan;
    }
    plan.pairCount = 0;
    for (int attribute = 0; attribute < 256; ++attribute) {
        const int fg = attribute & 15;
        plan.of[attribute] = {0, fg >= 8, fg == attribute >> 4};
    }
    return plan;
}

FallbackGlyph FallbackFor(uint8_t byte) {
    // The box-drawing bytes 0xB3..0xDA, double lines drawn single: x vertical, q horizontal, t u v w the
    // tees opening right, left, up and down, n a cross, l k m j the corners top left, top right, bottom left, bottom right.
    constexpr char BOX[] = "xuuukkuxkjjjkmvwtqnttmlvwtqnvvwwmmllnnjl";
    // Accented letters 0x80..0xA5 without their accents.
    constexpr char PLAIN_LETTERS[] = "CueaaaaceeeiiiAAEaAooouuyOUcLYPfaiounN";
    if (byte >= 0x20 && byte < 0x7F) return {static_cast<char>(byte), false};
    if (byte >= 0xB3 && byte <= 0xDA) return {BOX[byte - 0xB3], true};
    switch (byte) {
        case 0xB0: return {'h', true};
        case 0xB1: case 0xB2: return {'a', true};
        case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF: case 0xFE: case 0x08: case 0x0A: return {'0', true};
        case 0x10: case 0x1A: return {'+', true};
        case 0x11: case 0x1B: return {',', true};
        case 0x18: case 0x1E: return {'-', true};
        case 0x19: case 0x1F: return {'.', true};
        case 0x03: case 0x04: return {'`', true};
        case 0x07: case 0xF9: case 0xFA: return {'~', true};
        case 0xF8: return {'f', true};
        case 0xF1: return {'g', true};
        case 0xF2: return {'z', true};
        case 0xF3: return {'y', true};
        case 0xE3: return {'{', true};
        case 0x9C: return {'}', true};
        case 0x00: case 0xFF: return {' ', false};
        default: return {byte >= 0x80 && byte <= 0xA5 ? PLAIN_LETTERS[byte - 0x80] : '?', false};
    }
}

}  // namespace terminal
