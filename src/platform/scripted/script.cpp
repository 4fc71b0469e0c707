// The reader of replay scripts: one directive a line, '#' comments, times in virtual milliseconds.
#include "platform/scripted/script.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/common/numbers.h"

namespace {

bool ParseKey(const std::string& name, InputRecord& record) {
    record.eventType = INPUT_KEY_EVENT;
    record.keyDown = 1;
    static const struct { const char* name; char character; uint16_t virtualKey; } NAMED_KEYS[] = {
        {"Esc", 0x1B, KEY_ESCAPE}, {"Left", 0, KEY_LEFTARROW}, {"Up", 0, KEY_UPARROW}, {"Right", 0, KEY_RIGHTARROW}, {"Down", 0, KEY_DOWNARROW},
    };
    for (const auto& key : NAMED_KEYS) {
        if (name == key.name) {
            record.asciiChar = key.character;
            record.virtualKeyCode = key.virtualKey;
            return true;
        }
    }
    if (name.size() != 1) return false;
    const unsigned char c = static_cast<unsigned char>(name[0]);
    if (c <= 0x20 || c >= 0x7F) return false;
    record.asciiChar = static_cast<char>(c);
    if (std::isalpha(c)) {
        record.virtualKeyCode = static_cast<uint16_t>(std::toupper(c));
    } else if (std::isdigit(c)) {
        record.virtualKeyCode = c;
    } else {
        record.virtualKeyCode = 0;
    }
    return true;
}

// Reads one directive; returns an empty string on success, else why the line cannot be read.
std::string ParseLine(const std::vector<std::string>& words, int lineNumber, Script& script, bool& sawAt,
                      int64_t& boxDelays) {
    const std::string& directive = words[0];
    int64_t number = 0;
    if (directive == "epoch") {
        if (words.size() != 2) return "epoch takes one number of seconds";
        if (sawAt) return "epoch must come before any 'at' line";
        if (!ParseWholeNumber(words[1], number)) return "not a whole number >= 0: '" + words[1] + "'";
        script.epoch = number;
        return "";
    }
    if (directive == "end") {
        if (words.size() != 2) return "end takes one time";
        if (!ParseWholeNumber(words[1], number)) return "not a time: '" + words[1] + "'";
        script.endTime = script.hasEnd ? std::min(script.endTime, number) : number;
        script.hasEnd = true;
        return "";
    }
    if (directive == "box") {
        if (words.size() < 2 || words.size() > 3) return "box takes ok or cancel and an optional delay";
        if (words[1] != "ok" && words[1] != "cancel") return "a box answer is ok or cancel, not '" + words[1] + "'";
        if (words.size() == 3 && !ParseWholeNumber(words[2], number)) return "not a delay: '" + words[2] + "'";
        // Each delay is capped, but the boxes of one run add theirs to the same clock.
        boxDelays += number;
        if (boxDelays > MAX_NUMBER) return "the box delays add up to more than the clock holds (2^53 ms)";
        script.boxes.push_back({words[1] == "ok", words.size() == 3 ? number : 0});
        return "";
    }
    if (directive != "at") return "unknown directive '" + directive.substr(0, 24) + "'";
    sawAt = true;
    if (words.size() < 3) return "at takes a time and an event";
    int64_t time = 0;
    if (!ParseWholeNumber(words[1], time)) return "not a time: '" + words[1] + "'";
    const std::string& event = words[2];
    ScriptRecord entry{time, lineNumber, InputRecord{}};
    if (event == "key" || event == "up") {
        if (words.size() != 4) return event + " takes one key name";
        if (!ParseKey(words[3], entry.record)) return "unknown key name '" + words[3] + "'";
        entry.record.keyDown = event == "key" ? 1 : 0;
    } else if (event == "other") {
        if (words.size() != 3) return "other takes nothing more";
        entry.record.eventType = INPUT_MOUSE_EVENT;
    } else if (event == "fail-input") {
        if (words.size() != 4 || !ParseWholeNumber(words[3], number)) return "fail-input takes a count";
        script.failures.push_back({time, number});
        return "";
    } else {
        return "unknown event '" + event + "'";
    }
    script.records.push_back(entry);
    return "";
}

}  // namespace

bool ParseScript(const std::string& text, const std::string& name, Script& script, std::string& error) {
    script = Script{};
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    bool sawAt = false;
    int64_t boxDelays = 0;
    bool readOne = false;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        std::istringstream wordStream(line);
        std::vector<std::string> words;
        for (std::string word; wordStream >> word;) words.push_back(word);
        if (words.empty()) continue;
        std::string why = ParseLine(words, lineNumber, script, sawAt, boxDelays);
        // Another program's text fails at its first line: say what it is not, rather than which word is wrong.
        if (!why.empty() && !readOne && why.rfind("unknown directive", 0) == 0) why += ": neither a script nor a VELK demo";
        if (!why.empty()) {
            error = name + ":" + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        readOne = true;
    }
    std::stable_sort(script.records.begin(), script.records.end(),
                     [](const ScriptRecord& a, const ScriptRecord& b) { return a.time < b.time; });
    return true;
}
