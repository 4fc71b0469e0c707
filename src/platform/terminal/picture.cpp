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
#include "platform/terminal/cell_style.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

ColourPlan colourPlan;
wchar_t glyphTable[256];
attr_t glyphAttrTable[256];

// The game's last picture, kept also while the screen is closed, so that every redraw of the whole screen shows it.
Cell shown[SCREEN_CELLS];
bool anyShown = false;
Layout shownLayout = {0, 0, 0, 0, true};
void (*overlay)() = nullptr;
char noteLine[128];

void BuildColours() {
    const bool colour = has_colors() && start_color() == OK;
    if (colour) use_default_colors();  // pair 0 stays the terminal's own colours, for what lies around the picture
    colourPlan = colour ? PlanColours(COLORS, COLOR_PAIRS) : PlanColours(0, 0);
    // Pairs above 255 only work through setcchar's pair argument.
    for (short pair = 1; pair <= colourPlan.pairCount; ++pair) {
        init_pair(pair, colourPlan.pairs[pair].fg, colourPlan.pairs[pair].bg);
    }
}

void BuildGlyphs() {
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t unicode = CP437_TO_UNICODE[byte];
        const FallbackGlyph fallback = FallbackFor(static_cast<uint8_t>(byte));
        glyphAttrTable[byte] = A_NORMAL;
        glyphTable[byte] = static_cast<wchar_t>(fallback.character);
        if (utf8 && wcwidth(static_cast<wchar_t>(unicode)) == 1) {
            glyphTable[byte] = static_cast<wchar_t>(unicode);
        } else if (fallback.alternate) {
            // The terminal's own line drawing, or the ASCII ncurses puts in its place where it has none.
            wchar_t text[CCHARW_MAX + 1] = {};
            attr_t attrs = A_NORMAL;
            short pair = 0;
            getcchar(NCURSES_WACS(fallback.character), text, &attrs, &pair, nullptr);
            glyphTable[byte] = text[0] != 0 ? text[0] : L'#';
            glyphAttrTable[byte] = attrs & A_ALTCHARSET;
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
    const CellColour& colour = colourPlan.of[cell.attribute & 0xFF];
    const int byte = cell.character & 0xFF;
    wchar_t text[2] = {colour.blank ? L' ' : glyphTable[byte], L'\0'};
    const attr_t attrs = (colour.bold ? A_BOLD : A_NORMAL) | (colour.blank ? A_NORMAL : glyphAttrTable[byte]);
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

// Below the picture, on a line of its own: never over the picture or the size note.
void DrawNoteLine() {
    const int row = shownLayout.top + shownLayout.rows;
    if (row >= (shownLayout.tooSmall ? LINES - 1 : LINES)) return;
    wattrset(stdscr, A_NORMAL);
    wmove(stdscr, row, 0);
    wclrtoeol(stdscr);
    const int length = static_cast<int>(std::strlen(noteLine));
    const int col = shownLayout.left + (length < shownLayout.cols ? (shownLayout.cols - length) / 2 : 0);
    mvwaddnstr(stdscr, row, col, noteLine, COLS - col);
}

}  // namespace

void InitPicture() {
    BuildGlyphs();
    BuildColours();
    shownLayout = ComputeLayout();
}

Layout CurrentLayout() { return shownLayout; }

void ColourOf(uint8_t attribute, short* pair, unsigned* attrs) {
    *pair = colourPlan.of[attribute].pair;
    *attrs = static_cast<unsigned>(colourPlan.of[attribute].bold ? A_BOLD : A_NORMAL);
}

void RedrawPicture() {
    shownLayout = ComputeLayout();
    wattrset(stdscr, A_NORMAL);
    werase(stdscr);
    for (int index = 0; anyShown && index < SCREEN_CELLS; ++index) DrawCell(index, shown[index]);
    if (shownLayout.tooSmall && LINES > 0) DrawSizeNote();
    DrawNoteLine();
    wnoutrefresh(stdscr);
    if (overlay != nullptr) overlay();
}

void SetPictureOverlay(void (*draw)()) { overlay = draw; }

void ShowNoteLine(const char* note) {
    std::snprintf(noteLine, sizeof noteLine, "%s", note);
    if (!ScreenActive() || TerminalGone()) return;
    DrawNoteLine();
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

void BackendPresent(const Cell* cells, const PictureChange& change) {
    using namespace terminal;
    HandlePendingSignal();
    ForgetExitMessage();
    const bool changed = change.firstRow < change.endRow;
    if (changed) std::memcpy(shown, cells, sizeof shown);
    anyShown = anyShown || changed;
    const bool resized = ApplyResize(false);
    if (!ScreenActive() || TerminalGone()) return;
    if (!changed && !resized) return;  // nothing to write: no screen update at all
    for (int row = change.firstRow; row < change.endRow; ++row) {
        for (int index = row * SCREEN_COLS + change.firstCol; index < row * SCREEN_COLS + change.endCol; ++index) {
            DrawCell(index, shown[index]);
        }
    }
    wnoutrefresh(stdscr);
    doupdate();
}
