// velk-replay SCRIPT: plays the game headless and deterministically from a script and logs what it does.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "demo_replay.h"
#include "platform/common/command_line.h"
#include "platform/demo/demo_layer.h"
#include "replay.h"
#include "svg_picture.h"
#include "gif_movie.h"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_OUT_OF_STEP = 3;
const char* const PROGRAM = "velk-replay";
const char* const HELP =
    "usage: velk-replay [OPTION...] SCRIPT|DEMO|-\n"
    "Plays the VELK Keyboard Practice Game headless, on virtual time, in the current\n"
    "folder, answering it from a script or a demo ('-': from standard input), and\n"
    "logs what it does on standard output.\n"
    "\n"
    "  --timedemo    play a demo without the log, as fast as it goes, and print its\n"
    "                virtual time, the real time and their ratio\n"
    "  --busy-waits  make the game's idle waits return at once (the log is the same)\n"
    "  --svg FILE    write the last picture as an SVG image\n"
    "  --gif FILE    write the run as an animated GIF\n"
    "  --from MS     with --gif: begin it at MS milliseconds of virtual time\n"
    "  --to MS       with --gif: end it at MS milliseconds\n"
    "  --speed X     with --gif: play it X times faster (0.01 to 1000)\n"
    "  -h, --help    print this help and exit\n"
    "  --version     print the program's name and version and exit\n"
    "\n"
    "Exit status: 0 when the run ends, 2 for a command line, script or demo it\n"
    "refuses or a file it cannot read or write, 3 when the game parts from a demo.\n";
enum Option { TIMEDEMO, BUSY_WAITS, SVG, GIF, FROM, TO, SPEED };
const std::vector<CommandOption> OPTIONS = {
    {"timedemo"}, {"busy-waits"}, {"svg", "a FILE"}, {"gif", "a FILE"},
    {"from", "a time MS", ValidMilliseconds, "not a whole number of milliseconds"},
    {"to", "a time MS", ValidMilliseconds, "not a whole number of milliseconds"},
    {"speed", "a speed X", ValidSpeed, "not a speed from 0.01 to 1000"}};

int Refuse(const std::string& why) {
    SayCommandLineRefusal(PROGRAM, why);
    return EXIT_BAD_INPUT;
}

// What the options given do not allow together, or "".
std::string Unfit(const CommandLine& line, const GifOptions& gif) {
    for (Option option : {FROM, TO, SPEED}) {
        if (line.Given(option) && !line.Given(GIF)) return std::string("--") + OPTIONS[option].name + ": goes with --gif";
    }
    if (line.Given(FROM) && line.Given(TO) && gif.to <= gif.from) {
        return std::string("--to ") + line.values[TO] + " is not after --from " + line.values[FROM];
    }
    if (line.operands.empty()) return "no SCRIPT or DEMO given";
    return "";
}

// When the run will end, where that is known before it: a demo's clock steps add up to it, a script's end line
// names it (the game may end before either).
int64_t RunEnd(bool isDemo, const Demo& demo, const Script& script) {
    if (!isDemo) return script.hasEnd ? script.endTime : std::numeric_limits<int64_t>::max();
    int64_t end = 0;
    for (const DemoEvent& event : demo.events) {
        if (event.kind == DemoEventKind::Clock || event.kind == DemoEventKind::Wait) end += event.value;
    }
    return end;
}

// An output file is opened before the run, so that a path it cannot write stops it before anything is played;
// a file the run made is removed again when the run fails.
struct Output {
    const char* path = nullptr;
    bool made = false;
    void Remove() const {
        if (path != nullptr && made) std::remove(path);
    }
};

bool Exists(const char* path) {
    std::error_code notChecked;
    return std::filesystem::exists(path, notChecked);
}

constexpr size_t MAX_SCRIPT_BYTES = size_t{64} << 20;

