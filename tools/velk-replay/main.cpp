// velk-replay SCRIPT: plays the game headless and deterministically from a script and logs what it does.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "replay.h"
#include "svg_picture.h"

namespace {

constexpr int EXIT_BAD_INPUT = 2;

int Usage() {
    std::cerr << "usage: velk-replay [--svg PICTURE.svg] SCRIPT\n"
                 "  SCRIPT '-' reads the script from standard input; the log goes to standard output.\n";
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

}  // namespace

int main(int argc, char** argv) {
    const char* scriptPath = nullptr;
    const char* svgPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgPath = argv[++i];
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
        std::cerr << "velk-replay: cannot read script '" << scriptPath << "': " << std::strerror(readError) << '\n';
        return EXIT_BAD_INPUT;
    }

    if (text.size() > MAX_SCRIPT_BYTES) {
        std::cerr << "velk-replay: script '" << scriptPath << "' is larger than 64 MiB; refusing to run it\n";
        return EXIT_BAD_INPUT;
    }

    Script script;
    std::string error;
    if (!ParseScript(text, fromStdin ? "-" : scriptPath, script, error)) {
        std::cerr << error << '\n';
        return EXIT_BAD_INPUT;
    }

    if (!script.hasEnd) {
        std::cerr << "velk-replay: the script has no 'end' line; it runs until the game itself ends\n";
    }
    std::ios::sync_with_stdio(false);
    Replay(script, std::cout);

    if (svgPath != nullptr && !WritePictureSvg(ScriptedLastPicture(), svgPath)) {
        std::cerr << "velk-replay: cannot write picture '" << svgPath << "': " << std::strerror(errno) << '\n';
        return EXIT_BAD_INPUT;
    }
    return 0;
}
