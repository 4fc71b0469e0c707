// Fuzz target: any text as a replay script. It is read, or refused with "NAME:LINE: why" naming one of its lines.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/scripted/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Script script;
    std::string error;
    if (ParseScript(text, "fuzz", script, error)) {
        for (size_t i = 1; i < script.records.size(); ++i) FUZZ_CHECK(script.records[i - 1].time <= script.records[i].time);
        return 0;
    }
    FUZZ_CHECK(error.rfind("fuzz:", 0) == 0);
    const size_t colon = error.find(':', 5);
    FUZZ_CHECK(colon > 5 && colon != std::string::npos && error.compare(colon, 2, ": ") == 0 && error.size() > colon + 2);
    const std::string line = error.substr(5, colon - 5);
    FUZZ_CHECK(line.size() < 10 && std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }));
    FUZZ_CHECK(std::stol(line) >= 1 && std::stol(line) <= std::count(text.begin(), text.end(), '\n') + 1);
    return 0;
}
