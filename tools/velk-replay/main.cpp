// velk-replay SCRIPT: plays the game headless and deterministically from a script and logs what it does.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "demo_replay.h"
#include "platform/demo/demo_layer.h"
#include "replay.h"
#include "svg_picture.h"
#include "gif_movie.h"

namespace {

constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_OUT_OF_STEP = 3;

int Usage() {
    std::cerr << "usage: velk-replay [--timedemo] [--busy-waits] [--svg PICTURE.svg] [--gif MOVIE.gif [--from MS] [--to MS] [--speed X]]"
                 " SCRIPT|DEMO\n"
                 "  SCRIPT '-' reads the script or demo from standard input; the log goes to standard output.\n"
                 "  --timedemo plays a demo without a log and prints its virtual time, the real time and their ratio.\n"
                 "  --busy-waits makes the game's idle waits return at once, as if it never slept: the log is the same.\n";
    return EXIT_BAD_INPUT;
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

// A whole number of milliseconds, or a speed factor from 0.01 to 1000.
bool ParseMilliseconds(const char* text, int64_t& value) {
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 10);
    value = parsed;
    return *text >= '0' && *text <= '9' && *end == '\0' && errno == 0;
}
bool ParseSpeed(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value >= 0.01 && value <= 1000;
}

}  // namespace

int main(int argc, char** argv) {
    const char* scriptPath = nullptr;
    const char* svgPath = nullptr;
    const char* gifPath = nullptr;
    GifOptions gif;
    bool timedemo = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--timedemo") == 0) {
            timedemo = true;
        } else if (std::strcmp(argv[i], "--busy-waits") == 0) {
            ScriptedSetBusyWaits(true);
        } else if (std::strcmp(argv[i], "--svg") == 0 && hasValue) {
            svgPath = argv[++i];
        } else if (std::strcmp(argv[i], "--gif") == 0 && hasValue) {
            gifPath = argv[++i];
        } else if (std::strcmp(argv[i], "--from") == 0 && hasValue) {
            if (!ParseMilliseconds(argv[++i], gif.from)) return Usage();
        } else if (std::strcmp(argv[i], "--to") == 0 && hasValue) {
            if (!ParseMilliseconds(argv[++i], gif.to)) return Usage();
        } else if (std::strcmp(argv[i], "--speed") == 0 && hasValue) {
            if (!ParseSpeed(argv[++i], gif.speed)) return Usage();
        } else if (scriptPath == nullptr && (argv[i][0] != '-' || std::strcmp(argv[i], "-") == 0)) {
            scriptPath = argv[i];
        } else {
            return Usage();
        }
    }
    if (scriptPath == nullptr) return Usage();

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
    } else if (isDemo ? ParseDemo(text, name, demo, error) : ParseScript(text, name, script, error)) {
        if (!demo.note.empty()) std::cerr << demo.note << '\n';
    }
    if (!error.empty()) {
        std::cerr << error << '\n';
        return EXIT_BAD_INPUT;
    }
    if (timedemo && !isDemo) {
        std::cerr << "velk-replay: --timedemo plays demos, and '" << name << "' is a script\n";
        return EXIT_BAD_INPUT;
    }
    if (isDemo) script = ArmDemoPlayback(std::move(demo));
    if (!isDemo && !script.hasEnd) {
        std::cerr << "velk-replay: the script has no 'end' line; it runs until the game itself ends\n";
    }
#ifdef VELK_GIF_FONT
    GifMovie movie;
    if (gifPath != nullptr) {
        std::string gifError;
        if (!movie.Open(gifPath, VELK_GIF_FONT, gif, gifError)) {
            std::cerr << "velk-replay: " << gifError << '\n';
            return EXIT_BAD_INPUT;
        }
        SetScriptedPresentObserver([&movie](int64_t now, const Cell* cells) { movie.Present(now, cells); });
        SetScriptedBoxObserver([&movie](int64_t opened, int64_t closed, const char* text, const char* title,
                                        unsigned style, int answer) { movie.Box(opened, closed, text, title, style, answer); });
    }
#else
    if (gifPath != nullptr) {
        std::cerr << "velk-replay: built without giflib and FreeType, so without --gif\n";
        return EXIT_BAD_INPUT;
    }
#endif
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
    if (gifPath != nullptr && !movie.Close(gifError)) {
        std::remove(gifPath);
        std::cerr << "velk-replay: cannot write '" << gifPath << "': " << gifError << '\n';
        return EXIT_BAD_INPUT;
    }
#endif

    if (svgPath != nullptr && !WritePictureSvg(ScriptedLastPicture(), svgPath)) {
        std::cerr << "velk-replay: cannot write picture '" << svgPath << "': " << std::strerror(errno) << '\n';
        return EXIT_BAD_INPUT;
    }
    return 0;
}
