// The picture: console cells to curses glyphs and colour pairs, centred or clipped, redrawn only where changed.
#include <curses.h>
#include <langinfo.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/common/cp437.h"
#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

struct Colour {
    short pair;
    attr_t attrs;
    bool blank;  // foreground equals background here: the glyph could not be seen anyway
};

Colour colourTable[256];
wchar_t glyphTable[256];
attr_t glyphAttrTable[256];

// What the screen shows; a cell that was never presented holds NEVER_SHOWN.
constexpr Cell NEVER_SHOWN = {0xFFFF, 0xFFFF};
Cell shown[SCREEN_CELLS];
bool anyShown = false;
Layout shownLayout = {0, 0, 0, 0, true};

// Console colour bits are blue 1, green 2, red 4; curses' are red 1, green 2, blue 4. Intensity is 8 in both.
short ConsoleToCurses(int colour) {
    return static_cast<short>(((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2) | (colour & 8));
}

// Fewer colours or pairs than attributes: level 0 keeps 16 colours both ways, level 1 drops the
// background's intensity, level 2 shows the foreground's intensity as bold. Invisible text becomes a
// blank, which saves the pairs whose two colours are equal.
bool TryReducedColours(int level, int pairCount) {
    int pairOf[16][16];
    for (auto& row : pairOf)
        for (int& pair : row) pair = -1;
    int nextPair = 1;
    Colour colours[256];
    for (int attribute = 0; attribute < 256; ++attribute) {
        int fg = attribute & 15;
        int bg = attribute >> 4;
        attr_t attrs = A_NORMAL;
        if (level >= 1) bg &= 7;
        if (level >= 2) {
            if (fg & 8) attrs |= A_BOLD;
            fg &= 7;
        }
        const bool blank = fg == bg;
        if (blank) {
            fg = bg == 0 ? 7 : 0;
            attrs = A_NORMAL;
        }
        if (pairOf[fg][bg] < 0) {
            if (nextPair >= pairCount) return false;
            pairOf[fg][bg] = nextPair++;
        }
        colours[attribute] = {static_cast<short>(pairOf[fg][bg]), attrs, blank};
    }
    for (int fg = 0; fg < 16; ++fg)
        for (int bg = 0; bg < 16; ++bg)
            if (pairOf[fg][bg] > 0) init_pair(static_cast<short>(pairOf[fg][bg]), ConsoleToCurses(fg), ConsoleToCurses(bg));
    std::memcpy(colourTable, colours, sizeof colourTable);
    return true;
}

void BuildColours() {
    if (has_colors() && start_color() == OK) {
        use_default_colors();  // pair 0 stays the terminal's own colours, for what lies around the picture
        if (COLORS >= 16 && COLOR_PAIRS > 256) {
            // One pair per attribute; pairs above 255 only work through setcchar's pair argument.
            for (int attribute = 0; attribute < 256; ++attribute) {
                const short pair = static_cast<short>(attribute + 1);
                init_pair(pair, ConsoleToCurses(attribute & 15), ConsoleToCurses(attribute >> 4));
                colourTable[attribute] = {pair, A_NORMAL, false};
            }
            return;
        }
        for (int level = COLORS >= 16 ? 0 : 2; level <= 2; ++level) {
            if (TryReducedColours(level, COLOR_PAIRS)) return;
        }
    }
    for (int attribute = 0; attribute < 256; ++attribute) {
        const int fg = attribute & 15;
        colourTable[attribute] = {0, (fg & 8) ? A_BOLD : A_NORMAL, fg == (attribute >> 4)};
    }
}

// Box-drawing bytes 0xB3..0xDA by the directions their lines leave the cell (up 1, down 2, left 4, right 8).
constexpr unsigned char BOX_DIRECTIONS[0xDA - 0xB3 + 1] = {
    3, 7, 7, 7, 6, 6, 7, 3, 6, 5, 5, 5, 6,          // B3..BF
    9, 13, 14, 11, 12, 15, 11, 11, 9, 10, 13, 14,   // C0..CB
    11, 12, 15, 13, 13, 14, 14, 9, 9, 10, 10, 15,   // CC..D7
    15, 5, 10,                                       // D8..DA
};

const cchar_t* LineDrawingFor(unsigned directions) {
    switch (directions) {
        case 3: return WACS_VLINE;
        case 12: return WACS_HLINE;
        case 7: return WACS_RTEE;
        case 11: return WACS_LTEE;
        case 13: return WACS_BTEE;
        case 14: return WACS_TTEE;
        case 15: return WACS_PLUS;
        case 6: return WACS_URCORNER;
        case 5: return WACS_LRCORNER;
        case 9: return WACS_LLCORNER;
        case 10: return WACS_ULCORNER;
        default: return nullptr;
    }
}

// The alternate character set's nearest glyph, for terminals or locales without Unicode.
const cchar_t* FallbackGlyph(int byte) {
    if (byte >= 0xB3 && byte <= 0xDA) return LineDrawingFor(BOX_DIRECTIONS[byte - 0xB3]);
    switch (byte) {
        case 0xB0: return WACS_BOARD;
        case 0xB1: case 0xB2: return WACS_CKBOARD;
        case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF: case 0xFE: case 0x08: case 0x0A: return WACS_BLOCK;
        case 0x10: case 0x1A: return WACS_RARROW;
        case 0x11: case 0x1B: return WACS_LARROW;
        case 0x18: case 0x1E: return WACS_UARROW;
        case 0x19: case 0x1F: return WACS_DARROW;
        case 0x03: case 0x04: return WACS_DIAMOND;
        case 0x07: case 0xF9: case 0xFA: return WACS_BULLET;
        case 0xF8: return WACS_DEGREE;
        case 0xF1: return WACS_PLMINUS;
        case 0xF2: return WACS_GEQUAL;
        case 0xF3: return WACS_LEQUAL;
        case 0xE3: return WACS_PI;
        case 0x9C: return WACS_STERLING;
        default: return nullptr;
    }
}

// Accented letters 0x80..0xA5 without their accents.
constexpr char PLAIN_LETTERS[] = "CueaaaaceeeiiiAAEaAooouuyOUcLYPfaiounN";

void BuildGlyphs() {
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t unicode = CP437_TO_UNICODE[byte];
        glyphAttrTable[byte] = A_NORMAL;
        if (utf8 && wcwidth(static_cast<wchar_t>(unicode)) == 1) {
            glyphTable[byte] = static_cast<wchar_t>(unicode);
        } else if (unicode >= 0x20 && unicode < 0x7F) {
            glyphTable[byte] = static_cast<wchar_t>(unicode);
        } else if (const cchar_t* fallback = FallbackGlyph(byte)) {
            wchar_t text[CCHARW_MAX + 1] = {};
            attr_t attrs = A_NORMAL;
            short pair = 0;
            getcchar(fallback, text, &attrs, &pair, nullptr);
            glyphTable[byte] = text[0] != 0 ? text[0] : L'#';
            glyphAttrTable[byte] = attrs & A_ALTCHARSET;
        } else if (byte >= 0x80 && byte <= 0xA5) {
            glyphTable[byte] = static_cast<wchar_t>(PLAIN_LETTERS[byte - 0x80]);
        } else {
            glyphTable[byte] = unicode == 0xA0 ? L' ' : L'?';
        }
    }
}

