// Tests of the Windows console backend against a real console: the picture, input and its failure.
#include <gtest/gtest.h>

#include <vector>

#include "platform/common/cp437.h"
#include "platform/win32/win32_backend.h"

namespace {

using namespace win32;

HANDLE OpenConsole(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The console of this process, or a skip: the tests must run with a terminal of at least 120x30 cells.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        consoleOut = OpenConsole(L"CONOUT$");
        consoleIn = OpenConsole(L"CONIN$");
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (consoleIn == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(consoleOut, &info)) GTEST_SKIP() << "no console";
        if (info.dwSize.X < SCREEN_COLS || info.dwSize.Y < SCREEN_ROWS) GTEST_SKIP() << "a console below 120x30";
        // Whatever the terminal fed in at start-up goes, until nothing more arrives for 200 ms.
        for (uint32_t pending = 1; pending > 0; PlatformCountInput(&pending)) {
            FlushConsoleInputBuffer(consoleIn);
            Sleep(200);
        }
    }
};

TEST_F(ConsoleTest, PresentWritesEveryCellAsItsUnicodeGlyphWithItsAttribute) {
    // Every byte value in every column and row, with varying attributes, so a wrong row stride,
    // a clipped edge or a byte read as signed shows up.
    std::vector<Cell> cells(SCREEN_CELLS);
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        cells[i] = Cell{static_cast<uint16_t>((i * 7 + i / SCREEN_COLS) & 0xFF), static_cast<uint16_t>((i * 13) & 0xFF)};
    }
    PlatformPresent(cells.data());
    std::vector<CHAR_INFO> back(SCREEN_CELLS);
    SMALL_RECT region{0, 0, SCREEN_COLS - 1, SCREEN_ROWS - 1};
    ASSERT_TRUE(ReadConsoleOutputW(consoleOut, back.data(), COORD{SCREEN_COLS, SCREEN_ROWS}, COORD{0, 0}, &region));
    int wrong = 0;
    for (int i = 0; i < SCREEN_CELLS; ++i) {
        wrong += back[i].Char.UnicodeChar != CP437_TO_UNICODE[cells[i].character] || back[i].Attributes != cells[i].attribute;
    }
    EXPECT_EQ(wrong, 0) << "cells shown with another glyph or attribute";
}

INPUT_RECORD KeyRecord(BOOL down, WORD virtualKey, char character) {
    return INPUT_RECORD{KEY_EVENT, {.KeyEvent = {down, 1, virtualKey, 0, {.AsciiChar = character}, 0}}};
}

TEST_F(ConsoleTest, InputIsCountedReadInOrderAndFlushed) {
    INPUT_RECORD written[4] = {KeyRecord(TRUE, 'B', 'b'), KeyRecord(FALSE, 'B', 'b'), {MOUSE_EVENT, {}}, KeyRecord(TRUE, VK_RIGHT, 0)};
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleInputA(consoleIn, written, 4, &count));
    uint32_t pending = 0;
    ASSERT_EQ(PlatformCountInput(&pending), 1);
    ASSERT_EQ(pending, 4u);
    PlatformWaitForInput(NO_DEADLINE);  // returns at once: events are waiting
    // Two batches: the second starts where the first stopped.
    InputRecord read[4]{};
    uint32_t got = 0;
    ASSERT_EQ(PlatformReadInput(read, 1, &got), 1);
    ASSERT_EQ(PlatformReadInput(read + 1, 3, &got), 1);
    ASSERT_EQ(got, 3u);
    const InputRecord expected[4] = {{INPUT_KEY_EVENT, 1, 'B', 'b'}, {INPUT_KEY_EVENT, 0, 'B', 'b'},
                                     {INPUT_MOUSE_EVENT, 0, 0, 0}, {INPUT_KEY_EVENT, 1, VK_RIGHT, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(read[i].eventType == expected[i].eventType && read[i].keyDown == expected[i].keyDown &&
                    read[i].virtualKeyCode == expected[i].virtualKeyCode && read[i].asciiChar == expected[i].asciiChar) << i;
    }
    ASSERT_TRUE(WriteConsoleInputA(consoleIn, written, 3, &count));
    PlatformFlushInput();
    EXPECT_EQ(PlatformCountInput(&pending), 1);
    EXPECT_EQ(pending, 0u);
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
