// Tests of the Windows console backend against a real console: picture, cursor, input, placement, clock.
#include <gtest/gtest.h>

#include <vector>

#include "platform/common/cp437.h"
#include "platform/win32/win32_backend.h"

namespace {

using namespace velk_win32;

HANDLE OpenConsole(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// The console of this process, or a skip: the tests must run with a terminal of at least 120x30 cells.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        out_ = OpenConsole(L"CONOUT$");
        in_ = OpenConsole(L"CONIN$");
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (out_ == INVALID_HANDLE_VALUE || in_ == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out_, &info)) {
            GTEST_SKIP() << "no console attached";
        }
        if (info.dwSize.X < SCREEN_COLS || info.dwSize.Y < SCREEN_ROWS) {
            GTEST_SKIP() << "console of " << info.dwSize.X << "x" << info.dwSize.Y << " cells is below 120x30";
        }
        consoleOut = out_;
        consoleIn = in_;
        DrainInput();
    }
    // Discards whatever the terminal fed in before the test (some terminals send bytes at start-up),
    // waiting until nothing more arrives for 50 ms, or giving up after about five seconds.
    void DrainInput() {
        for (int quiet = 0, polls = 0; quiet < 50 && polls < 5000; ++polls) {
            uint32_t pending = 0;
            PlatformWaitForInput(PlatformMilliseconds() + 1);
            PlatformCountInput(&pending);
            if (pending > 0) {
                FlushConsoleInputBuffer(in_);
                quiet = 0;
            } else {
                ++quiet;
            }
        }
    }
    void TearDown() override {
        consoleOut = nullptr;
        consoleIn = nullptr;
        if (out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
        if (in_ != INVALID_HANDLE_VALUE) CloseHandle(in_);
    }
    std::vector<CHAR_INFO> ReadBack() {
        std::vector<CHAR_INFO> back(SCREEN_CELLS);
        SMALL_RECT region{0, 0, SCREEN_COLS - 1, SCREEN_ROWS - 1};
        EXPECT_TRUE(ReadConsoleOutputW(out_, back.data(), COORD{SCREEN_COLS, SCREEN_ROWS}, COORD{0, 0}, &region));
        return back;
    }
    // The count, after waiting up to a second for the console to take in what was written to it.
    uint32_t PendingAfterWait(uint32_t atLeast) {
        uint32_t pending = 0;
        for (int i = 0; i < 1000 && pending < atLeast; ++i) {
            PlatformWaitForInput(PlatformMilliseconds() + 1);
            EXPECT_EQ(PlatformCountInput(&pending), 1);
        }
        return pending;
    }
    HANDLE out_ = INVALID_HANDLE_VALUE;
    HANDLE in_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleTest, PresentWritesEveryCellAsItsUnicodeGlyphWithItsAttribute) {
    // Every byte value in every column and row, with varying attributes, so a wrong row stride,
    // a clipped edge or a byte read as signed shows up.
    std::vector<Cell> cells(SCREEN_CELLS);
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        cells[i].character = static_cast<uint16_t>((i * 7 + i / SCREEN_COLS) & 0xFF);
        cells[i].attribute = static_cast<uint16_t>((i * 13) & 0xFF);
    }
    PlatformPresent(cells.data());
    const std::vector<CHAR_INFO> back = ReadBack();
    int wrong = 0;
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        const char32_t expected = CP437_TO_UNICODE[cells[i].character];
        if (static_cast<char32_t>(back[i].Char.UnicodeChar) != expected || back[i].Attributes != cells[i].attribute) {
            if (++wrong <= 5) {
                ADD_FAILURE() << "cell (" << i / SCREEN_COLS << ", " << i % SCREEN_COLS << "): got U+" << std::hex
                              << static_cast<unsigned>(back[i].Char.UnicodeChar) << "/" << back[i].Attributes << ", expected U+"
                              << static_cast<unsigned>(expected) << "/" << cells[i].attribute;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ConsoleTest, PresentShowsTheGameGlyphs) {
    struct Glyph {
        uint8_t byte;
        wchar_t shown;
    };
    const Glyph glyphs[] = {
        {0x10, L'\u25BA'}, {0x03, L'\u2665'}, {0xC3, L'\u251C'}, {0xB4, L'\u2524'},
        {0x08, L'\u25D8'}, {0xB1, L'\u2592'}, {0xDB, L'\u2588'}, {0x20, L' '}, {0x00, L' '},
    };
    std::vector<Cell> cells(SCREEN_CELLS, Cell{0x20, 0x90});
    int col = 0;
    for (const Glyph& glyph : glyphs) {
        cells[SCREEN_CELLS - SCREEN_COLS + col] = Cell{glyph.byte, 0x9C};
        ++col;
    }
    PlatformPresent(cells.data());
    const std::vector<CHAR_INFO> back = ReadBack();
    col = 0;
    for (const Glyph& glyph : glyphs) {
        const CHAR_INFO& shown = back[SCREEN_CELLS - SCREEN_COLS + col];
        EXPECT_EQ(static_cast<unsigned>(shown.Char.UnicodeChar), static_cast<unsigned>(glyph.shown)) << "byte 0x" << std::hex << int(glyph.byte);
        EXPECT_EQ(shown.Attributes, 0x9C);
        ++col;
    }
}

TEST_F(ConsoleTest, CursorVisibilityTakesTheLowByteAndKeepsTheSize) {
    // The fresh standard-output handle must be the console, not the test's redirected output.
    const HANDLE savedOut = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, out_);
    CONSOLE_CURSOR_INFO before{};
    ASSERT_TRUE(GetConsoleCursorInfo(out_, &before));

    struct Case {
        int visible;
        BOOL shown;
    };
    const Case cases[] = {{1, TRUE}, {0, FALSE}, {0x101, TRUE}, {0x100, FALSE}, {1, TRUE}};
    for (const Case& c : cases) {
        PlatformSetCursorVisible(c.visible);
        CONSOLE_CURSOR_INFO now{};
        ASSERT_TRUE(GetConsoleCursorInfo(out_, &now));
        EXPECT_EQ(now.bVisible != 0, c.shown != 0) << "visible=" << c.visible;
        EXPECT_EQ(now.dwSize, before.dwSize);
    }
    SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
}

