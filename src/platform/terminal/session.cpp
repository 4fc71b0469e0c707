// Start-up and restore of the terminal: the curses screen, title, raw restore strings, and every way out.
#include <curses.h>
#include <term.h>

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

constexpr const char* WINDOW_TITLE = "VELK Keyboard Practice Game";
// Read by the signal handlers, so written only while they cannot yet use it.
struct termios g_savedTermios;
volatile sig_atomic_t g_haveTermios = 0;
// Terminal strings written raw: what leaves the game's screen, and what comes back to it after a stop.
struct RawString {
    char text[512];
    volatile sig_atomic_t length;
};
RawString g_leave = {{}, 0};
RawString g_resume = {{}, 0};

SCREEN* cursesScreen = nullptr;
WINDOW* keyWindow = nullptr;
bool titleSet = false;
bool titleOnStatusLine = false;
char titleSequence[160];
char viewerNote[96];  // while a demo is watched, the title
bool atexitRegistered = false;
int cursorVisible = 0;


void WriteRawString(const RawString& raw) {
    if (raw.length <= 0) return;
    ssize_t ignored = write(OUTPUT_FD, raw.text, static_cast<size_t>(raw.length));
    (void)ignored;
}

// Straight to the terminal, after whatever curses has written: curses keeps its own buffer.
void WriteRaw(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = write(OUTPUT_FD, text, left);
        if (written <= 0) {
            if (written < 0 && errno == EINTR) continue;
            return;
        }
        text += written;
        left -= static_cast<size_t>(written);
    }
}

bool ValidCapability(const char* cap) { return cap != nullptr && cap != reinterpret_cast<const char*>(-1); }

void Append(RawString& raw, const char* text) {
    if (!ValidCapability(text)) return;
    int length = raw.length;
    for (const char* p = text; *p != '\0' && length < static_cast<int>(sizeof raw.text); ++p) {
        if (p[0] == '$' && p[1] == '<') {  // a terminfo delay, meaningless when written raw
            const char* end = std::strchr(p, '>');
            if (end != nullptr) {
                p = end;
                continue;
            }
        }
        raw.text[length++] = *p;
    }
    raw.length = length;
}

const char* Capability(const char* name) { return tigetstr(const_cast<char*>(name)); }

void BuildRawStrings() {
    g_leave.length = 0;
    if (titleSet) Append(g_leave, "\033[23;0t");
    Append(g_leave, Capability("sgr0"));
    Append(g_leave, Capability("cnorm"));
    Append(g_leave, Capability("rmkx"));
    Append(g_leave, Capability("rmcup"));
    g_resume.length = 0;
    Append(g_resume, Capability("smcup"));
    Append(g_resume, Capability("smkx"));
    if (!cursorVisible) Append(g_resume, Capability("civis"));
    if (titleSet) {
        Append(g_resume, "\033[22;0t");
        Append(g_resume, titleSequence);
    }
}

bool XtermLike() {
    if (tigetflag(const_cast<char*>("XT")) > 0) return true;
    const char* term = std::getenv("TERM");
    if (term == nullptr) return false;
    for (const char* prefix : {"xterm", "tmux", "screen", "rxvt", "alacritty", "foot", "kitty", "vte", "gnome", "konsole", "st-", "wezterm"}) {
        if (std::strncmp(term, prefix, std::strlen(prefix)) == 0) return true;
    }
    return false;
}

void FormatTitle() {
    std::snprintf(titleSequence, sizeof titleSequence, "%s%s%s", titleOnStatusLine ? Capability("tsl") : "\033]2;",
                  viewerNote[0] != '\0' ? viewerNote : WINDOW_TITLE, titleOnStatusLine ? Capability("fsl") : "\007");
}

// Saves the terminal's own title on its title stack, then sets ours; restore pops it.
void SetTitle() {
    const char* tsl = Capability("tsl");
    const char* fsl = Capability("fsl");
    // A status line that takes a column parameter is not a window title.
    titleOnStatusLine = tigetflag(const_cast<char*>("hs")) > 0 && ValidCapability(tsl) && ValidCapability(fsl) &&
                        std::strchr(tsl, '%') == nullptr;
    if (!titleOnStatusLine && !XtermLike()) return;
    FormatTitle();
    WriteRaw("\033[22;0t");
    WriteRaw(titleSequence);
    titleSet = true;
}

// Asks an xterm-like terminal to grow to the picture's size; others ignore it or cannot.
void RequestSize() {
    if (LINES >= SCREEN_ROWS && COLS >= SCREEN_COLS) return;
    if (!XtermLike()) return;
    char request[32];
    std::snprintf(request, sizeof request, "\033[8;%d;%dt", LINES > SCREEN_ROWS ? LINES : SCREEN_ROWS,
                  COLS > SCREEN_COLS ? COLS : SCREEN_COLS);
    WriteRaw(request);
}

void RestoreAtExit() { RestoreAll(); }

}  // namespace

// Async-signal-safe: the terminal as it was found, as far as writing and one tcsetattr can make it.
void LeaveTerminal() {
    WriteRawString(g_leave);
    if (g_haveTermios) tcsetattr(INPUT_FD, TCSANOW, &g_savedTermios);
}

void ReturnAfterStop() {
    if (!ScreenActive()) return;
    reset_prog_mode();
    WriteRawString(g_resume);
}

