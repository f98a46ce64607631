// A busy bar: additions that arrive while it works are queued with a copy of their
// description and replayed in order; a host that stops answering does not hold it for ever.

#include "bar_waits.h"
#include "sidefold_host.h"

#include <cstring>
#include <memory>
#include <thread>

TEST(BarDeferred, AdditionsDuringABusyBarReturnAtOnceAndKeepTheirOrder)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 500);
    ASSERT_TRUE(IsWindow(bar));
    std::vector<LRESULT> nested;
    host.onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        // While the bar adds group 1 it is busy: these two wait in its queue.
        if (r.message == WM_INITDIALOG && r.groupId == 1) {
            for (int id : {2, 3}) {
                char title[32];
                wsprintfA(title, "Group %d", id);
                SidefoldGroupDescription d = describeGroup(id, IDD_GROUP_SINGLE, host.window(), 0, title);
                nested.push_back(
                    SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)));
                // The caller's record and title need not outlive the call.
                std::memset(&d, 0xCD, sizeof(d));
                std::memset(title, 'x', sizeof(title) - 1);
            }
            nested.push_back(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 3, 0));
        }
        return 0;
    };
    SidefoldGroupDescription first = describeGroup(1, IDD_GROUP_SINGLE, host.window(), 0, "Group 1");
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&first)), 1);
    EXPECT_EQ(nested, (std::vector<LRESULT>{1, 1, 1}));

    ASSERT_TRUE(pumpUntil([&] { return groupIds(bar).size() == 3; }));
    EXPECT_EQ(groupIds(bar), (std::vector<int>{1, 2, 3}));
    for (int id : {2, 3}) {
        char text[32] = {}, expected[32];
        GetWindowTextA(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)), text, sizeof(text));
        wsprintfA(expected, "Group %d", id);
        EXPECT_STREQ(text, expected);
    }
    // The expansion queued after them ran after them.
    ASSERT_TRUE(
        pumpUntil([&] { return shown(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 3, 0))); }));
    // The replayed additions told the owner too, in the same order.
    std::vector<int> initialised;
    for (const Forwarded& f : host.only(WM_INITDIALOG)) initialised.push_back(f.groupId);
    EXPECT_EQ(initialised, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

namespace {

// Forwarded messages that reach the hung owner once it pumps again, after their time-out.
std::vector<UINT> lateMessages;

LRESULT CALLBACK lateOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == SIDEFOLD_MSG_FORWARDED && lParam)
        lateMessages.push_back(reinterpret_cast<const SidefoldForwardedMessage*>(lParam)->message);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(BarDeferred, AnOwnerThatStopsAnsweringCostsTheTimeOutNotTheBar)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 500);
    ASSERT_TRUE(IsWindow(bar));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &lateOwnerProc;
    wc.hInstance = testModule();
    wc.lpszClassName = "SidefoldLateOwner";
    RegisterClassExA(&wc);
    lateMessages.clear();

    // The owner lives on a thread that stops pumping until it is released.
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ownerReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND owner = nullptr;
    std::thread ownerThread([&] {
        owner = CreateWindowExA(0, "SidefoldLateOwner", "owner", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, testModule(),
                                nullptr);
        SetEvent(ownerReady);
        WaitForSingleObject(release, 60000);  // the test lets it go well before
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        DestroyWindow(owner);
    });
    if (WaitForSingleObject(ownerReady, 30000) != WAIT_OBJECT_0) {
        SetEvent(release);
        ownerThread.join();
        FAIL() << "the owner's thread never made its window";
    }

    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, owner);
    const DWORD start = GetTickCount();
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took + 50, kTestForwardTimeoutMs) << "the add waited for the owner's time-out";
    // The bar still answers.
    EXPECT_NE(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 1, 0), 0);

    SetEvent(release);
    ownerThread.join();
    // Where a timed-out message is still delivered (Windows; Wine drops it), what arrives late is
    // a valid, emptied record, never the bar thread's old stack.
    for (UINT m : lateMessages) EXPECT_EQ(m, static_cast<UINT>(WM_NULL));
    CloseHandle(release);
    CloseHandle(ownerReady);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

// Work that waits in the queue keeps its turn: a layout message that comes when the bar is free
// again, but while earlier ones still wait (queued during a replay, so for the next pass), waits
// behind them. Making a group visible then scrolls for the layout those earlier messages leave.
TEST(BarDeferred, ALayoutMessageNeverOvertakesTheQueue)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 500);
    ASSERT_TRUE(IsWindow(bar));
    auto add = [&](int id, DWORD style) {
        SidefoldGroupDescription d = describeGroup(id, IDD_GROUP_LINKS, host.window(), style);
        return SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    };
    auto placed = [&](int id, UINT message) {
        RECT r{};
        GetWindowRect(reinterpret_cast<HWND>(SendMessageA(bar, message, id, 0)), &r);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    ASSERT_EQ(add(1, 0), 1);
    ASSERT_EQ(add(2, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_EQ(add(3, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    // A page that group 2 fits in, and that it starts inside and ends below with group 1 shut.
    const int t = placed(2, SIDEFOLD_BAR_HEADER_ID).top;
    const int h = placed(2, SIDEFOLD_BAR_DIALOG_ID).bottom - t;
    const int page = h + t / 2;
    SetWindowPos(bar, nullptr, 0, 0, 240, page, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(settle(bar)) << "the resize";

    for (int round = 0; round < 20; ++round) {
        // Group 1 opens from the queue; while it does, its closing is queued for the next pass
        // and the request to show group 2 is posted behind it.
        int stage = 0;
        host.onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
            if (stage == 0 && r.message == WM_INITDIALOG) {
                stage = 1;
                EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, 0), 1);
            } else if (stage == 1 && r.groupId == 1) {
                stage = 2;
                EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
                PostMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 2, 0);
            }
            return 0;
        };
        SendMessageA(bar, WM_VSCROLL, SB_TOP, 0);
        ASSERT_EQ(add(10 + round, 0), 1);  // busy while its dialog is made
        // The posted request is taken from the bar thread's queue in its own time: it has run
        // once the view moved (it must, for this page: the group ends below it).
        ASSERT_TRUE(pumpUntil([&] { return GetScrollPos(bar, SB_VERT) != 0; }))
            << "round " << round << ": the posted request to show group 2 never moved the view";
        ASSERT_TRUE(settle(bar)) << "round " << round;
        host.onForwarded = nullptr;
        ASSERT_EQ(stage, 2);

        const int position = GetScrollPos(bar, SB_VERT);
        const int top = placed(2, SIDEFOLD_BAR_HEADER_ID).top + position;
        const int height = placed(2, SIDEFOLD_BAR_DIALOG_ID).bottom + position - top;
        ASSERT_FALSE(shown(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 1, 0))));
        ASSERT_LT(top, page);
        ASSERT_GT(top + height, page);
        ASSERT_LE(height, page);
        EXPECT_EQ(position, std::min(top, top + height - page))
            << "round " << round << ": top " << top << ", height " << height << ", page " << page;
        SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 10 + round, 0);
        ASSERT_TRUE(settle(bar)) << "round " << round << ": the group removed";
    }
    EXPECT_TRUE(sidefold().destroyBar(bar));
}
