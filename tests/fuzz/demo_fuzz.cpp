// Fuzz target: any bytes as a demo file. It is read, and then written back byte for byte the same, or it is
// refused with "NAME:LINE: why" on one printable line naming one of its lines.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/demo/demo_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Demo demo;
    std::string error, written = DemoHeaderLine();
    const bool read = ParseDemo(text, "fuzz", demo, error);
    if (!read) CheckLocatedError(error, text, 0);
    FUZZ_CHECK(read || std::all_of(error.begin(), error.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    for (const DemoEvent& event : demo.events) AppendDemoEvent(written, event);
    FUZZ_CHECK(!read || written == text);
    return 0;
}
