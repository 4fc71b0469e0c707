// The program's own options (--record, --play, --speed, --keep) and watching a demo at the pace it was played.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/common/command_line.h"
#include "platform/demo/demo_layer.h"
#include "platform/demo/demo_writer.h"
#include "platform/demo/kept_games.h"

namespace {

constexpr int EXIT_BAD_COMMAND_LINE = 2;
constexpr int EXIT_OUT_OF_STEP = 3;
constexpr int EXIT_NO_CONSOLE = 4;
const char* const PROGRAM = "VELKGAME.exe";
const char* const HELP =
    "usage: VELKGAME.exe [--record DEMO [--overwrite] | --play DEMO [--speed X] | --keep FOLDER]\n"
    "Starts the VELK Keyboard Practice Game in this console. It reads its sound files\n"
    "and keeps its record file VELKGAME.CFG in the working folder.\n"
    "\n"
    "  --record DEMO  play as usual, writing a demo of the session to the file DEMO\n"
    "  --overwrite    with --record: replace an existing file DEMO\n"
    "  --play DEMO    watch a demo at the pace it was played: Space pauses, Esc stops\n"
    "  --speed X      with --play: at X times that pace (0.01 to 1000)\n"
    "  --keep FOLDER  play as usual, keeping the session as a demo in FOLDER, named by\n"
    "                 its start time (past 1,000 games or 100 MB the oldest go)\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the program's name and version and exit\n";
enum Option { RECORD, OVERWRITE, PLAY, SPEED, KEEP };
constexpr int64_t PRESSED_SHOWN_MS = 250;   // a watched box shows its pressed button this long before it closes
constexpr int64_t UNTIMED_BOX_MS = 1000;    // how long a box of a demo that did not record it is shown
const char* const NOTE_PLAYING = "VELK demo: Space pauses, Esc stops";
const char* const NOTE_PAUSED = "VELK demo paused: Space goes on, Esc stops";

struct Watch {
    double speed = 1;
    bool started = false;
    int64_t start = 0;     // the backend's clock when the demo's time 0 was due
    int64_t pausedAt = -1; // the backend's clock when Space paused the demo; -1 when playing
};

// The viewer's keys: Space pauses and goes on, Esc stops.
void TakeViewerKeys(Watch& watch) {
    uint32_t pending = 0;
    while (BackendCountInput(&pending) != 0 && pending > 0) {
        InputRecord records[16];
        uint32_t read = 0;
        if (BackendReadInput(records, pending < 16 ? pending : 16, &read) == 0 || read == 0) return;
        for (uint32_t i = 0; i < read; ++i) {
            if (records[i].eventType != INPUT_KEY_EVENT || records[i].keyDown != 1) continue;
            if (records[i].virtualKeyCode == KEY_ESCAPE) BackendExitProcess(0);
            if (records[i].asciiChar != ' ') continue;
            const int64_t now = BackendMilliseconds();
            if (watch.pausedAt < 0) {
                watch.pausedAt = now;
            } else {
                watch.start += now - watch.pausedAt;
                watch.pausedAt = -1;
            }
            BackendShowViewerNote(watch.pausedAt < 0 ? NOTE_PLAYING : NOTE_PAUSED);
        }
    }
}

// One line (a demo's error names its file and line itself).
[[noreturn]] void Refuse(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::exit(EXIT_BAD_COMMAND_LINE);
}

// What the options given do not allow together, or "".
std::string Unfit(const CommandLine& line) {
    if (line.Given(RECORD) && line.Given(PLAY)) return "--record and --play do not go together";
    if (line.Given(OVERWRITE) && !line.Given(RECORD)) return "--overwrite: goes with --record";
    if (line.Given(SPEED) && !line.Given(PLAY)) return "--speed: goes with --play";
    if (line.Given(KEEP) && (line.Given(RECORD) || line.Given(PLAY))) {
        return std::string("--keep and ") + (line.Given(RECORD) ? "--record" : "--play") + " do not go together";
    }
    return "";
}

// Returns once the demo's clock reading is due on the backend's clock, taking the viewer's keys meanwhile.
void PaceTo(Watch& watch, int64_t demoMilliseconds) {
    const int64_t offset = std::llround(static_cast<double>(demoMilliseconds) / watch.speed);
    if (!watch.started) {
        watch.started = true;
        watch.start = BackendMilliseconds() - offset;
        BackendShowViewerNote(NOTE_PLAYING);
    }
    for (;;) {
        TakeViewerKeys(watch);
        if (watch.pausedAt < 0 && BackendMilliseconds() >= watch.start + offset) return;
        BackendWaitForInput(watch.pausedAt < 0 ? watch.start + offset : NO_DEADLINE);
    }
}

// Holds the demo where it is for milliseconds of its own time: everything after comes that much later.
void Hold(Watch& watch, int64_t milliseconds) {
    PaceTo(watch, DemoClock());
    watch.start += std::llround(static_cast<double>(milliseconds) / watch.speed);
    PaceTo(watch, DemoClock());
}

// A box as the player saw it: up as long as it was, its pressed button shown just before it closes. The demo's
// clock readings after a box include its time, so a timed box is paced to them; an untimed one holds the demo.
void ShowBox(Watch& watch, const char* text, const char* title, unsigned style, int answer, int64_t upFor) {
    const int64_t shown = upFor >= 0 ? upFor : UNTIMED_BOX_MS;
    const int64_t pressed = std::min(shown, PRESSED_SHOWN_MS);
    const int64_t opened = DemoClock();
    BackendShowDemoBox(text, title, style, 0);
    upFor >= 0 ? PaceTo(watch, opened + shown - pressed) : Hold(watch, shown - pressed);
    BackendShowDemoBox(text, title, style, answer);
    upFor >= 0 ? PaceTo(watch, opened + shown) : Hold(watch, pressed);
    BackendHideDemoBox();
}

}  // namespace

