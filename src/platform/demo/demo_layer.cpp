// The seam's calls over a backend: live they pass through; recording writes what the backend answered;
// playing answers from the demo and checks that the game asks exactly what it asked when recorded.
#include "platform/demo/demo_layer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/backend.h"
#include "platform/common/picture_hash.h"
#include "platform/demo/demo_writer.h"
#include "platform/demo/picture_change.h"

namespace {

enum class Mode { Live, Record, Play };

struct Layer {
    Mode mode = Mode::Live;
    int64_t clock = 0;     // the last clock reading, recorded or played
    int64_t calendar = 0;  // the last calendar reading
    Cell picture[SCREEN_CELLS] = {};  // the last one presented, in every mode
    bool presented = false;
    uint64_t hashBeforeRow[SCREEN_ROWS] = {};  // the picture check before each row, recording or playing
    bool folding = false;  // pictures changed since the last check
    uint64_t fold = 0;     // their hashes folded in order
    // Playing
    Demo demo;
    size_t next = 0;
    DemoPacing pacing;
};

Layer layer;

DemoEvent Event(DemoEventKind kind, bool failed = false) {
    DemoEvent event;
    event.kind = kind;
    event.failed = failed;
    return event;
}

bool Recording() { return layer.mode == Mode::Record; }
bool Playing() { return layer.mode == Mode::Play; }

// The events are written before everything that may block or end the game (a wait, a pause, a box, the exit
// key, the exit), and so at least once a second: a kill loses nothing before the wait it came in, and no write
// stands between a key and its picture. The browser never runs exit handlers, hence the exit key.
void Flush() { FlushDemo(); }

void Write(DemoEvent event) { AppendToDemo(event, layer.clock); }

void CheckPictures();

void CloseRecording() {
    if (Recording()) CheckPictures();
    CloseDemoWriter();
}

std::string endLine;  // said at the end when a failed write has nothing to say

// Registered before the backend's own exit handlers, so it runs after them: a terminal is given back by then, and
// the line about a failed write is seen.
void CloseRecordingAtExit() {
    CloseRecording();
    const std::string& line = DemoWriteFailure().empty() ? endLine : DemoWriteFailure();
    if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
}

void CloseRecordingAtExitOnce() {
    static bool closesAtExit = false;
    if (!closesAtExit) closesAtExit = std::atexit(CloseRecordingAtExit) == 0;
}

// A clock reading taken while recording, written as the step from the one before.
int64_t RecordClock(DemoEventKind kind, int64_t now) {
    DemoEvent event = Event(kind);
    event.value = now - layer.clock;
    layer.clock = now;
    Write(std::move(event));
    return now;
}

const char* KindName(DemoEventKind kind) {
    switch (kind) {
        case DemoEventKind::Clock: return "a clock reading";
        case DemoEventKind::Wait: return "a wait";
        case DemoEventKind::Calendar: return "the calendar";
        case DemoEventKind::Count: return "an input count";
        case DemoEventKind::Read: return "an input read";
        case DemoEventKind::Box: return "a message box";
        case DemoEventKind::Save: return "a file save";
        case DemoEventKind::FileSize: return "a file's size";
        case DemoEventKind::FileData: return "a file read";
        case DemoEventKind::Present: return "a check of the pictures";
        case DemoEventKind::Exit: return "the end of the program";
    }
    return "?";
}

[[noreturn]] void OutOfStep(const std::string& what) {
    // The line of the event last taken: the header is line 1.
    layer.pacing.outOfStep("out of step at " + std::to_string(layer.clock) + " ms (demo line " +
                           std::to_string(layer.next + 1) + "): " + what);
    std::abort();
}

// The demo's next event, which must be of the kind the game asks for.
const DemoEvent& Take(DemoEventKind kind) {
    if (layer.next >= layer.demo.events.size()) {
        layer.pacing.ended();
        std::abort();
    }
    const DemoEvent& event = layer.demo.events[layer.next++];
    if (event.kind != kind) {
        OutOfStep(std::string("the game asked for ") + KindName(kind) + ", the demo holds " + KindName(event.kind));
    }
    return event;
}

const DemoEvent& TakeNamed(DemoEventKind kind, const char* name) {
    const DemoEvent& event = Take(kind);
    if (event.name != name) OutOfStep(std::string("the game asked about file ") + name + ", the demo about " + event.name);
    return event;
}

// Before every question but a clock reading and a pause (their answers come between a picture and its check) and the
// reads that follow an input count or a file size (which checked; a picture between would go to the next check): the
// pictures changed since the last check, folded into one.
void CheckPictures() {
    if (!layer.folding) return;
    layer.folding = false;
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Present);
        event.hash = layer.fold;
        Write(std::move(event));
    } else if (Take(DemoEventKind::Present).hash != layer.fold) {
        OutOfStep("the pictures presented since the last check differ from the recorded ones");
    }
}