INPUT_RECORD KeyRecord(BOOL down, WORD virtualKey, char character) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    return record;
}

TEST_F(ConsoleTest, InputIsCountedReadInOrderAndFlushed) {
    INPUT_RECORD written[5] = {
        KeyRecord(TRUE, 'B', 'b'), KeyRecord(FALSE, 'B', 'b'), {}, KeyRecord(TRUE, VK_RIGHT, 0),
        KeyRecord(TRUE, VK_ESCAPE, 0x1B),
    };
    written[2].EventType = MOUSE_EVENT;
    written[2].Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleInputA(in_, written, 5, &count));
    ASSERT_EQ(count, 5u);
    ASSERT_EQ(PendingAfterWait(5), 5u);
    PlatformWaitForInput(NO_DEADLINE);  // returns at once: events are waiting

    // Read in two batches to check that the second starts where the first stopped.
    InputRecord read[5]{};
    uint32_t got = 0;
    ASSERT_EQ(PlatformReadInput(read, 2, &got), 1);
    ASSERT_EQ(got, 2u);
    ASSERT_EQ(PlatformReadInput(read + 2, 3, &got), 1);
    ASSERT_EQ(got, 3u);

    struct Expected {
        uint16_t eventType;
        int32_t keyDown;
        uint16_t virtualKeyCode;
        char asciiChar;
    };
    const Expected expected[5] = {
        {INPUT_KEY_EVENT, 1, 'B', 'b'}, {INPUT_KEY_EVENT, 0, 'B', 'b'}, {INPUT_MOUSE_EVENT, 0, 0, 0},
        {INPUT_KEY_EVENT, 1, 0x27, 0},  {INPUT_KEY_EVENT, 1, 0x1B, 0x1B},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(read[i].eventType, expected[i].eventType) << "record " << i;
        EXPECT_EQ(read[i].keyDown, expected[i].keyDown) << "record " << i;
        EXPECT_EQ(read[i].virtualKeyCode, expected[i].virtualKeyCode) << "record " << i;
        EXPECT_EQ(read[i].asciiChar, expected[i].asciiChar) << "record " << i;
    }

    ASSERT_TRUE(WriteConsoleInputA(in_, written, 3, &count));
    ASSERT_EQ(PendingAfterWait(3), 3u);
    PlatformFlushInput();
    uint32_t pending = 99;
    EXPECT_EQ(PlatformCountInput(&pending), 1);
    EXPECT_EQ(pending, 0u);
    // With nothing queued the wait lasts until its deadline.
    const int64_t deadline = PlatformMilliseconds() + 30;
    PlatformWaitForInput(deadline);
    EXPECT_GE(PlatformMilliseconds(), deadline);
}

