// The program's own options (--record, --play, --speed, --keep) and watching a demo at the pace it was played.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/demo/demo_layer.h"
#include "platform/demo/demo_writer.h"
#include "platform/demo/kept_games.h"

namespace {

constexpr int EXIT_BAD_COMMAND_LINE = 2;
constexpr int EXIT_OUT_OF_STEP = 3;
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
    const char* record = nullptr;
    const char* play = nullptr;
    const char* keep = nullptr;
    bool overwrite = false;
    double speed = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--record") == 0 && hasValue) {
            record = argv[++i];
        } else if (std::strcmp(argv[i], "--play") == 0 && hasValue) {
            play = argv[++i];
        } else if (std::strcmp(argv[i], "--keep") == 0 && hasValue) {
            keep = argv[++i];
        } else if (std::strcmp(argv[i], "--overwrite") == 0) {
            overwrite = true;
        } else if (std::strcmp(argv[i], "--speed") == 0 && hasValue) {
            char* end = nullptr;
            speed = std::strtod(argv[++i], &end);
            if (*end != '\0' || !std::isfinite(speed) || speed < 0.01 || speed > 1000) {
                Refuse(std::string("VELKGAME.exe: not a speed from 0.01 to 1000: '") + argv[i] + "'");
            }
        } else {
            Refuse(std::string("VELKGAME.exe: unknown argument '") + argv[i] +
                   "'; usage: VELKGAME.exe [--record DEMO [--overwrite] | --play DEMO [--speed X] | --keep FOLDER]");
        }
    }
    if (record != nullptr && play != nullptr) Refuse("VELKGAME.exe: --record and --play do not go together");
    if (keep != nullptr && (record != nullptr || play != nullptr)) {
        Refuse(std::string("VELKGAME.exe: --keep and ") + (record != nullptr ? "--record" : "--play") + " do not go together");
    }
    if (overwrite && record == nullptr) Refuse("VELKGAME.exe: --overwrite goes with --record");
    std::string error;
    if (record != nullptr && !(DemoTargetAllowed(record, overwrite, error) && StartDemoRecording(record, error))) {
        Refuse("VELKGAME.exe: " + error);
    }
    if (keep != nullptr) KeepGame(keep);
    if (play != nullptr) {
        Demo demo;
        if (!ReadDemoFile(play, demo, error)) Refuse(error);
        // Said before the game takes the screen: a terminal shows it again when the game gives the screen back.
        if (!demo.note.empty()) std::fprintf(stderr, "%s\n", demo.note.c_str());
        StartDemoPlayback(std::move(demo), WatchingPacing(speed));
    }
}