// Reads a whole stream, up to one byte past MAX_SCRIPT_BYTES; false (with errno set) when it cannot be
// read, a directory for one.
bool ReadAll(std::FILE* in, std::string& text) {
    char chunk[65536];
    size_t got;
    while (text.size() <= MAX_SCRIPT_BYTES && (got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        text.append(chunk, got);
    }
    return !std::ferror(in);
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine line = ReadCommandLine(argc, argv, OPTIONS, 1);
    if (line.error.empty() && line.help) {
        std::cout << HELP;
        return 0;
    }
    if (line.error.empty() && line.version) {
        std::cout << PROGRAM << ' ' << DemoGameVersion() << '\n';
        return 0;
    }
    GifOptions gif;
    if (line.Given(FROM)) ReadMilliseconds(line.values[FROM], gif.from);
    if (line.Given(TO)) ReadMilliseconds(line.values[TO], gif.to);
    if (line.Given(SPEED)) ReadSpeed(line.values[SPEED], gif.speed);
    const std::string unfit = line.error.empty() ? Unfit(line, gif) : line.error;
    if (!unfit.empty()) return Refuse(unfit);
#ifndef VELK_GIF_FONT
    if (line.Given(GIF)) {
        std::cerr << "velk-replay: built without giflib and FreeType, so without --gif\n";
        return EXIT_BAD_INPUT;
    }
#endif
    const char* scriptPath = line.operands[0];
    const bool timedemo = line.Given(TIMEDEMO);
    if (line.Given(BUSY_WAITS)) ScriptedSetBusyWaits(true);

    std::string text;
    const bool fromStdin = std::strcmp(scriptPath, "-") == 0;
    std::FILE* file = fromStdin ? stdin : std::fopen(scriptPath, "rb");
    const bool readable = file != nullptr && ReadAll(file, text);
    const int readError = errno;
    if (file != nullptr && !fromStdin) std::fclose(file);
    if (!readable) {
        std::cerr << "velk-replay: cannot read '" << scriptPath << "': " << std::strerror(readError) << '\n';
        return EXIT_BAD_INPUT;
    }

    if (text.size() > MAX_SCRIPT_BYTES) {
        std::cerr << "velk-replay: '" << scriptPath << "' is larger than 64 MiB; refusing to run it\n";
        return EXIT_BAD_INPUT;
    }

    const std::string name = fromStdin ? "-" : scriptPath;
    const bool isDemo = text.rfind("VELKDEMO", 0) == 0;
    Script script;
    Demo demo;
    std::string error;
    if (!isDemo && LooksBinary(text)) {
        error = name + ":1: neither a VELK demo nor a script: " + DescribeStart(text);
    } else {
        if (isDemo) ParseDemo(text, name, demo, error);
        if (!isDemo) ParseScript(text, name, script, error);
    }
    if (!error.empty()) {
        std::cerr << error << '\n';
        return EXIT_BAD_INPUT;
    }
    if (timedemo && !isDemo) {
        std::cerr << "velk-replay: --timedemo plays demos, and '" << name << "' is a script\n";
        return EXIT_BAD_INPUT;
    }
    const int64_t end = RunEnd(isDemo, demo, script);
    for (Option option : {FROM, TO}) {
        const int64_t at = option == FROM ? gif.from : gif.to;
        if (line.Given(option) && (option == FROM ? at >= end : at > end)) {
            return Refuse(std::string("--") + OPTIONS[option].name + ' ' + line.values[option] + ": '" + name + "' ends at " +
                          std::to_string(end) + " ms");
        }
    }

    Output svg{line.values[SVG], line.Given(SVG) && !Exists(line.values[SVG])};
    std::FILE* svgCheck = svg.path != nullptr ? std::fopen(svg.path, "ab") : nullptr;  // made, or kept as it is
    if (svg.path != nullptr && (svgCheck == nullptr || std::fclose(svgCheck) != 0)) {
        std::cerr << "velk-replay: cannot write '" << svg.path << "': " << std::strerror(errno) << '\n';
        return EXIT_BAD_INPUT;
    }
    Output gifOutput{line.values[GIF], true};  // written from the start: an old file of that name is gone anyway
#ifdef VELK_GIF_FONT
    GifMovie movie;
    if (gifOutput.path != nullptr) {
        std::string gifError;
        if (!movie.Open(gifOutput.path, VELK_GIF_FONT, gif, gifError)) {
            svg.Remove();
            std::cerr << "velk-replay: " << gifError << '\n';
            return EXIT_BAD_INPUT;
        }
        SetScriptedPresentObserver([&movie](int64_t now, const Cell* cells) { movie.Present(now, cells); });
        SetScriptedBoxObserver([&movie](int64_t opened, int64_t closed, const char* text, const char* title,
                                        unsigned style, int answer) { movie.Box(opened, closed, text, title, style, answer); });
    }
#endif
    if (!demo.note.empty()) std::cerr << demo.note << '\n';
    if (isDemo) script = ArmDemoPlayback(std::move(demo));
    if (!isDemo && !script.hasEnd) {
        std::cerr << "velk-replay: the script has no 'end' line; it runs until the game itself ends\n";
    }
    std::ios::sync_with_stdio(false);
    std::ostream noLog(nullptr);
    const auto started = std::chrono::steady_clock::now();
    try {
        Replay(script, timedemo ? noLog : std::cout);
        CheckLastDemoPictures();
        if (DemoEventsLeft() > 0) {
            throw DemoOutOfStep{"out of step at " + std::to_string(DemoClock()) + " ms: the game ended, the demo goes on"};
        }
    } catch (const DemoOutOfStep& outOfStep) {
        std::cout.flush();
        std::cerr << "velk-replay: " << name << ": " << outOfStep.why << '\n';
        svg.Remove();
        gifOutput.Remove();
        return EXIT_OUT_OF_STEP;
    }
    if (timedemo) {
        const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double played = static_cast<double>(DemoClock()) / 1000;
        std::printf("%s: %.1f s of game played in %.3f s: %.0fx real time\n", name.c_str(), played, real,
                    played / std::max(real, 1e-9));
    }
#ifdef VELK_GIF_FONT
    std::string gifError;
    if (gifOutput.path != nullptr && !movie.Close(gifError)) {
        svg.Remove();
        gifOutput.Remove();
        std::cerr << "velk-replay: cannot write '" << gifOutput.path << "': " << gifError << '\n';
        return EXIT_BAD_INPUT;
    }
#endif

    if (svg.path != nullptr && !WritePictureSvg(ScriptedLastPicture(), svg.path)) {
        std::cerr << "velk-replay: cannot write '" << svg.path << "': " << std::strerror(errno) << '\n';
        svg.Remove();
        return EXIT_BAD_INPUT;
    }
    return 0;
}
