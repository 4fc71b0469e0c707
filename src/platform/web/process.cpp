// Web backend, process: clocks, pauses that yield to the browser, and the end of the game shown on the page.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>

#include "platform/backend.h"

// clang-format off
EM_JS(void, VelkEnded, (int code), { velkFiles.ended(code); });
// clang-format on

namespace {

const double startMilliseconds = emscripten_get_now();

}  // namespace

int64_t BackendMilliseconds() { return static_cast<int64_t>(emscripten_get_now() - startMilliseconds); }

int64_t BackendCalendarSeconds() { return static_cast<int64_t>(emscripten_date_now() / 1000.0); }

void BackendSleep(int milliseconds) { emscripten_sleep(static_cast<unsigned>(milliseconds)); }

void BackendExitProcess(int code) {
    VelkEnded(code);
    std::exit(code);
}
