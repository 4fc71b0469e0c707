// What each backend implements: a twin of every seam call but PlatformStartProgram (the command line is the
// demo layer's), and what watching a demo shows. The demo layer (src/platform/demo) implements the seam on top
// of these, recording or playing back what they answer.
#pragma once

#include "platform/platform.h"

// Before anything starts: nullptr when the console the game needs can be had here, else one line saying what
// is wrong with it and what to do (a terminal of an unknown type, for one).
const char* BackendConsoleProblem();
WindowHandle BackendSetUpConsole();
void BackendSetCursorVisible(int visible);
// The cells of a present that differ from the picture before: rows firstRow up to endRow, columns firstCol up to
// endCol; no rows for the same picture again.
struct PictureChange {
    int firstRow, endRow, firstCol, endCol;
};
// The picture and what changed in it, as the demo layer found: all of it at the first present, nothing for the same
// picture again (still passed on, so that a backend can repaint what a resize disturbed). No backend compares pictures.
void BackendPresent(const Cell* cells, const PictureChange& change);
int BackendCountInput(uint32_t* pending);
int BackendReadInput(InputRecord* records, uint32_t wanted, uint32_t* read);
void BackendFlushInput();
void BackendWaitForInput(int64_t deadline);
int BackendMessageBox(WindowHandle owner, const char* text, const char* title, unsigned style);
void BackendBringToFront(WindowHandle window);
void BackendPlaySound(const char* name);
void BackendTypeCharacter(char character);
int64_t BackendMilliseconds();
int64_t BackendCalendarSeconds();
// Never less than 1: the demo layer sees to the seam's minimum.
void BackendSleep(int milliseconds);
int BackendSaveFile(const char* name, const void* data, uint32_t size);
int64_t BackendFileSize(const char* name);
int BackendReadFile(const char* name, int64_t offset, uint32_t size, void* buffer);
[[noreturn]] void BackendExitProcess(int code);

// Watching a demo: a box the player saw, drawn over the picture (taking no keys) with the button pressed shown
// pressed (BOX_ANSWER_...; 0: none yet), until BackendHideDemoBox; and a line telling the viewer what goes on
// ("": none), shown outside the game's picture.
void BackendShowDemoBox(const char* text, const char* title, unsigned style, int pressed);
void BackendHideDemoBox();
void BackendShowViewerNote(const char* note);
