// How a recording is written: whole events only, and a failure kept for the end.
#pragma once

#include <cstdint>
#include <string>

#include "platform/demo/demo_file.h"

// Makes the file and writes the header line; false with error set when the file cannot be made.
bool OpenDemoWriter(const std::string& path, std::string& error);
// Buffers one event; clock is the demo's clock once it happened.
void AppendToDemo(const DemoEvent& event, int64_t clock);
// Writes what is buffered. After the first failure nothing more is written, and the file keeps whole events only.
void FlushDemo();
void CloseDemoWriter();
// "" while every write went through; else one line saying the demo is incomplete, why, and up to when it holds.
const std::string& DemoWriteFailure();
