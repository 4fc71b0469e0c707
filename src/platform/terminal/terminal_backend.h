// What the terminal backend's parts (start-up/restore, status, signals, error log, picture, keys, boxes, sound, clock) share.
#pragma once

#include <signal.h>

#include <cstdint>

#include "platform/terminal/key_decoder.h"

namespace terminal {

constexpr int INPUT_FD = 0;
constexpr int OUTPUT_FD = 1;

// Start-up and restore (session.cpp).
// Opens the curses screen on standard input and output: signal handlers, library messages routed away
// from the terminal, raw keys, colours. False when there is no usable terminal.
bool OpenScreen();
// Leaves the terminal exactly as found; idempotent, and safe when nothing was opened. Then prints the
// remembered message of the last box, if any, to standard error.
void CloseScreen();
// Audio and terminal both: what every way out runs.
void RestoreAll();
// The saved terminal mode and the strings that leave the screen, written raw: async-signal-safe.
void LeaveTerminal();
// After a stop: the screen taken back (the repaint follows with the size check the handler asked for).
void ReturnAfterStop();

// The session's state (status.cpp), which the picture, keys, boxes and start-up all read.
bool ScreenActive();
void SetScreenActive(bool on);
// Set once a hang-up or end of input showed that the terminal is gone.
bool TerminalGone();
void MarkTerminalGone();
// The last box answered: printed to standard error when the terminal is restored, unless the game
// draws or reads on (then it was not the program's last word).
void RememberExitMessage(const char* title, const char* text);
void ForgetExitMessage();
// Prints the remembered message, if any, once.
void PrintExitMessage();
void PrintMessageToStderr(const char* title, const char* text);

// Signals (signals.cpp).
// What the handlers and the main path's signal handling call back in the session: LeaveTerminal,
// ReturnAfterStop and RestoreAll, handed down so that the signals need not know the session.
struct SessionHooks {
    void (*leaveTerminal)();
    void (*returnAfterStop)();
    void (*restoreAll)();
};
void InstallHandlers(const SessionHooks& session);
void RemoveHandlers();
// The asynchronous signals handled on the game's thread: other threads block them, and a wait blocks
// them from its last check until it sleeps.
void AsyncSignals(sigset_t* set);
// A signal or size change that the main path has not handled yet.
bool SignalWaiting();
// A termination signal that arrived since: restores everything and ends the process by that signal.
void HandlePendingSignal();
// True once for each change of the terminal's size since the last call.
bool TakeResizeFlag();

// Standard error while the picture is up (error_log.cpp): a bounded temporary file instead of the terminal.
void RouteStderrToLog();
// Standard error back where it was; the log is dropped.
void RestoreStderr();
// Async-signal-safe, for an abnormal end: standard error back, then the last of the log shown on it.
void RestoreStderrShowingLog();
// Keeps the log within its bound; called while the game has nothing else to do.
void TrimErrorLog();

// Picture (picture.cpp).
// After the screen opened: colour pairs and glyphs for this terminal and locale.
void InitPicture();
struct Layout {
    int top, left;   // screen position of the picture's cell (0, 0)
    int rows, cols;  // how much of the picture is visible
    bool tooSmall;   // the terminal's last line then says how large it must be
};
Layout CurrentLayout();
// Lays the picture out for the current terminal size and draws all of it into the screen (no update).
void RedrawPicture();
// Applies a pending size change: resizes curses, re-lays out and redraws; with update also shows it.
// True if there was one.
bool ApplyResize(bool update);
// The curses pair and attributes that show a console attribute (its low byte).
void ColourOf(uint8_t attribute, short* pair, unsigned* attrs);
// Drawn over the picture after each whole redraw (nullptr: nothing): a watched demo's box.
void SetPictureOverlay(void (*draw)());
// The viewer's note on the line below the picture, where the terminal has one ("": none); drawn now (no update)
// and after each whole redraw.
void ShowNoteLine(const char* note);

// Keys (keys.cpp): one input path for the game and the boxes.
// Reads and decodes what the terminal has, without waiting; false once it is gone.
bool PullKeys();
// The next decoded key, if one is queued.
bool TakeKey(DecodedKey* key);
// Blocks until input, a signal, the pending Esc's delay or deadline (BackendMilliseconds; NO_DEADLINE).
void WaitForKeys(int64_t deadline);
// Drops every queued key, decoded or not, and what the terminal holds unread.
void DiscardQueuedKeys();
// As a box opens: everything typed so far (queued, unfinished, and unread in the terminal, all read in first)
// is set aside for the game, so that the box reads only what comes after. False once the terminal is gone.
bool HoldTypedKeys();
// As the box closes: its keys dropped (DiscardQueuedKeys), the ones set aside queued again, in order.
void ReturnHeldKeys();

// Sound (sound.cpp).
void OpenAudio();
void CloseAudio();

}  // namespace terminal
