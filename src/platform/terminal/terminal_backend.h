// What the terminal backend's parts (start-up/restore, picture, keys, boxes, sound, clock) share among themselves.
#pragma once

#include <cstdint>

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
bool ScreenActive();
// The window keys are read through (curses' WINDOW*, kept opaque here).
struct _win_st* KeyWindow();
// Set once a hang-up or end of input showed that the terminal is gone.
bool TerminalGone();
void MarkTerminalGone();
// A termination signal that arrived since: restores everything and ends the process by that signal.
void HandlePendingSignal();
// True once for each change of the terminal's size since the last call.
bool TakeResizeFlag();
// The last box answered: printed to standard error when the terminal is restored, unless the game
// draws or reads on (then it was not the program's last word).
void RememberExitMessage(const char* title, const char* text);
void ForgetExitMessage();
void PrintMessageToStderr(const char* title, const char* text);

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

// Keys (keys.cpp).
enum class KeyWait { Key, Nothing, Gone };
// Waits up to timeoutMs for one key from curses (0: only what is already there).
KeyWait WaitForCursesKey(int timeoutMs, int* result, unsigned* key);
void DiscardQueuedKeys();

// Sound (sound.cpp).
void OpenAudio();
void CloseAudio();

}  // namespace terminal
