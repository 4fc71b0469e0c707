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
void BackendPresent(const Cell* cells);
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
