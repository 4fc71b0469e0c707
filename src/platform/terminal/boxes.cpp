// Message boxes: a modal dialog drawn over the picture (or on standard error when there is no terminal), and a
// watched demo's boxes drawn the same way but taking no keys.
#include <curses.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

constexpr uint8_t BOX_ATTRIBUTE = 0x70;  // black on light grey, the console's dialog colours
constexpr wchar_t OK_LABEL[] = L"[ OK ]";
constexpr wchar_t CANCEL_LABEL[] = L"[ Cancel ]";
constexpr int BUTTON_GAP = 2;

std::wstring Widen(const char* text) {
    std::wstring wide;
    std::mbstate_t state{};
    const char* p = text;
    size_t left = std::strlen(text);
    while (left > 0) {
        wchar_t c = 0;
        const size_t used = std::mbrtowc(&c, p, left, &state);
        if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2) || used == 0) {
            wide += L'?';
            state = std::mbstate_t{};
            ++p;
            --left;
            continue;
        }
        wide += c;
        p += used;
        left -= used;
    }
    return wide;
}

struct Box {
    std::wstring title;
    std::vector<std::wstring> lines;
    bool okCancel = false;
    int focus = 0;  // 0: OK, 1: Cancel, -1: neither (a watched box before its button is pressed)
    WINDOW* window = nullptr;
};