Layout ComputeLayout() {
    Layout layout;
    layout.tooSmall = LINES < SCREEN_ROWS || COLS < SCREEN_COLS;
    int available = layout.tooSmall ? LINES - 1 : LINES;
    if (available < 0) available = 0;
    layout.top = available > SCREEN_ROWS ? (available - SCREEN_ROWS) / 2 : 0;
    layout.left = COLS > SCREEN_COLS ? (COLS - SCREEN_COLS) / 2 : 0;
    layout.rows = available - layout.top < SCREEN_ROWS ? available - layout.top : SCREEN_ROWS;
    layout.cols = COLS - layout.left < SCREEN_COLS ? COLS - layout.left : SCREEN_COLS;
    return layout;
}

void DrawCell(int index, Cell cell) {
    const int row = index / SCREEN_COLS;
    const int col = index % SCREEN_COLS;
    if (row >= shownLayout.rows || col >= shownLayout.cols) return;
    const Colour& colour = colourTable[cell.attribute & 0xFF];
    const int byte = cell.character & 0xFF;
    wchar_t text[2] = {colour.blank ? L' ' : glyphTable[byte], L'\0'};
    const attr_t attrs = colour.attrs | (colour.blank ? A_NORMAL : glyphAttrTable[byte]);
    cchar_t character;
    setcchar(&character, text, attrs, colour.pair, nullptr);
    mvwadd_wch(stdscr, shownLayout.top + row, shownLayout.left + col, &character);
}

