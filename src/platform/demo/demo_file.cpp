// Reading and writing demo files: a strict line format, so that any damage is found and named before a demo plays.
#include "platform/demo/demo_file.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/common/numbers.h"

namespace {

constexpr const char* MAGIC = "VELKDEMO";
constexpr size_t MAX_NAME = 64;
constexpr int64_t MAX_RUN = 65536;  // input records in one read

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t space; (space = line.find(' ', start)) != std::string::npos; start = space + 1) {
        words.push_back(line.substr(start, space - start));
    }
    words.push_back(line.substr(start));
    return words;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Lower-case hexadecimal of 1 to maxDigits digits, without leading zeros unless fixed is set.
bool ParseHex(const std::string& token, size_t maxDigits, bool fixed, uint64_t& value) {
    if (token.empty() || token.size() > maxDigits || (fixed && token.size() != maxDigits)) return false;
    if (!fixed && token.size() > 1 && token[0] == '0') return false;
    value = 0;
    for (char c : token) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint64_t>(digit);
    }
    return true;
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > MAX_NAME) return false;
    for (char c : name) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                             c == '.' || c == '_' || c == '-';
        if (!allowed) return false;
    }
    return true;
}

bool SameRecord(const InputRecord& a, const InputRecord& b) {
    return a.eventType == b.eventType && a.keyDown == b.keyDown && a.virtualKeyCode == b.virtualKeyCode &&
           a.asciiChar == b.asciiChar;
}

// "TYPE:DOWN:KEY:CHAR" in hexadecimal.
bool ParseRecord(const std::string& token, InputRecord& record) {
    const std::vector<std::string> parts = SplitWords([&] {
        std::string spaced = token;
        for (char& c : spaced) c = c == ':' ? ' ' : c;
        return spaced;
    }());
    uint64_t type, down, key, character;
    if (parts.size() != 4 || !ParseHex(parts[0], 4, false, type) || !ParseHex(parts[1], 1, false, down) || down > 1 ||
        !ParseHex(parts[2], 4, false, key) || !ParseHex(parts[3], 2, false, character)) {
        return false;
    }
    record = InputRecord{static_cast<uint16_t>(type), static_cast<int32_t>(down), static_cast<uint16_t>(key),
                         static_cast<char>(static_cast<uint8_t>(character))};
    return true;
}

