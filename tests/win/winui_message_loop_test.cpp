// Waiting for a worker while the window's thread keeps working, also after the program was told
// to quit.

#include <gtest/gtest.h>

#include <atomic>

#include "winui/message_loop.h"

namespace {

HANDLE timerFired = nullptr;
std::atomic<bool> releasedByTimer{false};

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) { SetEvent(timerFired); }

// Ends once the waiting thread has dispatched a timer, or after a while regardless.
DWORD WINAPI timerWorker(void*)
{
    releasedByTimer = WaitForSingleObject(timerFired, 10000) == WAIT_OBJECT_0;
    return 0;
}

// The first WM_QUIT in the queue, taken: its exit code, or -1 when there is none.
int takeQuit()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
    return static_cast<int>(msg.wParam);
}

}  // namespace

// A quit that comes during the wait does not stop the window's thread from serving its timers
// (a worker may be waiting for what they do), and it is there again, once, when the wait is over.
TEST(WaitPumpingMessages, AQuitDuringTheWaitKeepsTheTimersGoingAndComesBackOnceAfterIt)
{
    timerFired = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(timerFired, nullptr);
    releasedByTimer = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &onTimer);
    ASSERT_NE(timer, 0u);
    HANDLE worker = CreateThread(nullptr, 0, &timerWorker, nullptr, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    PostQuitMessage(5);
    winui::waitPumpingMessages(worker, nullptr);
    KillTimer(nullptr, timer);
    EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0) << "the wait returned before the thread ended";
    EXPECT_TRUE(releasedByTimer.load()) << "no timer was served while the quit waited";
    EXPECT_EQ(takeQuit(), 5) << "the quit is back for the loop that ends on it";
    EXPECT_EQ(takeQuit(), -1) << "and only once";
    CloseHandle(worker);
    CloseHandle(timerFired);
    timerFired = nullptr;
}
