// The one seam between the game and the outside world; each backend folder implements it and CMake links one in.
#pragma once

#include <cstdint>

#include "console/cell.h"

// Opaque handle of the window that owns message boxes; nullptr means "no owner".
using WindowHandle = void*;

// One console input record, reduced to what the game reads.
struct InputRecord {
    uint16_t eventType;       // INPUT_KEY_EVENT for keys; anything else is a mouse, focus, menu or size event
    int32_t keyDown;          // 1 for a key press, 0 for a release
    uint16_t virtualKeyCode;  // Windows virtual-key code
    char asciiChar;           // the single-byte character the key produced, 0 for none
};
constexpr uint16_t INPUT_KEY_EVENT = 0x0001;
constexpr uint16_t INPUT_MOUSE_EVENT = 0x0002;

constexpr unsigned BOX_OK = 0x0;
constexpr unsigned BOX_OKCANCEL = 0x1;
constexpr unsigned BOX_TOPMOST = 0x40000;
constexpr int BOX_ANSWER_OK = 1;
constexpr int BOX_ANSWER_CANCEL = 2;

// Console: title, 120x30 size, hidden cursor, raw input. Returns the window that owns the game's boxes.
WindowHandle PlatformSetUpConsole();
void PlatformSetCursorVisible(int visible);
// Shows the whole picture of SCREEN_CELLS cells, row-major.
void PlatformPresent(const Cell* cells);

// Input: each returns 1 on success and 0 on failure, like the console calls they stand for.
int PlatformCountInput(uint32_t* pending);
int PlatformReadInput(InputRecord* records, uint32_t wanted, uint32_t* read);
void PlatformFlushInput();
// Called when a pass found nothing to do: blocks until input may be waiting, a signal or a resize needs
// handling, or the millisecond clock reaches deadline (NO_DEADLINE: no limit; one already passed: returns
// at once). It may return early; the caller counts input again either way.
constexpr int64_t NO_DEADLINE = -1;
void PlatformWaitForInput(int64_t deadline);

// A modal box; style holds the BOX_ flags. Returns the button pressed (BOX_ANSWER_...).
int PlatformMessageBox(WindowHandle owner, const char* text, const char* title, unsigned style);
void PlatformBringToFront(WindowHandle window);

// Starts "NAME.wav" from the working directory in the background, cutting off the one still playing.
void PlatformPlaySound(const char* name);

// The virtual-key word (shift state in the high byte) that types the given character on this keyboard,
// and the synthetic press of such a word.
uint16_t PlatformKeyScan(char character);
void PlatformSendKey(uint16_t virtualKeyWord);

// Milliseconds since the process started, and the calendar time in whole seconds since 1970.
int64_t PlatformMilliseconds();
int64_t PlatformCalendarSeconds();
// Blocks the whole program for at least one millisecond.
void PlatformSleep(int milliseconds);

// Replaces the file of the working directory called name with size bytes of data, so that a kill, crash,
// power cut or full disk at any moment leaves the old content or the new, never a mix (where the system
// allows: a writable file in a read-only folder is written in place). Returns 1 when the new content is
// in place, 0 when nothing changed: the file is read-only, not a regular file, or could not be written.
int PlatformSaveFile(const char* name, const void* data, uint32_t size);

// Ends the process with the given exit code, leaving the terminal or window as it was found.
[[noreturn]] void PlatformExitProcess(int code);
