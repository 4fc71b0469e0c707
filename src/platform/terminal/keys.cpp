// Keys: terminal input as console key-down records, the US key map, and the injected exit key.
#include <curses.h>

#include <poll.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/common/cp437.h"
#include "platform/common/us_keyboard.h"
#include "platform/platform.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

// Keys held between counting and reading; more than a terminal delivers in one pass.
constexpr uint32_t QUEUE_SIZE = 512;
InputRecord g_queue[QUEUE_SIZE];
uint32_t g_queued = 0;

// One terminal key as the console's key-down record; false for what is no key press.
bool Translate(int result, wint_t key, InputRecord* record) {
    uint16_t virtualKey = 0;
    char character = 0;
    if (result == KEY_CODE_YES) {
        switch (key) {
            case KEY_LEFT: virtualKey = 0x25; break;
            case KEY_UP: virtualKey = 0x26; break;
            case KEY_RIGHT: virtualKey = 0x27; break;
            case KEY_DOWN: virtualKey = 0x28; break;
            case KEY_ENTER: virtualKey = 0x0D; character = '\r'; break;
            case KEY_BACKSPACE: virtualKey = 0x08; character = '\b'; break;
            case KEY_BTAB: virtualKey = 0x09; character = '\t'; break;
            case KEY_PPAGE: virtualKey = 0x21; break;
            case KEY_NPAGE: virtualKey = 0x22; break;
            case KEY_END: virtualKey = 0x23; break;
            case KEY_HOME: virtualKey = 0x24; break;
            case KEY_IC: virtualKey = 0x2D; break;
            case KEY_DC: virtualKey = 0x2E; break;
            default:
                if (key >= static_cast<wint_t>(KEY_F(1)) && key <= static_cast<wint_t>(KEY_F(12))) {
                    virtualKey = static_cast<uint16_t>(0x70 + (key - KEY_F(1)));
                    break;
                }
                return false;  // KEY_RESIZE never comes (we watch SIGWINCH); mouse and the rest are not keys here
        }
    } else if (key == 0x1B) {
        virtualKey = 0x1B;
        character = 0x1B;
    } else if (key == '\r' || key == '\n') {
        virtualKey = 0x0D;
        character = '\r';
    } else if (key == 0x7F || key == '\b') {
        virtualKey = 0x08;
        character = '\b';
    } else if (key < 0x80) {
        character = static_cast<char>(key);
        const uint16_t word = UsKeyScan(static_cast<unsigned char>(key));
        if (word != US_NO_KEY) virtualKey = word & 0xFF;
    } else {
        character = Cp437FromUnicode(static_cast<char32_t>(key));
    }
    *record = InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character};
    return true;
}

void Enqueue(int result, wint_t key) {
    InputRecord record;
    if (g_queued < QUEUE_SIZE && Translate(result, key, &record)) g_queue[g_queued++] = record;
}

// Readable with nothing to read: the terminal hung up or input ended.
bool InputAtEnd() {
    pollfd input = {INPUT_FD, POLLIN, 0};
    if (poll(&input, 1, 0) != 1) return false;
    if (input.revents & (POLLHUP | POLLERR | POLLNVAL)) return true;
    int available = 0;
    return ioctl(INPUT_FD, FIONREAD, &available) == 0 && available == 0;
}

// Waits up to waitMs for the terminal's input: 1 ready, 0 nothing, -1 hung up or failed, -2 interrupted.
// The game asks about a thousand times a second; an epoll set made once spares the kernel from
// setting the wait up again every time, which is most of the cost of an idle pass.
int WaitForInput(int waitMs) {
    static int waitSet = -2;
    if (waitSet == -2) {
        waitSet = epoll_create1(EPOLL_CLOEXEC);
        epoll_event interest = {};
        interest.events = EPOLLIN;
        if (waitSet >= 0 && epoll_ctl(waitSet, EPOLL_CTL_ADD, INPUT_FD, &interest) != 0) {
            close(waitSet);
            waitSet = -1;
        }
    }
    int ready = 0;
    unsigned events = 0;
    if (waitSet >= 0) {
        epoll_event event = {};
        ready = epoll_wait(waitSet, &event, 1, waitMs);
        events = (event.events & EPOLLIN ? POLLIN : 0) | (event.events & (EPOLLHUP | EPOLLERR) ? POLLHUP : 0);
    } else {
        pollfd input = {INPUT_FD, POLLIN, 0};
        ready = poll(&input, 1, waitMs);
        events = static_cast<unsigned>(input.revents);
    }
    if (ready < 0) return errno == EINTR ? -2 : -1;
    if (ready == 0) return 0;
    return events & (POLLHUP | POLLERR | POLLNVAL) ? -1 : 1;
}

