// Internals shared by the Windows console backend's files: the console handles and the pure conversions.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/backend.h"

namespace win32 {

// Taken once by BackendSetUpConsole; before that, the accessors fall back to the standard handles so
// a program that skips the set-up (a test) still draws and reads.
extern HANDLE consoleOut;
extern HANDLE consoleIn;
extern HWND consoleWindow;
HANDLE OutputHandle();
HANDLE InputHandle();

// The whole picture as wide console cells: each code page 437 byte becomes its Unicode glyph so the
// picture looks the same whatever code page the console uses.
void CellsToCharInfo(const Cell* cells, CHAR_INFO* out);

// Writes a whole picture to the console; the one last presented (blank before the first), for drawing over.
void WritePicture(const Cell* cells);
const Cell* LastPicture();
// After the player resized the console window (which may re-wrap or clear what it showed), writes the last
// picture again; true if it did.
bool RewriteIfResized();

// Waits until handle is signalled (nullptr: never) or milliseconds have passed (negative: no limit).
void WaitForHandleOrTime(HANDLE handle, int64_t milliseconds);

// A console input record reduced to the fields the game reads.
InputRecord ToInputRecord(const INPUT_RECORD& record);

}  // namespace win32