// Reads the words after the tag into event; returns why not, or an empty string.
std::string ParseEvent(const std::vector<std::string>& words, DemoEvent& event) {
    const size_t args = words.size() - 1;
    const auto number = [&](size_t index, int64_t low, int64_t high, const char* what) -> std::string {
        if (ParseDecimal(words[index], low, high, event.value)) return "";
        return std::string("not ") + what + ": '" + words[index] + "'";
    };
    const auto named = [&]() -> std::string { return "not a file name: '" + words[1] + "'"; };
    const bool hasName = event.kind == DemoEventKind::Save || event.kind == DemoEventKind::FileSize ||
                         event.kind == DemoEventKind::FileData;
    if (hasName && args >= 1) event.name = words[1];
    event.failed = args >= 1 && words.back() == "fail";
    switch (event.kind) {
        case DemoEventKind::Clock:
        case DemoEventKind::Wait:
            if (args == 0) return "";
            return args != 1 ? "a clock reading takes one number" : number(1, 1, MAX_NUMBER, "a time step");
        case DemoEventKind::Calendar:
            if (args == 0) return "";
            if (args != 1) return "a calendar reading takes one number";
            return words[1] == "0" ? "not a step in seconds: '0'" : number(1, -MAX_NUMBER, MAX_NUMBER, "a step in seconds");
        case DemoEventKind::Count:
            if (args == 0) return "";
            if (args != 1) return "an input count takes a number or 'fail'";
            return event.failed ? "" : number(1, 1, UINT32_MAX, "a count");
        case DemoEventKind::Read:
            if (event.failed) return args == 1 ? "" : "a failed read has nothing more";
            for (size_t i = 1; i < words.size(); ++i) {
                // A run of equal records (a key held, or typed fast) is written once with "*COUNT".
                const size_t star = words[i].find('*');
                int64_t count = 1;
                InputRecord record;
                if (!ParseRecord(words[i].substr(0, star), record) ||
                    (star != std::string::npos && !ParseDecimal(words[i].substr(star + 1), 2, MAX_RUN, count))) {
                    return "not an input record: '" + words[i] + "'";
                }
                if (event.records.size() + static_cast<size_t>(count) > MAX_RUN) return "too many input records";
                if (!event.records.empty() && SameRecord(event.records.back(), record)) {
                    return "an input record repeats the one before it, not written as a run";
                }
                event.records.insert(event.records.end(), static_cast<size_t>(count), record);
            }
            return "";
        case DemoEventKind::Box: {
            if (args != 1 && args != 2) return "a box takes its answer and how long it was up";
            if (args == 2 && !ParseDecimal(words[2], 0, MAX_NUMBER, event.upFor)) return "not a time a box was up: '" + words[2] + "'";
            return number(1, INT32_MIN, INT32_MAX, "a box answer");
        }
        case DemoEventKind::Save:
            if (args != 2) return "a save takes a file name and its result";
            return ValidName(words[1]) ? number(2, 0, 1, "a save result") : named();
        case DemoEventKind::FileSize:
            if (args != 2) return "a file size takes a file name and the size";
            return ValidName(words[1]) ? number(2, -1, MAX_NUMBER, "a file size") : named();
        case DemoEventKind::FileData: {
            if (args != 3) return "a file read takes a file name, an offset and the bytes or 'fail'";
            std::string why = ValidName(words[1]) ? number(2, 0, MAX_NUMBER, "an offset") : named();
            if (!why.empty() || event.failed) return why;
            const std::string& hex = words[3];
            for (size_t i = 0; i + 1 < hex.size(); i += 2) {
                const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
                if (high < 0 || low < 0) break;
                event.bytes.push_back(static_cast<uint8_t>(high << 4 | low));
            }
            return !hex.empty() && event.bytes.size() * 2 == hex.size() ? "" : "not bytes in hexadecimal: '" + hex + "'";
        }
        case DemoEventKind::Present: {
            if (args != 1 || !ParseHex(words[1], 16, true, event.hash)) return "a picture check takes 16 hex digits";
            return "";
        }
        case DemoEventKind::Exit:
            return args != 1 ? "an exit takes its code" : number(1, INT32_MIN, INT32_MAX, "an exit code");
    }
    return "";
}

// The steps and counts that are mostly 0: a 0 is the tag alone.
bool ZeroByTag(DemoEventKind kind) {
    return kind == DemoEventKind::Clock || kind == DemoEventKind::Wait || kind == DemoEventKind::Calendar ||
           kind == DemoEventKind::Count;
}

bool KnownTag(const std::string& word, DemoEventKind& kind) {
    static const char TAGS[] = "twsnrbfzdpe";
    if (word.size() != 1 || std::strchr(TAGS, word[0]) == nullptr || word[0] == '\0') return false;
    kind = static_cast<DemoEventKind>(word[0]);
    return true;
}

std::string Hex(uint64_t value, int width) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*" PRIx64, width, value);
    return text;
}

}  // namespace

const char* DemoGameVersion() { return VELK_GAME_VERSION; }

std::string DemoHeaderLine() {
    return std::string(MAGIC) + ' ' + std::to_string(DEMO_FORMAT_VERSION) + ' ' + DemoGameVersion() + '\n';
}

void AppendDemoEvent(std::string& out, const DemoEvent& event) {
    out += static_cast<char>(event.kind);
    if (event.kind == DemoEventKind::Save || event.kind == DemoEventKind::FileSize ||
        event.kind == DemoEventKind::FileData) {
        out += ' ' + event.name;
    }
    if (event.kind == DemoEventKind::Read) {
        for (size_t i = 0; i < event.records.size();) {
            const InputRecord& r = event.records[i];
            size_t run = 1;
            while (i + run < event.records.size() && SameRecord(event.records[i + run], r)) ++run;
            out += ' ' + Hex(r.eventType, 1) + ':' + Hex(static_cast<uint64_t>(r.keyDown), 1) + ':' +
                   Hex(r.virtualKeyCode, 1) + ':' + Hex(static_cast<uint8_t>(r.asciiChar), 1);
            if (run > 1) out += '*' + std::to_string(run);
            i += run;
        }
    } else if (event.kind == DemoEventKind::Present) {
        out += ' ' + Hex(event.hash, 16);
    } else if (!(event.failed && event.kind == DemoEventKind::Count) && !(event.value == 0 && ZeroByTag(event.kind))) {
        out += ' ' + std::to_string(event.value);
    }
    if (event.kind == DemoEventKind::Box && event.upFor >= 0) out += ' ' + std::to_string(event.upFor);
    if (event.failed && (event.kind == DemoEventKind::Count || event.kind == DemoEventKind::Read ||
                         event.kind == DemoEventKind::FileData)) {
        out += " fail";
    } else if (event.kind == DemoEventKind::FileData) {
        out += ' ';
        for (uint8_t byte : event.bytes) out += Hex(byte, 2);
    }
    out += '\n';
}

