// Tests of the Windows console backend against a real console: the picture, input and its failure.
#include <gtest/gtest.h>

#include <vector>

#include "platform/common/cp437.h"
#include "platform/win32/win32_backend.h"

namespace {

using namespace velk_win32;

HANDLE OpenConsole(const wchar_t* name) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The console of this process, or a skip: the tests must run with a terminal of at least 120x30 cells.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        out_ = OpenConsole(L"CONOUT$");
        in_ = OpenConsole(L"CONIN$");
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (in_ == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out_, &info)) GTEST_SKIP() << "no console";
        if (info.dwSize.X < SCREEN_COLS || info.dwSize.Y < SCREEN_ROWS) GTEST_SKIP() << "a console below 120x30";
        consoleOut = out_;
        consoleIn = in_;
        // Whatever the terminal fed in at start-up goes, until nothing more arrives for 50 ms (5 s at most).
        for (int quiet = 0, polls = 0; quiet < 50 && polls < 5000; ++polls) {
            uint32_t pending = 0;
            PlatformWaitForInput(PlatformMilliseconds() + 1);
            PlatformCountInput(&pending);
            quiet = pending > 0 ? 0 : quiet + 1;
            if (pending > 0) FlushConsoleInputBuffer(in_);
        }
    }
    void TearDown() override {
        consoleOut = consoleIn = nullptr;
        CloseHandle(out_);
        CloseHandle(in_);
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
    cells[0] = Cell{0x10, 0x9C};  // the arrow, in the actors' bright red on bright blue
    PlatformPresent(cells.data());
    std::vector<CHAR_INFO> back(SCREEN_CELLS);
    SMALL_RECT region{0, 0, SCREEN_COLS - 1, SCREEN_ROWS - 1};
    ASSERT_TRUE(ReadConsoleOutputW(out_, back.data(), COORD{SCREEN_COLS, SCREEN_ROWS}, COORD{0, 0}, &region));
    EXPECT_EQ(back[0].Char.UnicodeChar, L'\u25BA');
    int wrong = 0;
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        const char32_t expected = CP437_TO_UNICODE[cells[i].character];
        if (static_cast<char32_t>(back[i].Char.UnicodeChar) != expected || back[i].Attributes != cells[i].attribute) {
            if (++wrong <= 5) ADD_FAILURE() << "cell (" << i / SCREEN_COLS << ", " << i % SCREEN_COLS << ")";
        }
    }
}

INPUT_RECORD KeyRecord(BOOL down, WORD virtualKey, char character) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent = KEY_EVENT_RECORD{down, 1, virtualKey, 0, {}, 0};
    record.Event.KeyEvent.uChar.AsciiChar = character;
    return record;
}

TEST_F(ConsoleTest, InputIsCountedReadInOrderAndFlushed) {
    INPUT_RECORD written[4] = {KeyRecord(TRUE, 'B', 'b'), KeyRecord(FALSE, 'B', 'b'), {}, KeyRecord(TRUE, VK_RIGHT, 0)};
    written[2].EventType = MOUSE_EVENT;
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleInputA(in_, written, 4, &count));
    uint32_t pending = 0;
    for (int i = 0; i < 1000 && pending < 4; ++i) {
        PlatformWaitForInput(PlatformMilliseconds() + 1);
        ASSERT_EQ(PlatformCountInput(&pending), 1);
    }
    ASSERT_EQ(pending, 4u);
    PlatformWaitForInput(NO_DEADLINE);  // returns at once: events are waiting
    // Two batches: the second starts where the first stopped.
    InputRecord read[4]{};
    uint32_t got = 0;
    ASSERT_EQ(PlatformReadInput(read, 1, &got), 1);
    ASSERT_EQ(PlatformReadInput(read + 1, 3, &got), 1);
    ASSERT_EQ(got, 3u);
    const InputRecord expected[4] = {{INPUT_KEY_EVENT, 1, 'B', 'b'}, {INPUT_KEY_EVENT, 0, 'B', 'b'},
                                     {INPUT_MOUSE_EVENT, 0, 0, 0}, {INPUT_KEY_EVENT, 1, 0x27, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(read[i].eventType, expected[i].eventType) << i;
        EXPECT_EQ(read[i].keyDown, expected[i].keyDown) << i;
        EXPECT_EQ(read[i].virtualKeyCode, expected[i].virtualKeyCode) << i;
        EXPECT_EQ(read[i].asciiChar, expected[i].asciiChar) << i;
    }
    ASSERT_TRUE(WriteConsoleInputA(in_, written, 3, &count));
    PlatformFlushInput();
    EXPECT_EQ(PlatformCountInput(&pending), 1);
    EXPECT_EQ(pending, 0u);
    EXPECT_EQ(PlatformKeyScan('x'), 0x58) << "the exit key";
    // With nothing queued the wait lasts until its deadline.
    const int64_t deadline = PlatformMilliseconds() + 30;
    PlatformWaitForInput(deadline);
    EXPECT_GE(PlatformMilliseconds(), deadline);
}

TEST(Win32Backend, CountingFailsWithoutAConsoleInput) {
    // A redirected input: the game must see the failure, not an endless zero.
    consoleIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    uint32_t pending = 7;
    EXPECT_EQ(PlatformCountInput(&pending), 0);
    CloseHandle(consoleIn);
    consoleIn = nullptr;
}

}  // namespace