// Moves every key the terminal has into the queue, waiting up to waitMs for the first.
// Curses' own buffer is always drained to empty, so the descriptor alone tells whether more is there.
bool PullKeys(int waitMs) {
    const int ready = WaitForInput(waitMs);
    if (ready == -2) {
        HandlePendingSignal();
        ApplyResize(true);
        return true;
    }
    if (ready == 0) return true;
    if (ready < 0) return false;
    int got = 0;
    for (;;) {
        wint_t key = 0;
        const int result = wget_wch(KeyWindow(), &key);
        if (result == ERR) break;
        ++got;
        Enqueue(result, key);
    }
    return got > 0 || !InputAtEnd();
}

}  // namespace

KeyWait WaitForCursesKey(int timeoutMs, int* result, unsigned* key) {
    wint_t wide = 0;
    int got = wget_wch(KeyWindow(), &wide);
    if (got == ERR) {
        pollfd input = {INPUT_FD, POLLIN, 0};
        const int ready = poll(&input, 1, timeoutMs);
        if (ready <= 0) return KeyWait::Nothing;
        if (input.revents & (POLLHUP | POLLERR | POLLNVAL)) return KeyWait::Gone;
        got = wget_wch(KeyWindow(), &wide);
        if (got == ERR) return InputAtEnd() ? KeyWait::Gone : KeyWait::Nothing;
    }
    *result = got;
    *key = static_cast<unsigned>(wide);
    return KeyWait::Key;
}

void DiscardQueuedKeys() { g_queued = 0; }

}  // namespace terminal

int PlatformCountInput(uint32_t* pending) {
    using namespace terminal;
    HandlePendingSignal();
    ApplyResize(true);
    if (!ScreenActive() || TerminalGone()) return 0;
    // Only an empty queue waits: the game never spins a core, yet a key is answered at once.
    if (!PullKeys(g_queued == 0 ? 1 : 0)) {
        MarkTerminalGone();
        return 0;
    }
    *pending = g_queued;
    return 1;
}

int PlatformReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    using namespace terminal;
    *read = 0;
    uint32_t pending = 0;
    while (g_queued == 0) {  // like the console, a read waits for at least one record
        if (!PlatformCountInput(&pending)) return 0;
    }
    const uint32_t count = wanted < g_queued ? wanted : g_queued;
    std::memcpy(records, g_queue, count * sizeof(InputRecord));
    std::memmove(g_queue, g_queue + count, (g_queued - count) * sizeof(InputRecord));
    g_queued -= count;
    *read = count;
    return 1;
}

// The count still waits a little of its own for now.
void PlatformWaitForInput(int64_t) {}

void PlatformFlushInput() {
    terminal::ForgetExitMessage();
    terminal::DiscardQueuedKeys();
    if (terminal::ScreenActive()) flushinp();
}

uint16_t PlatformKeyScan(char character) { return UsKeyScan(static_cast<unsigned char>(character)); }

void PlatformSendKey(uint16_t virtualKeyWord) {
    if (!isatty(terminal::INPUT_FD)) return;
    for (int c = 1; c < 128; ++c) {
        if (UsKeyScan(static_cast<unsigned char>(c)) == virtualKeyWord) {
            char byte = static_cast<char>(c);
            ioctl(terminal::INPUT_FD, TIOCSTI, &byte);  // refused by some kernels: then nothing is sent
            return;
        }
    }
}
