// Keys: the one input path of the game and the boxes (terminal bytes, decoded), the keys a box holds back for the
// game, the wait for input, the US key map.
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/common/cp437.h"
#include "platform/common/deadline.h"
#include "platform/common/us_keyboard.h"
#include "platform/backend.h"
#include "platform/terminal/terminal_backend.h"

namespace terminal {
namespace {

constexpr size_t QUEUE_SIZE = 512;    // keys held between counting and reading: more than one pass brings
constexpr size_t PENDING_MAX = 1024;  // bytes of an unfinished sequence; more is no sequence a key sends

std::vector<DecodedKey> decodedKeys;
unsigned char pendingBytes[PENDING_MAX];
size_t pendingLength = 0;
int64_t pendingSince = 0;  // when the unfinished bytes last grew

int EscDelay() {
    static const int delay = EscDelayFrom(std::getenv("ESCDELAY"));
    return delay;
}

bool Utf8Locale() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

#ifdef VELK_CRASH_ON_REQUEST
// Test builds only: a key that aborts the program with a message on standard error.
void CrashIfAsked(size_t from) {
    const char* key = std::getenv("VELK_TEST_ABORT_KEY");
    if (key == nullptr || key[0] == '\0') return;
    for (size_t i = from; i < decodedKeys.size(); ++i) {
        if (decodedKeys[i].kind == KeyKind::Character && decodedKeys[i].character == static_cast<unsigned char>(key[0])) {
            std::fprintf(stderr, "VELK test: aborting on request\n");
            std::abort();
        }
    }
}
#else
void CrashIfAsked(size_t) {}
#endif

void Decode(bool delayPassed) {
    const size_t before = decodedKeys.size();
    const size_t used = DecodeKeys(pendingBytes, pendingLength, delayPassed, Utf8Locale(), decodedKeys);
    std::memmove(pendingBytes, pendingBytes + used, pendingLength - used);
    pendingLength -= used;
    if (decodedKeys.size() > QUEUE_SIZE) decodedKeys.resize(QUEUE_SIZE);
    CrashIfAsked(before);
}

// Milliseconds until the unfinished bytes count as complete; 0 when they do now, -1 with none.
int64_t EscDelayLeft() {
    if (pendingLength == 0) return -1;
    const int64_t left = pendingSince + EscDelay() - BackendMilliseconds();
    return left > 0 ? left : 0;
}

// Reads what the terminal holds, as much as there is room for: 1 when bytes came, 0 when none were
// waiting, -1 once the terminal is gone.
int ReadWaitingBytes() {
    pollfd input = {INPUT_FD, POLLIN, 0};
    const int ready = poll(&input, 1, 0);
    if (ready < 0 && errno != EINTR) return -1;
    if (ready <= 0) return 0;
    if (input.revents & (POLLNVAL | POLLERR)) return -1;
    const ssize_t got = read(INPUT_FD, pendingBytes + pendingLength, PENDING_MAX - pendingLength);
    if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) return -1;
    if (got < 0) return 0;
    pendingLength += static_cast<size_t>(got);
    pendingSince = BackendMilliseconds();
    Decode(pendingLength == PENDING_MAX);
    return 1;
}

// What was typed before a box opened, kept for the game while the box reads its own keys.
struct {
    std::vector<DecodedKey> keys;
    std::vector<unsigned char> bytes;  // an unfinished sequence or a lone Esc, still waiting for its delay
    int64_t since = 0;
} heldForGame;

}  // namespace

bool PullKeys() {
    // Bytes first, even when the Esc delay is over: a game busy elsewhere may find an arrow's sequence in
    // two parts, and the second part then decides it.
    const int got = ReadWaitingBytes();
    if (got < 0) return false;
    if (got == 0 && EscDelayLeft() == 0) Decode(true);
    return true;
}

bool HoldTypedKeys() {
    int got;
    while ((got = ReadWaitingBytes()) > 0) {}
    heldForGame.keys = std::move(decodedKeys);
    heldForGame.bytes.assign(pendingBytes, pendingBytes + pendingLength);
    heldForGame.since = pendingSince;
    decodedKeys.clear();
    pendingLength = 0;
    return got == 0;
}

void ReturnHeldKeys() {
    DiscardQueuedKeys();
    decodedKeys = std::move(heldForGame.keys);
    heldForGame.keys.clear();
    std::copy(heldForGame.bytes.begin(), heldForGame.bytes.end(), pendingBytes);
    pendingLength = heldForGame.bytes.size();
    pendingSince = heldForGame.since;
}