void DrawSizeNote() {
    char note[96];
    std::snprintf(note, sizeof note, " The game needs a terminal of at least %dx%d; this one is %dx%d. ", SCREEN_COLS,
                  SCREEN_ROWS, COLS, LINES);
    wattrset(stdscr, A_REVERSE);
    mvwaddnstr(stdscr, LINES - 1, 0, note, COLS);
    wattrset(stdscr, A_NORMAL);
}

bool SameCell(const Cell& a, const Cell& b) { return a.character == b.character && a.attribute == b.attribute; }

}  // namespace

void InitPicture() {
    BuildGlyphs();
    BuildColours();
    for (Cell& cell : shown) cell = NEVER_SHOWN;
    anyShown = false;
    shownLayout = ComputeLayout();
}

Layout CurrentLayout() { return shownLayout; }

void ColourOf(uint8_t attribute, short* pair, unsigned* attrs) {
    *pair = colourTable[attribute].pair;
    *attrs = static_cast<unsigned>(colourTable[attribute].attrs);
}

void RedrawPicture() {
    shownLayout = ComputeLayout();
    wattrset(stdscr, A_NORMAL);
    werase(stdscr);
    if (anyShown) {
        for (int index = 0; index < SCREEN_CELLS; ++index) {
            if (!SameCell(shown[index], NEVER_SHOWN)) DrawCell(index, shown[index]);
        }
    }
    if (shownLayout.tooSmall && LINES > 0) DrawSizeNote();
    wnoutrefresh(stdscr);
}

bool ApplyResize(bool update) {
    if (!TakeResizeFlag() || !ScreenActive()) return false;
    winsize size;
    if (ioctl(OUTPUT_FD, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
        resizeterm(size.ws_row, size.ws_col);
    }
    clearok(curscr, TRUE);  // the terminal may have rearranged what it showed: paint it all
    RedrawPicture();
    if (update) doupdate();
    return true;
}

}  // namespace terminal

void BackendPresent(const Cell* cells) {
    using namespace terminal;
    HandlePendingSignal();
    ForgetExitMessage();
    const bool resized = ApplyResize(false);
    if (!ScreenActive() || TerminalGone()) return;
    const bool unchanged = anyShown && std::memcmp(shown, cells, sizeof shown) == 0;
    if (unchanged && !resized) return;  // nothing to write: no screen update at all
    if (!unchanged) {
        // Whole rows compare fastest; only a row that differs is walked cell by cell.
        constexpr size_t ROW_BYTES = sizeof(Cell) * SCREEN_COLS;
        for (int rowStart = 0; rowStart < SCREEN_CELLS; rowStart += SCREEN_COLS) {
            if (std::memcmp(&shown[rowStart], &cells[rowStart], ROW_BYTES) == 0) continue;
            for (int index = rowStart; index < rowStart + SCREEN_COLS; ++index) {
                if (!SameCell(shown[index], cells[index])) {
                    shown[index] = cells[index];
                    DrawCell(index, cells[index]);
                }
            }
        }
        anyShown = true;
    }
    wnoutrefresh(stdscr);
    doupdate();
}
