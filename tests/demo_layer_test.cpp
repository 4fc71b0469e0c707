// The demo layer end to end on the scripted platform: a recorded game plays back as it was played, and watching
// paces a demo to the viewer's clock and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "demo_replay.h"
#include "platform/demo/demo_layer.h"
#include "platform/demo/demo_writer.h"
#include "platform/demo/kept_games.h"
#include "replay.h"
#include "scripted_game.h"

namespace {

using DemoLayer = ScriptedGame;
using Watching = ScriptedGame;

// The log's lines without their times and its present count (a played demo moves the clock only to its readings,
// and answers the waits whose passes the count holds).
std::string Untimed(const std::string& log) {
    std::string out, line;
    for (std::istringstream lines(log); std::getline(lines, line);) {
        if (line.rfind("presents ", 0) != 0) out += line.substr(line[0] >= '0' && line[0] <= '9' ? line.find(' ') + 1 : 0) + '\n';
    }
    return out;
}

// The demo file played back as velk-replay plays it: its log.
std::string PlayDemo(const std::string& path) {
    Demo demo;
    std::string error;
    EXPECT_TRUE(ReadDemoFile(path, demo, error) && demo.note.empty()) << error << demo.note;
    const Script script = ArmDemoPlayback(std::move(demo));
    ResetGameGlobals();
    std::ostringstream log;
    try {
        Replay(script, log);
        CheckLastDemoPictures();
    } catch (const DemoOutOfStep& outOfStep) {
        ADD_FAILURE() << outOfStep.why;
    }
    EXPECT_EQ(DemoEventsLeft(), 0u);
    StopDemo();
    return log.str();
}

TEST_F(DemoLayer, ARecordedGamePlaysBackAsItWasPlayed) {
    struct Case { std::string script, lastLine; } const cases[] = {
        // Boxes answered late and cancelled, a pause, failed input counts, a record saved, Esc: the game's own end.
        {"box ok 700\nbox cancel 300\nat 10 key b\nat 4500 key p\nat 5200 key p\nat 6000 fail-input 2\n" +
             ShortGameScript(20000).substr(12) + "at 9401 key Esc\n", "e 1\n"},
        // Level 16's wall zaps by the calendar, read every wall step; cut off in a wait, as by a kill.
        {"epoch 1800000003\nat 10 key j\nat 4400 key Down\nend 12000\n", "w 618\n"},
    };
    for (const Case& c : cases) {
        std::string error;
        ASSERT_TRUE(StartDemoRecording((folder / "run.demo").string(), error)) << error;
        const GameRun played = Run(c.script);
        StopDemo();
        EXPECT_EQ(Untimed(PlayDemo((folder / "run.demo").string())), Untimed(played.log)) << c.script;
        std::ifstream demo(folder / "run.demo");
        const std::string text((std::istreambuf_iterator<char>(demo)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.lastLine);
    }
}

// A demo never replaces one of the game's files, by any path to it, made yet or not (names compared without regard to
// case), nor an existing file without --overwrite; the same names elsewhere, or longer, are any file.
TEST_F(DemoLayer, ARecordingNeverReplacesAGameFile) {
    std::error_code noLinks;  // where the system has none (Wine), that row is left out
    std::filesystem::create_symlink("VELKGSND3.wav", folder / "sound", noLinks);
    std::filesystem::create_directory(folder / "sub");
    WriteFileOfSize("kept.demo", 1);
    struct Case { const char* path; bool overwrite; const char* error; } const cases[] = {
        {"VELKGAME.CFG", true, "--record 'VELKGAME.CFG': that is the game's record file VELKGAME.CFG, which a demo never replaces"},
        {"sound", true, "--record 'sound': that is the game's sound VELKGSND3.wav, which a demo never replaces"},
        {"./VELKGAME.exe", false, "--record './VELKGAME.exe': that is the game's program VELKGAME.exe, which a demo never replaces"},
        {"sub/../velkgsnd6.wav", true, "--record 'sub/../velkgsnd6.wav': that is the game's sound VELKGSND6.wav, which a demo never replaces"},
        {"kept.demo", false, "--record 'kept.demo': the file exists; --overwrite replaces it"},
        {"kept.demo", true, ""}, {"new.demo", false, ""}, {"VELKGAME.CFG.demo", false, ""}, {"sub/VELKGAME.CFG", false, ""},
    };
    for (const Case& c : cases) {
        std::string error;
        if (noLinks && std::string(c.path) == "sound") continue;
        EXPECT_EQ(DemoTargetAllowed(c.path, c.overwrite, error), *c.error == '\0') << c.path;
        EXPECT_EQ(error, c.error);
    }
}

// Each session kept is a file of its own (two started in one second too); past 1,000 kept games the oldest go, and
// other files stay.
TEST_F(DemoLayer, EachGameKeptIsANewFileTheOldestPrunedOthersLeft) {
    const std::filesystem::path games = folder / "games";
    std::filesystem::create_directory(games);
    for (const char* other : {"notes.txt", "2000-01-01T00-00-00.demo.bak"}) WriteFileOfSize("games/" + std::string(other), 3);
    for (int copy = 1000; copy < 1999; ++copy) WriteFileOfSize("games/" + KeptGameName(946684800, copy), 0);
    for (int game = 0; game < 2; ++game) {
        KeepGame(games.string());
        Run("at 10 key Esc\n");
        StopDemo();
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(games)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 1002u);
    EXPECT_EQ(names[0], "2000-01-01T00-00-00-1001.demo");  // of the 999 kept before, the oldest went
    EXPECT_EQ(names[998] + " " + names[1001], "2000-01-01T00-00-00.demo.bak notes.txt");
    EXPECT_TRUE(IsKeptGameName(names[999]) && IsKeptGameName(names[1000])) << names[999] << " " << names[1000];
}

// The viewer's script: Space presses ('+' in keys) and releases ('-') at times, then the end.
Script ViewerScript(const std::vector<std::pair<int64_t, char>>& keys, int64_t end) {
    Script script;
    int line = 0;
    for (const auto& [time, key] : keys) {
        const InputRecord record{INPUT_KEY_EVENT, key == '-' ? 0 : 1, key == 'E' ? KEY_ESCAPE : uint16_t{0x20},
                                 key == 'E' ? '\x1b' : ' '};
        script.records.push_back({time, ++line, record});
    }
    script.hasEnd = true;
    script.endTime = end;
    return script;
}

// The log's cues and exit, each with the number of boxes before it.
struct Cue { int64_t time; std::string text; int boxesBefore; };
std::vector<Cue> Cues(const std::string& log) {
    std::vector<Cue> cues;
    std::istringstream lines(log);
    int boxes = 0;
    for (std::string line; std::getline(lines, line) && line.rfind("presents ", 0) != 0;) {
        const size_t space = line.find(' ');
        boxes += line.compare(space + 1, 4, "box ") == 0;
        if (line.compare(space + 1, 4, "cue ") == 0 || line.compare(space + 1, 5, "exit ") == 0) {
            cues.push_back({std::stoll(line.substr(0, space)), line.substr(space + 1), boxes});
        }
    }
    return cues;
}

// VELKGAME.exe --play: the recorded game on the viewer's clock, X times as fast, held while paused (Space, and
// Space again), stopped by Esc with status 0; a key's release is no press. A box of a demo that did not record
// how long it was up holds the demo 1 s. Between its readings the viewer's clock is waited on, not polled.
TEST_F(Watching, TheDemoIsPacedToTheViewersClockAndKeys) {
    const std::string demo = VELK_TEST_DEMOS "/game-over.demo";
    const std::vector<Cue> recorded = Cues(PlayDemo(demo));
    ASSERT_GT(recorded.size(), 20u);
    struct Case {
        const char* speed;
        std::vector<std::pair<int64_t, char>> keys;
        int64_t end, pausedFrom, pausedTo, escAt, within;
    } const cases[] = {
        {"1", {}, 60000, 0, 0, -1, 2},
        {"2", {}, 30000, 0, 0, -1, 2},
        {"1000", {}, 2000, 0, 0, -1, 2000},  // each of the viewer's key counts takes a virtual millisecond
        {"1", {{12000, '+'}, {15000, '+'}}, 60000, 12000, 15000, -1, 2},
        {"1", {{12000, '-'}, {12500, '-'}}, 60000, 0, 0, -1, 2},
        {"2", {{9000, 'E'}}, 60000, 0, 0, 9000, 2}};
    for (const Case& c : cases) {
        const std::string label = std::string("speed ") + c.speed + ", " + std::to_string(c.keys.size()) + " keys";
        std::vector<const char*> argv = {"VELKGAME.exe", "--play", demo.c_str(), "--speed", c.speed};
        PlatformStartProgram(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
        int64_t counts = 0;
        SetScriptedInputHook([&counts](int64_t) { ++counts; });
        ResetGameGlobals();
        std::ostringstream log;
        Replay(ViewerScript(c.keys, c.end), log);
        StopDemo();
        const std::vector<Cue> watched = Cues(log.str());
        const double speed = std::stod(c.speed);
        const int64_t start = watched[0].time - std::llround(recorded[0].time / speed);
        size_t i = 0;
        for (; i < recorded.size() && i < watched.size() && watched[i].text == recorded[i].text; ++i) {
            int64_t due = start + std::llround((recorded[i].time + 1000 * recorded[i].boxesBefore) / speed);
            if (c.pausedTo > 0 && due >= c.pausedFrom) due += c.pausedTo - c.pausedFrom;
            EXPECT_LE(std::llabs(watched[i].time - due), c.within) << label << ": " << recorded[i].text << " (" << i << ")";
        }
        if (c.escAt >= 0) {
            ASSERT_LT(i, watched.size()) << label;
            EXPECT_EQ(std::to_string(watched[i].time) + " " + watched[i].text, std::to_string(c.escAt) + " exit 0") << label;
        } else {
            EXPECT_EQ(i, recorded.size()) << label << "\n" << log.str().substr(0, 2000);
        }
        EXPECT_LT(counts, 4000) << label << ": the viewer's keys were polled, not waited for";
    }
}

}  // namespace