bool TakeKey(DecodedKey* key) {
    if (decodedKeys.empty()) return false;
    *key = decodedKeys.front();
    decodedKeys.erase(decodedKeys.begin());
    return true;
}

void WaitForKeys(int64_t deadline) {
    TrimErrorLog();
    sigset_t handled, previous;
    AsyncSignals(&handled);
    // Blocked from the check until the wait begins, which unblocks them: none slips in between unseen.
    pthread_sigmask(SIG_BLOCK, &handled, &previous);
    if (!SignalWaiting() && decodedKeys.empty() && !TerminalGone()) {
        int64_t wait = MillisecondsUntil(deadline);
        const int64_t escLeft = EscDelayLeft();
        if (escLeft >= 0 && (wait < 0 || escLeft < wait)) wait = escLeft;
        if (wait != 0) {
            timespec limit = {static_cast<time_t>(wait / 1000), static_cast<long>(wait % 1000) * 1000000};
            pollfd input = {INPUT_FD, POLLIN, 0};
            ppoll(&input, 1, wait < 0 ? nullptr : &limit, &previous);
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void DiscardQueuedKeys() {
    decodedKeys.clear();
    pendingLength = 0;
    if (ScreenActive()) tcflush(INPUT_FD, TCIFLUSH);
}

// A decoded key as the console's key-down record.
InputRecord RecordOf(const DecodedKey& key) {
    uint16_t virtualKey = 0;
    char character = 0;
    switch (key.kind) {
        case KeyKind::Escape: virtualKey = KEY_ESCAPE; character = 0x1B; break;
        case KeyKind::Left: virtualKey = KEY_LEFTARROW; break;
        case KeyKind::Up: virtualKey = KEY_UPARROW; break;
        case KeyKind::Right: virtualKey = KEY_RIGHTARROW; break;
        case KeyKind::Down: virtualKey = KEY_DOWNARROW; break;
        case KeyKind::KeypadEnter: virtualKey = 0x0D; character = '\r'; break;
        case KeyKind::BackTab: virtualKey = 0x09; character = '\t'; break;
        case KeyKind::Character:
            if (key.character == '\r' || key.character == '\n') {
                virtualKey = 0x0D;
                character = '\r';
            } else if (key.character == 0x7F || key.character == '\b') {
                virtualKey = 0x08;
                character = '\b';
            } else if (key.character < 0x80) {
                character = static_cast<char>(key.character);
                const uint16_t word = UsKeyScan(static_cast<unsigned char>(key.character));
                if (word != US_NO_KEY) virtualKey = word & 0xFF;
            } else {
                character = Cp437FromUnicode(key.character);
            }
            break;
    }
    return InputRecord{INPUT_KEY_EVENT, 1, virtualKey, character};
}

}  // namespace terminal

int BackendCountInput(uint32_t* pending) {
    using namespace terminal;
    HandlePendingSignal();
    ApplyResize(true);
    if (!ScreenActive() || TerminalGone()) return 0;
    if (!PullKeys()) {
        MarkTerminalGone();
        return 0;
    }
    *pending = static_cast<uint32_t>(decodedKeys.size());
    return 1;
}

int BackendReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    using namespace terminal;
    *read = 0;
    uint32_t pending = 0;
    for (;;) {  // like the console, a read waits for at least one record
        if (!BackendCountInput(&pending)) return 0;
        if (pending > 0) break;
        WaitForKeys(NO_DEADLINE);
    }
    DecodedKey key;
    while (*read < wanted && TakeKey(&key)) records[(*read)++] = RecordOf(key);
    return 1;
}

void BackendWaitForInput(int64_t deadline) { terminal::WaitForKeys(deadline); }

void BackendFlushInput() {
    using namespace terminal;
    ForgetExitMessage();
    // An Esc that came in the same read as the keys just taken still waits out its delay: typed before the flush,
    // it stays, unless what the terminal sent next shows that it began a sequence. The rest goes.
    if (pendingLength > 0) ReadWaitingBytes();
    decodedKeys.clear();
    if (ScreenActive()) tcflush(INPUT_FD, TCIFLUSH);
}

void BackendTypeCharacter(char character) {
    if (!isatty(terminal::INPUT_FD)) return;
    ioctl(terminal::INPUT_FD, TIOCSTI, &character);  // refused by some kernels: then nothing is sent
}
