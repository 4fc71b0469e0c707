// The virtual platform: every seam call acts on virtual time and the script, and logs what the game does.
#include "platform/scripted/scripted_platform.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/common/cp437.h"
#include "platform/common/picture_hash.h"
#include "platform/common/us_keyboard.h"
#include "platform/backend.h"

namespace {

struct VirtualPlatform {
    const Script* script = nullptr;
    std::ostream* log = nullptr;
    int64_t now = 0;
    std::deque<ScriptRecord> queue;
    std::vector<ScriptInputFailure> failures;
    size_t nextBox = 0;
    Cell picture[SCREEN_CELLS] = {};  // the last presented picture; all blanks before the first
    bool presentedOnce = false;
    uint64_t lastHash = 0;
    long presents = 0;
    int64_t skippedPasses = 0;  // the input counts the last wait stood for
    long presentsAtWait = 0;
    int64_t lastFrontTime = -1;    // when the game last brought its console to the front
    int cursorVisible = 1;         // a console shows its cursor until the game hides it
    std::function<void(int64_t, const Cell*)> observer;
    std::function<void(int64_t)> inputHook;
    ScriptedBoxObserver boxObserver;
    bool busyWaits = false;
};

VirtualPlatform vp;
int windowTag;  // its address is the console window handle

std::ostream& LogLine() { return *vp.log << vp.now << ' '; }

size_t DueCount() {
    size_t due = 0;
    while (due < vp.queue.size() && vp.queue[due].time <= vp.now) ++due;
    return due;
}

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\\') out += "\\\\";
        else if (*p == '"') out += "\\\"";
        else if (*p == '\n') out += "\\n";
        else out += *p;
    }
    return out + "\"";
}

// The picture as 30 lines of 120 code page 437 glyphs in UTF-8, each ending in a newline.
std::string PictureAsText(const Cell* cells) {
    std::string text;
    text.reserve(SCREEN_CELLS * 3 + SCREEN_ROWS);
    for (int row = 0; row < SCREEN_ROWS; ++row) {
        for (int col = 0; col < SCREEN_COLS; ++col) {
            AppendCp437AsUtf8(text, static_cast<uint8_t>(cells[row * SCREEN_COLS + col].character));
        }
        text += '\n';
    }
    return text;
}

}  // namespace

// Virtual: nothing to lack.
const char* BackendConsoleProblem() { return nullptr; }

WindowHandle BackendSetUpConsole() {
    LogLine() << "setup\n";
    return &windowTag;
}

void BackendSetCursorVisible(int visible) { vp.cursorVisible = visible; }

void BackendPresent(const Cell* cells, const PictureChange& change) {
    ++vp.presents;
    // A run's first picture is logged whatever the demo layer saw before it (an earlier run's, in a test).
    if (!vp.presentedOnce || change.firstRow < change.endRow) {
        std::memcpy(vp.picture, cells, sizeof vp.picture);
        // Without a log (velk-replay --timedemo) the hash would go nowhere: the hash is most of a replay's time.
        const uint64_t hash = vp.log->good() ? LogPictureHash(cells) : 0;
        if (!vp.presentedOnce || hash != vp.lastHash) {
            char hex[17];
            std::snprintf(hex, sizeof hex, "%016" PRIx64, hash);
            LogLine() << "present " << hex << '\n';
        }
        vp.lastHash = hash;
        vp.presentedOnce = true;
    }
    if (vp.observer) vp.observer(vp.now, vp.picture);
}

int BackendCountInput(uint32_t* pending) {
    // Each pass a wait stood for would have presented what the pass after the wait did.
    vp.presents += (vp.presents - vp.presentsAtWait) * vp.skippedPasses;
    vp.skippedPasses = 0;
    vp.now += 1;
    if (vp.script->hasEnd && vp.now >= vp.script->endTime) ScriptedEndRun();
    if (vp.inputHook) vp.inputHook(vp.now);
    for (ScriptInputFailure& failure : vp.failures) {
        if (failure.time <= vp.now && failure.remaining > 0) {
            --failure.remaining;
            return 0;
        }
    }
    *pending = static_cast<uint32_t>(DueCount());
    return 1;
}

int BackendReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    // Like the console's, a read with nothing pending waits: virtual time moves on to the next record.
    if (DueCount() == 0 && !vp.queue.empty()) vp.now = std::max(vp.now, vp.queue.front().time);
    const size_t count = std::min<size_t>(wanted, DueCount());
    for (size_t i = 0; i < count; ++i) {
        records[i] = vp.queue.front().record;
        vp.queue.pop_front();
    }
    *read = static_cast<uint32_t>(count);
    return 1;
}