DemoPacing WatchingPacing(double speed) {
    auto watch = std::make_shared<Watch>();
    watch->speed = speed;
    DemoPacing pacing;
    pacing.paceTo = [watch](int64_t demoMilliseconds) { PaceTo(*watch, demoMilliseconds); };
    pacing.showBox = [watch](const char* text, const char* title, unsigned style, int answer, int64_t upFor) {
        ShowBox(*watch, text, title, style, answer, upFor);
    };
    // The recorded game's exit status (and its exit key) are the recorded player's, not the viewer's.
    pacing.gameExited = [](int) { BackendExitProcess(0); };
    pacing.ended = [] {
        BackendMessageBox(nullptr, "The demo ends here.", "VELK Demo", BOX_OK);
        BackendExitProcess(0);
    };
    pacing.outOfStep = [](const std::string& why) {
        BackendMessageBox(nullptr, why.c_str(), "VELK Demo", BOX_OK);
        BackendExitProcess(EXIT_OUT_OF_STEP);
    };
    return pacing;
}

void PlatformStartProgram(int argc, char** argv) {
    const CommandLine line = ReadCommandLine(argc, argv, {{"record", "a DEMO file"}, {"overwrite"}, {"play", "a DEMO file"},
                                                          {"speed", "a speed X", ValidSpeed, "not a speed from 0.01 to 1000"},
                                                          {"keep", "a FOLDER"}}, 0);
    std::string why = line.error;
    if (why.empty() && line.help) {
        std::fputs(HELP, stdout);
        std::exit(0);
    }
    if (why.empty() && line.version) {
        std::printf("%s %s\n", PROGRAM, DemoGameVersion());
        std::exit(0);
    }
    if (why.empty()) why = Unfit(line);
    if (!why.empty()) {
        SayCommandLineRefusal(PROGRAM, why);
        std::exit(EXIT_BAD_COMMAND_LINE);
    }
    const char* record = line.values[RECORD];
    std::string error;
    if (record != nullptr && !DemoTargetAllowed(record, line.Given(OVERWRITE), error)) Refuse(std::string(PROGRAM) + ": " + error);
    Demo demo;
    if (line.Given(PLAY) && !ReadDemoFile(line.values[PLAY], demo, error)) Refuse(error);
    // Before any file is made or the screen touched: a console the game cannot use is said once, here.
    if (const char* problem = BackendConsoleProblem()) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, problem);
        std::exit(EXIT_NO_CONSOLE);
    }
    if (record != nullptr && !StartDemoRecording(record, error)) Refuse(std::string(PROGRAM) + ": " + error);
    if (line.Given(KEEP)) KeepGame(line.values[KEEP]);
    if (line.Given(PLAY)) {
        double speed = 1;
        if (line.Given(SPEED)) ReadSpeed(line.values[SPEED], speed);
        // Said before the game takes the screen: a terminal shows it again when the game gives the screen back.
        if (!demo.note.empty()) std::fprintf(stderr, "%s\n", demo.note.c_str());
        StartDemoPlayback(std::move(demo), WatchingPacing(speed));
    }
}
