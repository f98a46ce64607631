// A host that calls back into the bar from inside the bar's own calls: ordinal 10 from a
// group's callback (on the bar's thread) and from the forwarded-message handler (on the host's
// thread while the bar waits on it), the parent destroyed there too, layout messages sent
// while keyboard navigation moves the groups, destruction racing ordinal 10, and the notices
// of changes that follow each other faster than the dialog reads them.

#include "sidefold_host.h"

#include <memory>

namespace {

HANDLE openThreadOf(HWND window) { return OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(window, nullptr)); }

bool ended(HANDLE thread)
{
    return pumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
}

// Sent to a group's dialog by the tests: the library forwards it like any other message.
constexpr UINT kPoke = WM_APP + 7;

HWND callbackBar = nullptr;
BOOL callbackResult = -1;

LRESULT CALLBACK destroyingCallback(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == kPoke) callbackResult = sidefold().destroyBar(callbackBar);
    return 0;
}

class BarReentrancy : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 500);
        ASSERT_TRUE(IsWindow(bar));
        thread = openThreadOf(bar);
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
        if (thread) CloseHandle(thread);
    }
    LRESULT add(const SidefoldGroupDescription& d)
    {
        return SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    }
    HWND dialogOf(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    HWND headerOf(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
    HANDLE thread = nullptr;
};

}  // namespace

TEST_F(BarReentrancy, OrdinalTenFromAGroupCallbackOnTheBarsThreadDestroysWithoutWaitingForItself)
{
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, nullptr);
    d.callback = &destroyingCallback;
    ASSERT_EQ(add(d), 1);
    HWND dialog = dialogOf(1);
    callbackBar = bar;
    callbackResult = -1;
    DWORD_PTR ignored = 0;
    // Before, the bar's thread waited on its own handle and this send never came back.
    EXPECT_TRUE(SendMessageTimeoutA(dialog, kPoke, 0, 0, SMTO_NORMAL, 5000, &ignored)) << "the bar's thread hangs";
    EXPECT_TRUE(callbackResult);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(bar) && !IsWindow(dialog); }));
    EXPECT_TRUE(ended(thread));
}

TEST_F(BarReentrancy, OrdinalTenInsideTheForwardedMessageHandlerDoesNotWaitForTheForwardTimeOut)
{
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, host->window())), 1);
    HWND dialog = dialogOf(1);
    BOOL destroyed = -1;
    DWORD took = 0;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message != kPoke) return 0;
        const DWORD start = GetTickCount();
        destroyed = sidefold().destroyBar(bar);
        took = GetTickCount() - start;
        return 1;
    };
    PostMessageA(dialog, kPoke, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return destroyed != -1; }));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(bar));
    // The bar's thread waited for this very handler: it must be let go, not time out.
    EXPECT_LT(took, kTestForwardTimeoutMs) << "ordinal 10 waited for the forward to time out";
    EXPECT_TRUE(ended(thread));
}

TEST_F(BarReentrancy, DestroyingTheParentInsideTheForwardedMessageHandlerDoesNotHangTheBar)
{
    HostWindow owner;  // outlives the parent, so it hears the dialog go
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, owner.window())), 1);
    HWND dialog = dialogOf(1);
    bool destroyed = false;
    DWORD took = 0;
    owner.onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message != kPoke) return 0;
        const DWORD start = GetTickCount();
        DestroyWindow(host->window());
        took = GetTickCount() - start;
        destroyed = true;
        return 1;
    };
    PostMessageA(dialog, kPoke, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return destroyed; }));
    EXPECT_LT(took, kTestForwardTimeoutMs) << "the parent's destruction waited for the forward to time out";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(bar) && !IsWindow(dialog); }));
    EXPECT_TRUE(ended(thread));
}

