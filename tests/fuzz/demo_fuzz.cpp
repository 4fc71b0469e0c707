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
    std::string error;
    if (ParseDemo(text, "fuzz", demo, error)) {
        std::string written = DemoHeaderLine();
        for (const DemoEvent& event : demo.events) AppendDemoEvent(written, event);
        FUZZ_CHECK(written == text);
        return 0;
    }
    FUZZ_CHECK(error.rfind("fuzz:", 0) == 0);
    FUZZ_CHECK(std::all_of(error.begin(), error.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    const size_t colon = error.find(':', 5);
    FUZZ_CHECK(colon != std::string::npos && error.compare(colon, 2, ": ") == 0 && error.size() > colon + 2);
    const long line = std::stol(error.substr(5, colon - 5));
    FUZZ_CHECK(line >= 0 && line <= std::count(text.begin(), text.end(), '\n') + 1);
    return 0;
}
