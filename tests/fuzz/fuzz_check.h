// What the fuzz targets share: a check that stops the run loudly, and the shape of a refusal naming a line.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : (std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// A refusal of text read as "fuzz": "fuzz:LINE: why", LINE one of the text's lines counted from firstLine.
inline void CheckLocatedError(const std::string& error, const std::string& text, long firstLine) {
    const size_t colon = error.find(':', 5);
    FUZZ_CHECK(error.rfind("fuzz:", 0) == 0 && colon > 5 && colon < 15 && error.find(": ", 5) == colon && error.size() > colon + 2);
    const std::string line = error.substr(5, colon - 5);
    FUZZ_CHECK(std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }));
    FUZZ_CHECK(std::stol(line) >= firstLine && std::stol(line) <= std::count(text.begin(), text.end(), '\n') + 1);
}
