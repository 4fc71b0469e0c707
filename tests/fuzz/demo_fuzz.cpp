// Fuzz target: any bytes as a demo file. It is read, and its events then written back as the reader keeps them (CRLF
// as LF, empty lines at the end and a cut last line dropped), or it is refused with "NAME:LINE: why" on one printable
// line naming one of its lines.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/demo/demo_file.h"

namespace {

bool Printable(const std::string& line) { return std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; }); }

std::string Kept(std::string text) {
    text.erase(text.rfind('\n') + 1);
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0) text.pop_back();
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Demo demo;
    std::string error, kept = Kept(text);
    const bool read = ParseDemo(text, "fuzz", demo, error);
    if (!read) CheckLocatedError(error, text, 0);
    FUZZ_CHECK(read ? Printable(demo.note) && demo.note.empty() == (text.back() == '\n') : Printable(error));
    std::string written = kept.substr(0, kept.find('\n') + 1);  // the header as it came: an older format's stays so
    for (const DemoEvent& event : demo.events) AppendDemoEvent(written, event);
    FUZZ_CHECK(!read || written == kept);
    return 0;
}
