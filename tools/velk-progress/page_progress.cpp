// The report engine as the page's WebAssembly program: kept games handed in one by one, the report and chart out.
#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "progress_report.h"

namespace {

std::vector<GameSummary> games;
std::string answer;  // what the last call returned; the page copies it before its next call

}  // namespace

// A replay answers every save from its demo, so nothing here is ever written.
int BackendSaveFile(const char*, const void*, uint32_t) { return 0; }

extern "C" {

EMSCRIPTEN_KEEPALIVE void velk_progress_clear() { games.clear(); }

// Adds one kept game: its summary line from an earlier call when given and readable, else its demo replayed.
// "+LINE" (the summary to keep beside the game) or "-WHY" (one line naming the game: it is not counted).
EMSCRIPTEN_KEEPALIVE const char* velk_progress_add(const char* name, const char* demo, const char* cached) {
    GameSummary summary;
    std::string error;
    if (ParseSummary(cached, summary) || SummariseDemo(demo, name, summary, error)) {
        games.push_back(summary);
        answer = "+" + FormatSummary(summary);
    } else {
        answer = "-" + error;
    }
    return answer.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* velk_progress_report(double nowCalendarSeconds) {
    answer = ProgressReport(games, static_cast<int64_t>(nowCalendarSeconds));
    return answer.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* velk_progress_svg() {
    answer = ProgressSvg(games);
    return answer.c_str();
}

}  // extern "C"