TEST_F(BarReentrancy, ALayoutMessageSentWhileTheKeyboardScrollsTheGroupsWaitsForTheScrollToEnd)
{
    // Two open groups in a short pane: Up from the first header wraps to the second group's last
    // stop, which scrolls the pane and moves both dialogs (each move is forwarded).
    SetWindowPos(bar, nullptr, 0, 0, 240, 120, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_LINKS, host->window(), SIDEFOLD_HEADER_EXPANDED)), 1);
    ASSERT_EQ(add(describeGroup(2, IDD_GROUP_LINKS, host->window(), SIDEFOLD_HEADER_EXPANDED)), 1);
    HWND first = dialogOf(1);
    SetFocus(headerOf(1));
    ASSERT_EQ(GetFocus(), headerOf(1));
    bool armed = true;
    LRESULT removed = -1;
    HWND stillThere = nullptr;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (armed && r.message == WM_WINDOWPOSCHANGED && r.dialog == first) {
            armed = false;
            removed = SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0);
            stillThere = dialogOf(1);
        }
        return 0;
    };
    PostMessageA(headerOf(1), WM_KEYDOWN, VK_UP, 0);
    ASSERT_TRUE(pumpUntil([&] { return !armed; })) << "the keyboard did not move the groups";
    EXPECT_EQ(removed, 1) << "queued, and answered at once";
    EXPECT_EQ(stillThere, first) << "the group was freed while the scroll still placed it";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(first); })) << "the removal is done once the scroll ends";
    EXPECT_TRUE(IsWindow(dialogOf(2)));
}

TEST_F(BarReentrancy, DestructionRacingOrdinalTenNeverEntersAFreedRecord)
{
    for (int i = 0; i < 30; ++i) {
        HWND b = sidefold().createBar(host->window(), 0, 0, 0, 0, 100, 100);
        ASSERT_TRUE(IsWindow(b));
        HANDLE t = openThreadOf(b);
        PostMessageA(b, WM_CLOSE, 0, 0);
        sidefold().destroyBar(b);
        EXPECT_FALSE(IsWindow(b));
        EXPECT_TRUE(ended(t));
        CloseHandle(t);
    }
    // And ordinal 9 with the bar closed as soon as it exists.
    for (int i = 0; i < 10; ++i) {
        HWND b = sidefold().createBar(host->window(), 0, 0, 0, 0, 100, 100);
        if (b) SendMessageA(b, WM_CLOSE, 0, 0);
        EXPECT_FALSE(sidefold().destroyBar(b));
    }
}

TEST_F(BarReentrancy, EachNoticeKeepsItsOwnCodeUntilTheOwnerReadsIt)
{
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, host->window())), 1);
    // While the owner handles the next group's WM_INITDIALOG the bar is busy: the expand and
    // collapse wait and are replayed together, so both notices are posted before either is read.
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_INITDIALOG && r.groupId == 2) {
            SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, 0);
            SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0);
        }
        return 0;
    };
    host->log.clear();
    ASSERT_EQ(add(describeGroup(2, IDD_GROUP_SINGLE, host->window())), 1);
    auto notices = [&] {
        std::vector<LPARAM> codes;
        for (const Forwarded& f : host->only(WM_NOTIFY))
            if (f.groupId == 1 && f.idFrom == 1) codes.push_back(f.lParam);
        return codes;
    };
    ASSERT_TRUE(pumpUntil([&] { return notices().size() >= 2; }));
    EXPECT_EQ(notices(), (std::vector<LPARAM>{0, 1})) << "expanded, then collapsed";
}

TEST_F(BarReentrancy, ARequestTheOwnerStillHoldsAfterTheForwardTimedOutStaysValid)
{
    // An owner-painted group: each background paint is forwarded with a paint request.
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, host->window(), SIDEFOLD_HEADER_OWNER_PAINTS)), 1);
    HWND dialog = dialogOf(1);
    bool slow = true, probed = false, intact = false, done = false;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == kPoke) probed = true;
        if (r.message != SIDEFOLD_MSG_PAINT_BACKGROUND || !slow) return 0;
        slow = false;
        auto* request = reinterpret_cast<SidefoldPaintRequest*>(r.wParam);
        const SidefoldPaintRequest seen = *request;
        // Held past the time-out: the probe is handled only once the bar's thread has given up
        // on this answer and gone back to its loop.
        PostMessageA(dialog, kPoke, 0, 0);
        pumpUntil([&] { return probed; });
        intact = request->size == sizeof(SidefoldPaintRequest) && request->dc == seen.dc &&
                 request->width == seen.width && request->height == seen.height;
        if (intact) request->width = -1;  // what a late owner may do: write into the request
        done = true;
        return 1;
    };
    HDC dc = GetDC(dialog);
    SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(dialog, dc);
    ASSERT_TRUE(done);
    EXPECT_TRUE(probed);
    EXPECT_TRUE(intact) << "the request went with the bar thread's stack";
    // The bar still works.
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
}
