// The one seam between the game and the outside world (the cell, the picture's geometry, key codes, calls); CMake links one backend.
#pragma once

#include <cstdint>

// Laid out as the Windows console's single-byte cell record, so a whole picture can be handed to
// the console in one call without conversion.
struct Cell {
    uint16_t character;  // low byte: a code page 437 byte; high byte always zero
    uint16_t attribute;  // console colour bits: background in the high nibble, foreground in the low
};
static_assert(sizeof(Cell) == 4, "a cell must match the console's 4-byte cell record");

constexpr int SCREEN_COLS = 120;
constexpr int SCREEN_ROWS = 30;
constexpr int SCREEN_CELLS = SCREEN_COLS * SCREEN_ROWS;

// Opaque handle of the window that owns message boxes; nullptr means "no owner".
using WindowHandle = void*;

// One console input record, reduced to what the game reads.
struct InputRecord {
    uint16_t eventType;       // INPUT_KEY_EVENT for keys; anything else is a mouse, focus, menu or size event
    int32_t keyDown;          // 1 for a key press, 0 for a release
    uint16_t virtualKeyCode;  // KEY_ below for the keys the game reads; other keys' Windows virtual-key codes
    char asciiChar;           // the single-byte character the key produced, 0 for none
};
// The keys the game reads by key rather than by character. The values are the Windows virtual-key
// codes, so the Windows console's records pass through unchanged; every other backend translates into them.
constexpr uint16_t KEY_ESCAPE = 0x1B;
constexpr uint16_t KEY_LEFTARROW = 0x25;
constexpr uint16_t KEY_UPARROW = 0x26;
constexpr uint16_t KEY_RIGHTARROW = 0x27;
constexpr uint16_t KEY_DOWNARROW = 0x28;

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

// Types the character into whatever has the keyboard once the game is gone, as a synthetic key press
// where the system allows it.
void PlatformTypeCharacter(char character);

// Milliseconds since the process started, and the calendar time in whole seconds since 1970.
int64_t PlatformMilliseconds();
int64_t PlatformCalendarSeconds();
// Blocks the whole program for the given milliseconds, at least one.
void PlatformSleep(int milliseconds);

// Replaces the file of the working directory called name with size bytes of data, so that a kill, crash,
// power cut or full disk at any moment leaves the old content or the new, never a mix (where the system
// allows: a writable file in a read-only folder is written in place). Returns 1 when the new content is
// in place, 0 when nothing changed: the file is read-only, not a regular file, or could not be written.
int PlatformSaveFile(const char* name, const void* data, uint32_t size);

// The size of the regular file of the working directory called name, or -1 when there is no such file that
// can be read (missing, unreadable, or a folder, FIFO, device or socket: waiting for a writer is no read).
int64_t PlatformFileSize(const char* name);
// Reads size bytes at offset of that file into buffer: 1 when all of them were read, 0 otherwise.
int PlatformReadFile(const char* name, int64_t offset, uint32_t size, void* buffer);

// The program's command line, before anything else: the platform's own options (demos). A command line it
// cannot follow ends the process with a message and exit code 2.
void PlatformStartProgram(int argc, char** argv);

// Ends the process with the given exit code, leaving the terminal or window as it was found.
[[noreturn]] void PlatformExitProcess(int code);
