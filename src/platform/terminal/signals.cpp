// Signals: every one that would end the process leaves the terminal as found; resizes and stops are handled.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/terminal/terminal_backend.h"

// Sanitizer builds report and end through this hook instead of a signal; elsewhere it is absent.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace terminal {
namespace {

// Handled on the game's thread: a flag here, then the main path restores and re-raises.
constexpr int TERMINATION_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                                       SIGPROF, SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT};
// The program itself went wrong: the handler restores what it safely can and re-raises at once.
constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSYS, SIGTRAP};
// A failed write then reports an error instead of ending the game with its record half written.
constexpr int IGNORED_SIGNALS[] = {SIGPIPE, SIGXFSZ};

volatile sig_atomic_t g_pendingSignal = 0;
volatile sig_atomic_t g_resized = 0;
volatile sig_atomic_t g_emergencyDone = 0;
volatile sig_atomic_t g_resumed = 0;

// What the session gave for leaving and taking back the terminal; read by the handlers.
SessionHooks g_session = {};
bool handlersInstalled = false;
struct sigaction previousActions[NSIG];
bool replaced[NSIG];

template <typename Visit>
void ForEachTermination(Visit visit) {
    for (int sig : TERMINATION_SIGNALS) visit(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) visit(sig);
}

// What a crash or a second termination signal can still do for the terminal.
void EmergencyRestore(bool showLog) {
    if (g_emergencyDone) return;
    g_emergencyDone = 1;
    g_session.leaveTerminal();
    if (showLog) RestoreStderrShowingLog();
}

void OnTerminationSignal(int sig) {
    if (g_pendingSignal != 0) {
        // The main loop did not get round to the first one: do what is safe here and go.
        EmergencyRestore(false);
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    g_pendingSignal = sig;
}

void OnCrashSignal(int sig) {
    EmergencyRestore(true);
    signal(sig, SIG_DFL);
    raise(sig);
}

void OnSanitizerDeath() { EmergencyRestore(true); }

void OnResizeSignal(int) { g_resized = 1; }

// A stop from outside (the terminal's own suspend key is a plain key in raw mode): the shell gets its
// terminal back while the game stands still; the game takes it again when it continues.
void OnStopSignal(int) {
    const int savedErrno = errno;
    g_session.leaveTerminal();
    kill(getpid(), SIGSTOP);
    g_resumed = 1;
    g_resized = 1;  // the size may have changed meanwhile, and the picture must be painted again anyway
    errno = savedErrno;
}

void Replace(int sig, void (*handler)(int), int flags) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    action.sa_handler = handler;
    action.sa_flags = flags;
    if (sigaction(sig, &action, &previousActions[sig]) == 0) replaced[sig] = true;
}

}  // namespace

void InstallHandlers(const SessionHooks& session) {
    if (handlersInstalled) return;
    g_session = session;
    g_emergencyDone = 0;
    // Not restarted: the sleeps and waits return at once and see the flag.
    ForEachTermination([](int sig) { Replace(sig, OnTerminationSignal, 0); });
    for (int sig : CRASH_SIGNALS) Replace(sig, OnCrashSignal, 0);
    for (int sig : IGNORED_SIGNALS) Replace(sig, SIG_IGN, 0);
    // Installed before curses starts, so curses leaves SIGWINCH to us and resizes happen when we ask.
    Replace(SIGWINCH, OnResizeSignal, SA_RESTART);
    // Ours rather than curses': with a handler in place curses does not switch it off and on around
    // every screen update, two system calls per present.
    Replace(SIGTSTP, OnStopSignal, 0);
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(OnSanitizerDeath);
    handlersInstalled = true;
}

void RemoveHandlers() {
    if (!handlersInstalled) return;
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (replaced[sig]) sigaction(sig, &previousActions[sig], nullptr);
        replaced[sig] = false;
    }
    handlersInstalled = false;
}

void AsyncSignals(sigset_t* set) {
    sigemptyset(set);
    ForEachTermination([set](int sig) { sigaddset(set, sig); });
    sigaddset(set, SIGWINCH);
    sigaddset(set, SIGTSTP);
}

bool SignalWaiting() { return g_pendingSignal != 0 || g_resized != 0 || g_resumed != 0; }

void HandlePendingSignal() {
    if (g_resumed) {
        g_resumed = 0;
        g_session.returnAfterStop();
    }
    const int sig = g_pendingSignal;
    if (sig == 0) return;
    g_session.restoreAll();
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}

bool TakeResizeFlag() {
    if (!g_resized) return false;
    g_resized = 0;
    return true;
}

}  // namespace terminal