bool LooksBinary(const std::string& text) {
    for (size_t i = 0; i < text.size() && i < 4096; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return true;
    }
    return false;
}

std::string DescribeStart(const std::string& text) {
    const bool binary = LooksBinary(text);
    std::string shown;
    for (size_t i = 0; i < text.size() && i < (binary ? 8u : 24u); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!binary && (c == '\r' || c == '\n')) break;
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '\'') {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    if (!binary) return "text starting '" + shown + "'";
    return (text.rfind("\x1f\x8b", 0) == 0 ? "gzip-compressed data, starting " : "binary data, starting ") + shown;
}

bool ParseDemo(const std::string& text, const std::string& name, Demo& demo, std::string& error) {
    demo = Demo{};
    int lineNumber = 0;
    const auto fail = [&](std::string why) {
        // Quoted pieces of a damaged file may hold any bytes; the message stays one printable line.
        for (char& c : why) c = c >= 0x20 && c < 0x7F ? c : '?';
        error = name + ":" + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    if (text.empty()) return fail("empty: not a VELK demo");
    ++lineNumber;
    if (text.compare(0, text.find_first_of(" \r\n"), MAGIC) != 0) return fail("not a VELK demo: " + DescribeStart(text));
    // A recording cut short inside a line loses that line only; damage anywhere else is refused.
    const size_t whole = text.rfind('\n') + 1;
    if (whole == 0) return fail("the line is cut off: the file ends inside it");
    int lastWhole = 0, emptyFrom = 0;
    for (size_t start = 0; start < whole; lineNumber++) {
        const size_t end = text.find('\n', start);
        const size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
        const std::vector<std::string> words = SplitWords(text.substr(start, length));
        start = end + 1;
        if (lineNumber == 1) {
            int64_t format = 0;
            if (words.size() != 3 || !ParseDecimal(words[1], 1, 999, format)) return fail("not a demo header line");
            if (format > DEMO_FORMAT_VERSION) {
                return fail("a demo of format " + words[1] + "; this game plays format " +
                            std::to_string(DEMO_FORMAT_VERSION));
            }
            if (words[2] != DemoGameVersion()) {
                return fail("made by VELK " + words[2].substr(0, 20) + "; this is VELK " + DemoGameVersion());
            }
            lastWhole = 1;
            continue;
        }
        // Editors and transfers leave empty lines at the end; between events one is damage.
        if (length == 0) {
            emptyFrom = emptyFrom != 0 ? emptyFrom : lineNumber;
            continue;
        }
        if (emptyFrom != 0) {
            lineNumber = emptyFrom;
            return fail("an empty line between events");
        }
        DemoEvent event;
        if (!KnownTag(words[0], event.kind)) return fail("not a demo event: '" + words[0].substr(0, 20) + "'");
        const std::string why = ParseEvent(words, event);
        if (!why.empty()) return fail(why.substr(0, 120));
        demo.events.push_back(std::move(event));
        lastWhole = lineNumber;
    }
    if (whole < text.size()) {
        demo.note = name + ":" + std::to_string(lineNumber) + ": the last line is cut off; playing the demo up to line " +
                    std::to_string(lastWhole);
    }
    return true;
}

bool ReadDemoFile(const std::string& path, Demo& demo, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string text;
    if (file != nullptr) {
        char chunk[65536];
        size_t got;
        while (text.size() <= MAX_DEMO_BYTES && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            text.append(chunk, got);
        }
    }
    const int readError = errno;
    const bool readable = file != nullptr && !std::ferror(file);
    if (file != nullptr) std::fclose(file);
    if (!readable) {
        error = path + ": cannot read the demo: " + std::strerror(readError);
        return false;
    }
    if (text.size() > MAX_DEMO_BYTES) {
        error = path + ": larger than 64 MiB: not a demo this game made";
        return false;
    }
    return ParseDemo(text, path, demo, error);
}
