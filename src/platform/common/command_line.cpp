// The programs' command lines over getopt_long (glibc, mingw-w64 and emscripten's libc all have it).
#include "platform/common/command_line.h"

#include <getopt.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/common/numbers.h"

namespace {

constexpr int FIRST_ID = 256;  // past every short option's character

std::string Dashed(const char* name) { return std::string("--") + name; }

}  // namespace

CommandLine ReadCommandLine(int argc, char** argv, const std::vector<CommandOption>& options, size_t maxOperands) {
    CommandLine line;
    line.values.assign(options.size(), nullptr);
    const int versionId = FIRST_ID + static_cast<int>(options.size());
    std::vector<option> table;
    for (size_t i = 0; i < options.size(); ++i) {
        table.push_back({options[i].name, options[i].value != nullptr ? required_argument : no_argument, nullptr,
                         FIRST_ID + static_cast<int>(i)});
    }
    table.push_back({"help", no_argument, nullptr, 'h'});
    table.push_back({"version", no_argument, nullptr, versionId});
    table.push_back({nullptr, 0, nullptr, 0});
    const auto nameOf = [&](int id) { return id == 'h' ? "help" : id == versionId ? "version" : options[id - FIRST_ID].name; };
    const auto known = [&](int id) { return id == 'h' || (id >= FIRST_ID && id <= versionId); };

    opterr = 0;  // its messages are not one line in this program's words
    optind = 0;  // a fresh scan, in every C library
    int id;
    while (line.error.empty() && (id = getopt_long(argc, argv, ":h", table.data(), nullptr)) != -1) {
        if (id == '?' || id == ':') {
            // A known option here is one whose value is missing or not wanted (libraries differ in which they say).
            if (!known(optopt)) {
                line.error = "unknown option '" + (optopt != 0 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1]) + "'";
            } else if (optopt >= FIRST_ID && optopt < versionId && options[optopt - FIRST_ID].value != nullptr) {
                line.error = Dashed(nameOf(optopt)) + ": needs " + options[optopt - FIRST_ID].value;
            } else {
                line.error = Dashed(nameOf(optopt)) + ": takes no value";
            }
            continue;
        }
        // getopt_long takes any unique beginning of a name; the launcher's shell takes whole names only, and so
        // does each program, so that every spelling works with all three.
        const bool joined = optarg != nullptr && optarg != argv[optind - 1];
        const char* typed = optarg != nullptr && !joined ? argv[optind - 2] : argv[optind - 1];
        const std::string word(typed, joined ? std::strcspn(typed, "=") : std::strlen(typed));
        if (word != "-h" && word != Dashed(nameOf(id))) {
            line.error = "unknown option '" + word + "'";
        } else if (id == 'h') {
            line.help = true;
        } else if (id == versionId) {
            line.version = true;
        } else {
            const CommandOption& given = options[id - FIRST_ID];
            const char* value = optarg != nullptr ? optarg : "";
            if (line.values[id - FIRST_ID] != nullptr) {
                line.error = Dashed(given.name) + ": given twice";
            } else if (given.value != nullptr && *value == '\0') {
                line.error = Dashed(given.name) + ": needs " + given.value;
            } else if (given.valid != nullptr && !given.valid(value)) {
                line.error = Dashed(given.name) + ": " + given.refusal + ": '" + value + "'";
            }
            line.values[id - FIRST_ID] = value;
        }
    }
    for (int i = optind; i < argc && line.error.empty(); ++i) {
        if (line.operands.size() == maxOperands) line.error = std::string("unexpected argument '") + argv[i] + "'";
        line.operands.push_back(argv[i]);
    }
    return line;
}

void SayCommandLineRefusal(const char* program, const std::string& why) {
    std::fprintf(stderr, "%s: %s; try --help\n", program, why.c_str());
}

bool ReadSpeed(const char* text, double& speed) {
    // strtod alone would also take spaces, "inf", "nan" and hexadecimal.
    if (*text == '\0' || std::strchr("0123456789.", *text) == nullptr || text[std::strspn(text, "0123456789.eE+-")] != '\0') {
        return false;
    }
    char* end = nullptr;
    speed = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(speed) && speed >= 0.01 && speed <= 1000;
}

bool ValidSpeed(const char* text) {
    double speed;
    return ReadSpeed(text, speed);
}

bool ReadMilliseconds(const char* text, int64_t& milliseconds) { return ParseWholeNumber(text, milliseconds); }

bool ValidMilliseconds(const char* text) {
    int64_t milliseconds;
    return ReadMilliseconds(text, milliseconds);
}