int64_t PlayClock() {
    layer.clock += layer.demo.events[layer.next - 1].value;
    layer.pacing.paceTo(layer.clock);
    return layer.clock;
}

}  // namespace

WindowHandle PlatformSetUpConsole() { return BackendSetUpConsole(); }
void PlatformSetCursorVisible(int visible) { BackendSetCursorVisible(visible); }
void PlatformBringToFront(WindowHandle window) { BackendBringToFront(window); }
void PlatformPlaySound(const char* name) { BackendPlaySound(name); }
void PlatformTypeCharacter(char character) {
    Flush();
    if (!Playing() || layer.pacing.logsToBackend) BackendTypeCharacter(character);
}

// The only comparison with the last picture: the backend is told what changed, and a recording or playback folds the
// changed picture's check in, taken up at the first changed row (an arrow's move hashes half a picture).
void PlatformPresent(const Cell* cells) {
    const PictureChange change =
        layer.presented ? ComparePictures(layer.picture, cells) : PictureChange{0, SCREEN_ROWS, 0, SCREEN_COLS};
    layer.presented = true;
    if (change.firstRow < change.endRow) {
        std::memcpy(layer.picture, cells, sizeof layer.picture);
        if (layer.mode != Mode::Live) {
            const uint64_t hash = DemoPictureHash(cells, change.firstRow, layer.hashBeforeRow);
            layer.fold = layer.folding ? (layer.fold ^ hash) * FNV_PRIME : hash;
            layer.folding = true;
        }
    }
    BackendPresent(cells, change);
}

int PlatformCountInput(uint32_t* pending) {
    CheckPictures();
    if (Playing()) {
        const DemoEvent& event = Take(DemoEventKind::Count);
        if (event.failed) return 0;
        *pending = static_cast<uint32_t>(event.value);
        return 1;
    }
    const int ok = BackendCountInput(pending);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Count, ok == 0);
        event.value = ok != 0 ? *pending : 0;
        Write(std::move(event));
    }
    return ok;
}

int PlatformReadInput(InputRecord* records, uint32_t wanted, uint32_t* read) {
    if (Playing()) {
        const DemoEvent& event = Take(DemoEventKind::Read);
        if (event.failed) return 0;
        if (event.records.size() > wanted) {
            OutOfStep("the game asked for " + std::to_string(wanted) + " input records, the demo holds " +
                      std::to_string(event.records.size()));
        }
        std::copy(event.records.begin(), event.records.end(), records);
        *read = static_cast<uint32_t>(event.records.size());
        return 1;
    }
    const int ok = BackendReadInput(records, wanted, read);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Read, ok == 0);
        if (ok != 0) event.records.assign(records, records + std::min(*read, wanted));
        Write(std::move(event));
    }
    return ok;
}

void PlatformFlushInput() {
    if (!Playing()) BackendFlushInput();
}

namespace {

// A wait or a pause: played, it takes the demo's clock step; live, the backend blocks, and a recording notes
// the clock when it woke.
template <typename Block>
void Blocking(Block block) {
    if (Playing()) {
        Take(DemoEventKind::Wait);
        PlayClock();
        return;
    }
    Flush();
    block();
    if (Recording()) RecordClock(DemoEventKind::Wait, BackendMilliseconds());
}

}  // namespace

void PlatformWaitForInput(int64_t deadline) {
    CheckPictures();
    Blocking([deadline] { BackendWaitForInput(deadline); });
}

// The seam's promise of at least a millisecond is kept here, for every backend.
void PlatformSleep(int milliseconds) {
    Blocking([milliseconds] { BackendSleep(std::max(milliseconds, 1)); });
}

int64_t PlatformMilliseconds() {
    if (Playing()) {
        Take(DemoEventKind::Clock);
        return PlayClock();
    }
    const int64_t now = BackendMilliseconds();
    return Recording() ? RecordClock(DemoEventKind::Clock, now) : now;
}