TEST(Win32Backend, KeyScanGivesTheKeyWithTheShiftStateInTheHighByte) {
    struct Case {
        char character;
        uint16_t word;
    };
    // The exit key press is built from 'x'; Shift (0x100) shows in the high byte for capitals.
    const Case cases[] = {{'x', 0x58}, {'X', 0x158}, {'b', 0x42}, {'1', 0x31}};
    for (const Case& c : cases) {
        EXPECT_EQ(PlatformKeyScan(c.character), c.word) << "character " << c.character;
    }
}

TEST(Win32Backend, CountingFailsWithoutAConsoleInput) {
    // A redirected input: the game must see the failure, not an endless zero.
    const HANDLE file = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    consoleIn = file;
    uint32_t pending = 7;
    EXPECT_EQ(PlatformCountInput(&pending), 0);
    consoleIn = nullptr;
    CloseHandle(file);
}

TEST(Win32Backend, WindowIsCentredWithTruncatingHalvings) {
    struct Case {
        RECT work;
        RECT window;
        LONG x;
        LONG y;
    };
    const Case cases[] = {
        // Even sizes: plain centring.
        {{0, 0, 1920, 1040}, {10, 20, 1010, 620}, 460, 220},
        // Odd sizes: each half is truncated on its own, so 1365/2 - 1001/2 = 682 - 500.
        {{0, 0, 1365, 767}, {0, 0, 1001, 601}, 182, 83},
        // A work area off the origin: its left and top are not added back.
        {{200, 100, 1224, 868}, {0, 0, 400, 300}, 312, 234},
        // A window larger than the work area goes to negative coordinates.
        {{0, 0, 800, 600}, {0, 0, 1001, 701}, -100, -50},
        // Negative halves truncate toward zero: -3/2 is -1, not -2.
        {{0, 0, -3, -5}, {0, 0, 0, 0}, -1, -2},
    };
    for (const Case& c : cases) {
        const POINT origin = CentredWindowOrigin(c.work, c.window);
        EXPECT_EQ(origin.x, c.x) << "work right " << c.work.right;
        EXPECT_EQ(origin.y, c.y) << "work bottom " << c.work.bottom;
    }
}

TEST(Win32Backend, MillisecondClockFollowsSleepsAndStartsNearZero) {
    const int64_t start = PlatformMilliseconds();
    EXPECT_GE(start, 0);
    EXPECT_LT(start, 60000) << "the clock counts from the process start";
    PlatformSleep(30);
    const int64_t later = PlatformMilliseconds();
    EXPECT_GE(later - start, 29);
    PlatformSleep(0);  // rounds up to one millisecond, never a busy return
    EXPECT_GE(PlatformMilliseconds(), later + 1);
}

}  // namespace
