// Tests of the Windows console input beyond what the smoke run sees: discarding, the timed wait, a resize ending a
// wait, a failing count.
#include <gtest/gtest.h>

#include "platform/win32/win32_backend.h"

namespace {

using namespace win32;

TEST(Win32Input, FlushDiscardsAWaitLastsToItsDeadlineOrAResizeAndCountingFailsWithoutAConsole) {
    consoleIn = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (consoleIn == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no console";
    // Whatever the terminal fed in at start-up goes, until nothing more arrives for 200 ms.
    uint32_t pending = 1;
    for (; pending > 0; PlatformCountInput(&pending)) FlushConsoleInputBuffer(consoleIn), Sleep(200);
    const INPUT_RECORD key{KEY_EVENT, {.KeyEvent = {TRUE, 1, 'B', 0, {.AsciiChar = 'b'}, 0}}};
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(consoleIn, &key, 1, &written) && PlatformCountInput(&pending) && pending == 1);
    PlatformFlushInput();
    EXPECT_TRUE(PlatformCountInput(&pending) && pending == 0);
    const int64_t deadline = PlatformMilliseconds() + 30;
    PlatformWaitForInput(deadline);
    EXPECT_GE(PlatformMilliseconds(), deadline);
    // The console grown after the picture was written (as a dragged window grows it): the wait ends well before
    // its deadline, which stands in for none.
    consoleOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const Cell blank[SCREEN_CELLS] = {};
    PlatformPresent(blank);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(consoleOut, &info) &&
                SetConsoleScreenBufferSize(consoleOut, COORD{static_cast<SHORT>(info.dwSize.X + 8), info.dwSize.Y}));
    const int64_t late = PlatformMilliseconds() + 20000;
    PlatformWaitForInput(late);
    EXPECT_LT(PlatformMilliseconds(), late);
    // A redirected input: the game must see the failure, not an endless zero.
    consoleIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(PlatformCountInput(&pending), 0);
}

}  // namespace