int64_t PlatformCalendarSeconds() {
    CheckPictures();
    if (Playing()) return layer.calendar += Take(DemoEventKind::Calendar).value;
    const int64_t seconds = BackendCalendarSeconds();
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Calendar);
        event.value = seconds - layer.calendar;
        layer.calendar = seconds;
        Write(std::move(event));
    }
    return seconds;
}

int PlatformMessageBox(WindowHandle owner, const char* text, const char* title, unsigned style) {
    CheckPictures();
    if (Playing()) {
        const DemoEvent& event = Take(DemoEventKind::Box);
        const int answer = static_cast<int>(event.value);
        if (layer.pacing.logsToBackend && BackendMessageBox(owner, text, title, style) != answer) {
            OutOfStep(std::string("the box \"") + title + "\" was answered otherwise");
        }
        if (layer.pacing.showBox) layer.pacing.showBox(text, title, style, answer, event.upFor);
        return answer;
    }
    Flush();
    const int64_t opened = BackendMilliseconds();
    const int answer = BackendMessageBox(owner, text, title, style);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Box);
        event.value = answer;
        event.upFor = BackendMilliseconds() - opened;
        Write(std::move(event));
    }
    return answer;
}

int PlatformSaveFile(const char* name, const void* data, uint32_t size) {
    CheckPictures();
    if (Playing()) return static_cast<int>(TakeNamed(DemoEventKind::Save, name).value);
    const int saved = BackendSaveFile(name, data, size);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Save);
        event.name = name;
        event.value = saved;
        Write(std::move(event));
    }
    return saved;
}

int64_t PlatformFileSize(const char* name) {
    CheckPictures();
    if (Playing()) return TakeNamed(DemoEventKind::FileSize, name).value;
    const int64_t size = BackendFileSize(name);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::FileSize);
        event.name = name;
        event.value = size;
        Write(std::move(event));
    }
    return size;
}

int PlatformReadFile(const char* name, int64_t offset, uint32_t size, void* buffer) {
    if (Playing()) {
        const DemoEvent& event = TakeNamed(DemoEventKind::FileData, name);
        if (event.value != offset || (!event.failed && event.bytes.size() != size)) {
            OutOfStep("the game read " + std::to_string(size) + " bytes at " + std::to_string(offset) + " of " + name +
                      ", the demo holds " + std::to_string(event.bytes.size()) + " at " + std::to_string(event.value));
        }
        if (event.failed) return 0;
        std::memcpy(buffer, event.bytes.data(), size);
        return 1;
    }
    const int ok = BackendReadFile(name, offset, size, buffer);
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::FileData, ok == 0);
        event.name = name;
        event.value = offset;
        if (ok != 0) event.bytes.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
        Write(std::move(event));
    }
    return ok;
}

void PlatformExitProcess(int code) {
    CheckPictures();
    if (Playing() && layer.next < layer.demo.events.size() && Take(DemoEventKind::Exit).value != code) {
        OutOfStep("the game ended with exit code " + std::to_string(code) + ", not as recorded");
    }
    if (Playing() && layer.pacing.gameExited) {
        layer.pacing.gameExited(code);
        std::abort();
    }
    if (Recording()) {
        DemoEvent event = Event(DemoEventKind::Exit);
        event.value = code;
        Write(std::move(event));
        CloseRecording();
    }
    BackendExitProcess(code);
}

bool StartDemoRecording(const std::string& path, std::string& error) {
    StopDemo();
    if (!OpenDemoWriter(path, error)) return false;
    layer.mode = Mode::Record;
    CloseRecordingAtExitOnce();
    return true;
}

void SayAtDemoEnd(std::string line) {
    endLine = std::move(line);
    CloseRecordingAtExitOnce();
}

void StartDemoPlayback(Demo demo, DemoPacing pacing) {
    StopDemo();
    layer.mode = Mode::Play;
    layer.demo = std::move(demo);
    layer.pacing = std::move(pacing);
}

void StopDemo() {
    CloseRecording();
    layer = Layer{};
}

int64_t DemoClock() { return layer.clock; }

void CheckLastDemoPictures() {
    if (Playing() && layer.next < layer.demo.events.size()) CheckPictures();
}

size_t DemoEventsLeft() { return Playing() ? layer.demo.events.size() - layer.next : 0; }
