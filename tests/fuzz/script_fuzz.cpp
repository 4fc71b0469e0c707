// Fuzz target: any text as a replay script. It is read, or refused with "NAME:LINE: why" naming one of its lines.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/scripted/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Script script;
    std::string error;
    const bool read = ParseScript(text, "fuzz", script, error);
    if (!read) CheckLocatedError(error, text, 1);
    const auto& records = script.records;
    for (size_t i = 1; read && i < records.size(); ++i) FUZZ_CHECK(records[i - 1].time <= records[i].time);
    return 0;
}
