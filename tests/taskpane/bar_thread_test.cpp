// Ordinals 9 and 10: the bar lives on a thread of its own, with its input attached to the
// host's, starts and stops without blocking the host, and dies with its parent.

#include "sidefold_host.h"

namespace {

// The bar's thread, opened so that a test can see it end.
HANDLE openThreadOf(HWND window) { return OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(window, nullptr)); }

bool ended(HANDLE thread)
{
    return pumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
}

}  // namespace

TEST(BarThread, TheBarRunsOnItsOwnThreadWithItsInputAttachedToTheHost)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 5, 6, 200, 300);
    ASSERT_TRUE(IsWindow(bar));
    EXPECT_NE(GetWindowThreadProcessId(bar, nullptr), GetCurrentThreadId());
    EXPECT_EQ(GetParent(bar), host.window());
    char name[64] = {};
    GetClassNameA(bar, name, sizeof(name));
    EXPECT_STREQ(name, "CollapseXPStyleBar32");
    // WS_VSCROLL too at creation, but the scroll bar goes as long as the groups fit.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(bar, GWL_STYLE)) & 0x56200000u, 0x56000000u);
    RECT r;
    GetWindowRect(bar, &r);
    MapWindowPoints(nullptr, host.window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    // Focus moves across threads only between threads whose input is attached.
    SetFocus(bar);
    EXPECT_EQ(GetFocus(), bar);
    // The bar's creation notice reached the parent while the host waited in ordinal 9.
    ASSERT_FALSE(host.parentNotices.empty());
    EXPECT_EQ(host.parentNotices.front(), static_cast<UINT>(WM_CREATE));

    HANDLE thread = openThreadOf(bar);
    EXPECT_TRUE(sidefold().destroyBar(bar));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "ordinal 10 waits for the thread";
    CloseHandle(thread);
}

TEST(BarThread, RefusesAParentThatIsNotAWindow)
{
    HostWindow host;
    HWND gone = host.window();
    DestroyWindow(gone);
    EXPECT_EQ(sidefold().createBar(gone, 0, 0, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(sidefold().createBar(nullptr, 0, 0, 0, 0, 10, 10), nullptr);
}

TEST(BarThread, DestroyingSomethingElse)
{
    EXPECT_FALSE(sidefold().destroyBar(nullptr));
    // A window that is not a bar is destroyed directly.
    HostWindow host;
    HWND label = CreateWindowExA(0, "STATIC", "x", WS_CHILD, 0, 0, 10, 10, host.window(), nullptr, nullptr, nullptr);
    EXPECT_TRUE(sidefold().destroyBar(label));
    EXPECT_FALSE(IsWindow(label));
    // A bar a host made itself on its own thread has no thread of ours: destroyed directly too.
    HWND own = CreateWindowExA(0, "CollapseXPStyleBar32", "", WS_CHILD, 0, 0, 10, 10, host.window(), nullptr, nullptr,
                               nullptr);
    ASSERT_TRUE(IsWindow(own));
    EXPECT_TRUE(sidefold().destroyBar(own));
    EXPECT_FALSE(IsWindow(own));
}

TEST(BarThread, TheBarDiesWithItsParentAndItsThreadEnds)
{
    auto host = std::make_unique<HostWindow>();
    HWND bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 200, 300);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(7, IDD_GROUP_SINGLE, host->window());
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    HWND dialog = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 7, 0));
    ASSERT_TRUE(IsWindow(dialog));
    HANDLE thread = openThreadOf(bar);

    DestroyWindow(host->window());
    // Windows of another thread may go a moment later (Wine has the bar's thread destroy them).
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(bar) && !IsWindow(dialog); }));
    EXPECT_TRUE(ended(thread));
    CloseHandle(thread);
    // Ordinal 10 afterwards finds nothing to do.
    EXPECT_FALSE(sidefold().destroyBar(bar));
}

TEST(BarThread, ManyBarsStartAndStopIndependently)
{
    HostWindow host;
    HWND bars[4];
    for (HWND& b : bars) {
        b = sidefold().createBar(host.window(), 0, 0, 0, 0, 100, 100);
        ASSERT_TRUE(IsWindow(b));
    }
    EXPECT_NE(GetWindowThreadProcessId(bars[0], nullptr), GetWindowThreadProcessId(bars[1], nullptr));
    for (HWND b : bars) EXPECT_TRUE(sidefold().destroyBar(b));
    for (HWND b : bars) EXPECT_FALSE(IsWindow(b));
}

TEST(BarThread, AHostThatDestroysTheParentWhileTheBarWaitsOnItDoesNotBreakTheBar)
{
    auto host = std::make_unique<HostWindow>();
    HWND bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 200, 300);
    ASSERT_TRUE(IsWindow(bar));
    HANDLE thread = openThreadOf(bar);
    HostWindow owner;  // outlives the parent, so it hears everything
    owner.onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        // The bar is in the middle of adding the group (busy) when its parent goes.
        if (r.message == WM_INITDIALOG) DestroyWindow(host->window());
        return 0;
    };
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, owner.window());
    const LRESULT added =
        SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    EXPECT_TRUE(added == 0 || added == 1);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(bar); }));
    EXPECT_TRUE(ended(thread));
    CloseHandle(thread);
    // The dialog said goodbye once, and nothing came after.
    ASSERT_FALSE(owner.log.empty());
    EXPECT_EQ(owner.only(WM_NCDESTROY).size(), 1u);
    EXPECT_EQ(owner.log.back().message, static_cast<UINT>(WM_NCDESTROY));
}