bool OpenScreen() {
    if (ScreenActive()) return true;
    if (TerminalGone() || !isatty(INPUT_FD) || !isatty(OUTPUT_FD)) return false;
    std::setlocale(LC_CTYPE, "");  // only the character type: numbers keep the C locale's format
    if (tcgetattr(INPUT_FD, &g_savedTermios) != 0) return false;
    g_haveTermios = 1;
    InstallHandlers(SessionHooks{LeaveTerminal, ReturnAfterStop, RestoreAll});
    if (!atexitRegistered) {
        std::atexit(RestoreAtExit);
        atexitRegistered = true;
    }
    RouteStderrToLog();
    cursesScreen = newterm(nullptr, stdout, stdin);
    if (cursesScreen == nullptr) {  // BackendConsoleProblem said why, if it could know
        RestoreStderr();
        RemoveHandlers();
        g_haveTermios = 0;
        return false;
    }
    set_term(cursesScreen);
    raw();
    noecho();
    nonl();
    // Curses reads no keys (keys.cpp does), but its keypad switch puts the terminal in keypad mode; on a
    // pad, as a window would first be refreshed over whatever is shown.
    keyWindow = newpad(1, 1);
    keypad(keyWindow, TRUE);
    leaveok(stdscr, TRUE);
    typeahead(-1);  // updates are small: never stop one to look for keys
    def_prog_mode();
    // A screen that was never suspended flushes its output at every cursor move (a write per changed
    // cell); one that came back from endwin writes each update at once.
    endwin();
    doupdate();
    scrollok(stdscr, FALSE);
    curs_set(cursorVisible ? 1 : 0);
    SetScreenActive(true);
    InitPicture();
    BuildRawStrings();
    return true;
}

void CloseScreen() {
    if (ScreenActive()) {
        SetScreenActive(false);
        g_leave.length = 0;
        g_resume.length = 0;
        if (titleSet) {
            doupdate();  // flushes curses' buffer, so the title comes back after everything drawn
            WriteRaw("\033[23;0t");
            titleSet = false;
        }
        endwin();
        delwin(keyWindow);
        keyWindow = nullptr;
        delscreen(cursesScreen);
        cursesScreen = nullptr;
    }
    if (g_haveTermios) {
        tcsetattr(INPUT_FD, TCSANOW, &g_savedTermios);
        g_haveTermios = 0;
    }
    std::fflush(stdout);
    RestoreStderr();
    RemoveHandlers();
    PrintExitMessage();
}

void RestoreAll() {
    CloseAudio();
    CloseScreen();
}

}  // namespace terminal

// Asked before anything is drawn: without this, each part that wants the screen (the package check's box, the
// game's set-up, the keyboard's failure box) would find out on its own, and a terminal without cursor addressing
// would get a blank screen. Reading the terminal's description writes nothing to it.
const char* BackendConsoleProblem() {
    static char why[256];
    if (!isatty(terminal::INPUT_FD)) return "standard input is not a terminal; start the game from a terminal, its keyboard as input";
    if (!isatty(terminal::OUTPUT_FD)) return "standard output is not a terminal; start the game from a terminal, its screen as output";
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0') return "TERM is not set, so the terminal's type is unknown; try TERM=xterm-256color";
    int status = 0;
    const bool known = setupterm(term, terminal::OUTPUT_FD, &status) == OK;
    const bool addressable = known && terminal::ValidCapability(terminal::Capability("cup"));
    if (known) del_curterm(cur_term);  // the screen reads its own when it opens
    if (!known && status != 1) {  // 1: a hard-copy terminal, known but of no use
        std::snprintf(why, sizeof why, "this terminal (TERM=%s) is not known to ncurses; try TERM=xterm-256color", term);
    } else if (!addressable) {
        std::snprintf(why, sizeof why, "this terminal (TERM=%s) cannot move its cursor, which the game needs; try TERM=xterm-256color", term);
    }
    return known && addressable ? nullptr : why;
}

WindowHandle BackendSetUpConsole() {
    static int consoleWindow;
    if (terminal::OpenScreen()) {
        clearok(curscr, TRUE);
        terminal::RedrawPicture();
        doupdate();
        if (!terminal::titleSet) terminal::SetTitle();
        terminal::RequestSize();
        terminal::BuildRawStrings();
        terminal::OpenAudio();  // without a terminal the game ends at once: no point waiting for a device
    }
    return &consoleWindow;
}

void BackendSetCursorVisible(int visible) {
    terminal::cursorVisible = (visible & 0xFF) != 0 ? 1 : 0;
    if (terminal::ScreenActive()) {
        curs_set(terminal::cursorVisible);
        terminal::BuildRawStrings();
    }
}

void BackendShowViewerNote(const char* note) {
    using namespace terminal;
    std::snprintf(viewerNote, sizeof viewerNote, "%s", note);
    ShowNoteLine(note);
    if (!ScreenActive() || TerminalGone()) return;  // the screen's set-up shows it
    doupdate();  // curses' buffer out first: the title goes raw
    if (!titleSet) return;
    FormatTitle();
    WriteRaw(titleSequence);
    BuildRawStrings();
}

void BackendExitProcess(int code) {
    terminal::RestoreAll();
    std::exit(code);
}
