// Where and how a recording is written: never over the game's own files, whole events only, a failure kept for the end.
#pragma once

#include <cstdint>
#include <string>

#include "platform/demo/demo_file.h"

// Whether a demo may be written to path: not one of the game's files in the working folder (by any link or
// path, made yet or not), and not an existing file unless overwrite. False with error set to one line saying why.
bool DemoTargetAllowed(const std::string& path, bool overwrite, std::string& error);

// Makes the file and writes the header line; false with error set when the file cannot be made.
bool OpenDemoWriter(const std::string& path, std::string& error);
// Buffers one event; clock is the demo's clock once it happened.
void AppendToDemo(const DemoEvent& event, int64_t clock);
// Writes what is buffered. After the first failure nothing more is written, and the file keeps whole events only.
void FlushDemo();
void CloseDemoWriter();
// "" while every write went through; else one line saying the demo is incomplete, why, and up to when it holds.
const std::string& DemoWriteFailure();