Box MakeBox(const char* text, const char* title, unsigned style) {
    Box box;
    box.title = Widen(title);
    box.okCancel = (style & 0xF) == BOX_OKCANCEL;
    const std::wstring wide = Widen(text);
    size_t start = 0;
    for (;;) {
        const size_t end = wide.find(L'\n', start);
        box.lines.push_back(wide.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return box;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

int ButtonsWidth(const Box& box) {
    int width = static_cast<int>(std::wcslen(OK_LABEL));
    if (box.okCancel) width += BUTTON_GAP + static_cast<int>(std::wcslen(CANCEL_LABEL));
    return width;
}

void PutText(WINDOW* window, int row, int col, const std::wstring& text, int room) {
    if (room > 0) mvwaddnwstr(window, row, col, text.c_str(), room);
}

// Centred on the picture as laid out now, kept inside the terminal: the clipping is for a terminal smaller than the box.
void DrawBox(Box& box) {
    int width = static_cast<int>(box.title.size()) + 6;
    for (const std::wstring& line : box.lines) {
        if (static_cast<int>(line.size()) + 4 > width) width = static_cast<int>(line.size()) + 4;
    }
    if (ButtonsWidth(box) + 4 > width) width = ButtonsWidth(box) + 4;
    int height = static_cast<int>(box.lines.size()) + 5;
    width = Clamp(width, 1, COLS > 0 ? COLS : 1);
    height = Clamp(height, 1, LINES > 0 ? LINES : 1);
    const Layout layout = CurrentLayout();
    const int centreRow = layout.top + layout.rows / 2;
    const int centreCol = layout.left + layout.cols / 2;
    const int top = Clamp(centreRow - height / 2, 0, LINES - height > 0 ? LINES - height : 0);
    const int left = Clamp(centreCol - width / 2, 0, COLS - width > 0 ? COLS - width : 0);

    if (box.window != nullptr) delwin(box.window);
    box.window = newwin(height, width, top, left);
    if (box.window == nullptr) return;
    WINDOW* window = box.window;
    short pair = 0;
    unsigned attrs = 0;
    ColourOf(BOX_ATTRIBUTE, &pair, &attrs);
    if (pair == 0) attrs |= A_REVERSE;  // no colours: stand out from the picture at least
    cchar_t background;
    setcchar(&background, L" ", attrs, pair, nullptr);
    wbkgrndset(window, &background);
    werase(window);
    box_set(window, nullptr, nullptr);
    const int room = width - 4;
    const std::wstring title = L" " + box.title + L" ";
    const int titleCol = Clamp((width - static_cast<int>(title.size())) / 2, 1, width);
    wattr_set(window, attrs | A_BOLD, pair, nullptr);
    PutText(window, 0, titleCol, title, width - 1 - titleCol);
    wattr_set(window, attrs, pair, nullptr);
    for (size_t i = 0; i < box.lines.size(); ++i) {
        const int row = 2 + static_cast<int>(i);
        if (row >= height - 2) break;
        PutText(window, row, 2, box.lines[i], room);
    }
    const int buttonRow = height - 2;
    if (buttonRow > 0) {
        int col = Clamp((width - ButtonsWidth(box)) / 2, 1, width);
        wattr_set(window, attrs | (box.focus == 0 ? A_REVERSE : A_NORMAL), pair, nullptr);
        PutText(window, buttonRow, col, OK_LABEL, width - 1 - col);
        if (box.okCancel) {
            col += static_cast<int>(std::wcslen(OK_LABEL)) + BUTTON_GAP;
            wattr_set(window, attrs | (box.focus == 1 ? A_REVERSE : A_NORMAL), pair, nullptr);
            PutText(window, buttonRow, col, CANCEL_LABEL, width - 1 - col);
        }
        wattr_set(window, attrs, pair, nullptr);
    }
    wnoutrefresh(window);
}

// The box's own key loop, on the game's input path, with what was typed before it set aside for the game;
// nothing typed while it is up reaches the game.
int RunBox(Box& box) {
    const int cancel = box.okCancel ? BOX_ANSWER_CANCEL : BOX_ANSWER_OK;
    DrawBox(box);
    doupdate();
    for (;;) {
        HandlePendingSignal();
        if (ApplyResize(false)) {
            DrawBox(box);
            doupdate();
        }
        if (TerminalGone() || !PullKeys()) {
            MarkTerminalGone();
            return cancel;
        }
        DecodedKey key;
        if (!TakeKey(&key)) {
            WaitForKeys(NO_DEADLINE);
            continue;
        }
        bool moveFocus = false;
        switch (key.kind) {
            case KeyKind::KeypadEnter: return box.focus == 0 ? BOX_ANSWER_OK : BOX_ANSWER_CANCEL;
            case KeyKind::Escape: return cancel;
            case KeyKind::Character:
                switch (key.character) {
                    case '\r': case '\n': case ' ':
                        return box.focus == 0 ? BOX_ANSWER_OK : BOX_ANSWER_CANCEL;
                    case '\t':
                        moveFocus = true;
                        break;
                    default:
                        break;
                }
                break;
            default:  // the arrows and Shift+Tab
                moveFocus = true;
                break;
        }
        if (moveFocus && box.okCancel) {
            box.focus ^= 1;
            DrawBox(box);
            doupdate();
        }
    }
}

}  // namespace
}  // namespace terminal

int BackendMessageBox(WindowHandle, const char* text, const char* title, unsigned style) {
    using namespace terminal;
    HandlePendingSignal();
    if (ScreenActive() && TerminalGone()) {
        RestoreAll();
        PrintMessageToStderr(title, text);
        return BOX_ANSWER_OK;
    }
    // Before the console is set up (the package check) the box brings up the screen for itself.
    const bool temporary = !ScreenActive();
    if (temporary && !OpenScreen()) {
        PrintMessageToStderr(title, text);
        return BOX_ANSWER_OK;
    }
    Box box = MakeBox(text, title, style);
    if (!HoldTypedKeys()) MarkTerminalGone();
    const int answer = RunBox(box);
    if (box.window != nullptr) delwin(box.window);
    RememberExitMessage(title, text);
    if (TerminalGone() || temporary) {
        CloseScreen();
        return answer;
    }
    ReturnHeldKeys();  // what was typed at the box stays with the box, what came before goes to the game
    touchwin(stdscr);
    wnoutrefresh(stdscr);
    doupdate();
    return answer;
}

void BackendBringToFront(WindowHandle) {}

namespace {

terminal::Box demoBox;

// Over the picture again whenever the picture is redrawn whole (a resize).
void RedrawDemoBox() { terminal::DrawBox(demoBox); }

}  // namespace

void BackendShowDemoBox(const char* text, const char* title, unsigned style, int pressed) {
    using namespace terminal;
    if (!ScreenActive() || TerminalGone()) return;
    if (demoBox.window != nullptr) delwin(demoBox.window);
    demoBox = MakeBox(text, title, style);
    demoBox.focus = pressed == BOX_ANSWER_OK ? 0 : pressed == BOX_ANSWER_CANCEL ? 1 : -1;
    SetPictureOverlay(RedrawDemoBox);
    DrawBox(demoBox);
    doupdate();
}

void BackendHideDemoBox() {
    using namespace terminal;
    SetPictureOverlay(nullptr);
    if (demoBox.window == nullptr) return;
    delwin(demoBox.window);
    demoBox.window = nullptr;
    if (!ScreenActive() || TerminalGone()) return;
    touchwin(stdscr);
    wnoutrefresh(stdscr);
    doupdate();
}