// Virtual time passes as a live wait lets it: to the deadline, or to the first thing the script holds that
// would wake the game sooner (a record, an input failure, the end), so that the next count, one millisecond
// on, comes when the first input count of a game that never waited would have found it. With nothing ever to
// come, it returns at once.
void BackendWaitForInput(int64_t deadline) {
    if (vp.busyWaits) return;
    int64_t wake = deadline;
    const auto sooner = [&wake](int64_t time) {
        if (wake == NO_DEADLINE || time < wake) wake = time;
    };
    if (!vp.queue.empty()) sooner(vp.queue.front().time);
    for (const ScriptInputFailure& failure : vp.failures) {
        if (failure.remaining > 0) sooner(failure.time);
    }
    if (vp.script->hasEnd) sooner(vp.script->endTime);
    if (wake == NO_DEADLINE || wake - 1 <= vp.now) return;
    vp.skippedPasses = wake - 1 - vp.now;
    vp.presentsAtWait = vp.presents;
    vp.now = wake - 1;
}

void BackendFlushInput() { vp.queue.erase(vp.queue.begin(), vp.queue.begin() + static_cast<long>(DueCount())); }

int BackendMessageBox(WindowHandle, const char* text, const char* title, unsigned style) {
    ScriptBoxAnswer answer{true, 0};
    if (vp.nextBox < vp.script->boxes.size()) answer = vp.script->boxes[vp.nextBox++];
    const bool hasCancel = (style & 0xF) == BOX_OKCANCEL;
    const int result = hasCancel && !answer.ok ? BOX_ANSWER_CANCEL : BOX_ANSWER_OK;
    char styleText[16];
    std::snprintf(styleText, sizeof styleText, "0x%X", style);
    LogLine() << "box " << styleText << ' ' << Quoted(title) << ' ' << Quoted(text) << " -> " << result << '\n';
    const int64_t opened = vp.now;
    vp.now += answer.delay;
    if (vp.boxObserver) vp.boxObserver(opened, vp.now, text, title, style, result);
    return result;
}

void BackendBringToFront(WindowHandle) { vp.lastFrontTime = vp.now; }

void BackendPlaySound(const char* name) { LogLine() << "cue " << name << '\n'; }

// Logged as the key press that types the character on a US keyboard, as the Windows program sends it.
void BackendTypeCharacter(char character) {
    char word[8];
    std::snprintf(word, sizeof word, "0x%04X", UsKeyScan(static_cast<unsigned char>(character)));
    LogLine() << "inject " << word << '\n';
}

int64_t BackendMilliseconds() { return vp.now; }

int64_t BackendCalendarSeconds() { return vp.script->epoch + vp.now / 1000; }

void BackendSleep(int milliseconds) { vp.now += milliseconds; }

void BackendExitProcess(int code) {
    LogLine() << "exit " << code << '\n';
    throw ScriptedRunStopped{};
}

void ScriptedBegin(const Script& script, std::ostream& log) {
    auto observer = std::move(vp.observer);
    auto inputHook = std::move(vp.inputHook);
    auto boxObserver = std::move(vp.boxObserver);
    const bool busyWaits = vp.busyWaits;
    vp = VirtualPlatform{};
    vp.busyWaits = busyWaits;
    vp.observer = std::move(observer);
    vp.inputHook = std::move(inputHook);
    vp.boxObserver = std::move(boxObserver);
    vp.script = &script;
    vp.log = &log;
    vp.queue.assign(script.records.begin(), script.records.end());
    vp.failures = script.failures;
}

void ScriptedFinish() {
    *vp.log << "presents " << vp.presents << '\n' << "screen\n" << PictureAsText(vp.picture);
    vp.log->flush();
}

int64_t ScriptedLastFrontTime() { return vp.lastFrontTime; }

int ScriptedCursorVisible() { return vp.cursorVisible; }

const Cell* ScriptedLastPicture() { return vp.picture; }

void SetScriptedPresentObserver(std::function<void(int64_t, const Cell*)> observer) { vp.observer = std::move(observer); }

void SetScriptedBoxObserver(ScriptedBoxObserver observer) { vp.boxObserver = std::move(observer); }

void SetScriptedInputHook(std::function<void(int64_t)> hook) { vp.inputHook = std::move(hook); }

void ScriptedEndRun() {
    LogLine() << "end\n";
    throw ScriptedRunStopped{};
}

void ScriptedSetBusyWaits(bool busy) { vp.busyWaits = busy; }

void ScriptedAdvanceClock(int64_t milliseconds) { vp.now += std::max<int64_t>(milliseconds, 0); }


// The scripted platform logs the game's own boxes; a watched demo's are not its business.
void BackendShowDemoBox(const char*, const char*, unsigned, int) {}
void BackendHideDemoBox() {}
void BackendShowViewerNote(const char*) {}
