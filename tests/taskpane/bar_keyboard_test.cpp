// Keyboard navigation through a pane of two groups: Tab and Down walk the headers and the tab
// stops of open groups (skipping a closed sub-section), Up walks back, both wrap, and Enter on a
// header presses its group's default button.

#include "sidefold_host.h"

#include <memory>

namespace {

class BarKeyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 600);
        ASSERT_TRUE(IsWindow(bar));
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
    }
    void add(int id, UINT templateId)
    {
        const SidefoldGroupDescription d = describeGroup(id, templateId, host->window(), SIDEFOLD_HEADER_EXPANDED);
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    }
    HWND header(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }
    HWND dialog(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    // A key as the user types it: into the pane thread's queue, for the focused window.
    HWND press(WPARAM key)
    {
        HWND before = GetFocus();
        PostMessageA(before, WM_KEYDOWN, key, 0);
        pumpUntil([&] { return GetFocus() != before; }, 2000);
        return GetFocus();
    }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
};

}  // namespace

TEST_F(BarKeyboard, TabAndArrowsWalkTheStopsAndEnterPressesTheDefaultButton)
{
    add(1, IDD_GROUP_LINKS);
    add(2, IDD_GROUP_SECTIONS);
    HWND sub = GetDlgItem(dialog(2), IDC_SUB_HEADER);
    SendMessageA(dialog(2), WM_COMMAND, MAKEWPARAM(IDC_SUB_HEADER, SIDEFOLD_HEADER_NOW_COLLAPSED),
                 reinterpret_cast<LPARAM>(sub));
    SetFocus(header(1));
    ASSERT_EQ(GetFocus(), header(1));
    // The dialog's one default button (the system keeps the last of the template's two).
    const int defaultId =
        (GetWindowLongA(GetDlgItem(dialog(1), IDC_BUTTON_SECOND), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON
            ? IDC_BUTTON_SECOND
            : IDC_BUTTON_DEFAULT;

    const HWND order[] = {GetDlgItem(dialog(1), IDC_LINK_A),
                          GetDlgItem(dialog(1), IDC_LINK_B),
                          GetDlgItem(dialog(1), IDC_BUTTON_DEFAULT),
                          GetDlgItem(dialog(1), IDC_BUTTON_SECOND),
                          header(2),
                          GetDlgItem(dialog(2), IDC_AFTER_SECTION),
                          header(1)};
    for (HWND expected : order) EXPECT_EQ(press(VK_TAB), expected);
    EXPECT_EQ(press(VK_UP), GetDlgItem(dialog(2), IDC_AFTER_SECTION)) << "back, wrapping round";
    EXPECT_EQ(press(VK_UP), header(2));
    EXPECT_EQ(press(VK_DOWN), GetDlgItem(dialog(2), IDC_AFTER_SECTION));

    SetFocus(header(1));
    host->log.clear();
    PostMessageA(header(1), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(pumpUntil([&] {
        for (const Forwarded& f : host->only(WM_COMMAND))
            if (LOWORD(f.wParam) == defaultId) return true;
        return false;
    }));
}

TEST_F(BarKeyboard, TheKeyboardScrollsTheFocusedControlIntoView)
{
    SetWindowPos(bar, nullptr, 0, 0, 240, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    add(1, IDD_GROUP_LINKS);
    add(2, IDD_GROUP_SINGLE);
    SetFocus(header(1));
    RECT page;
    GetClientRect(bar, &page);
    auto inView = [&](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&r), 2);
        return r.top >= 0 && r.bottom <= page.bottom;
    };
    // Down the first group, taller than the page: each stop shows as the focus reaches it.
    for (int id : {IDC_LINK_A, IDC_LINK_B, IDC_BUTTON_DEFAULT, IDC_BUTTON_SECOND}) {
        HWND control = GetDlgItem(dialog(1), id);
        ASSERT_EQ(press(VK_TAB), control) << id;
        EXPECT_TRUE(pumpUntil([&] { return inView(control); }, 2000)) << "control " << id << " left off screen";
    }
    EXPECT_EQ(press(VK_TAB), header(2));
    EXPECT_TRUE(inView(header(2)));
    // And back up to the first link.
    for (int id : {IDC_BUTTON_SECOND, IDC_BUTTON_DEFAULT, IDC_LINK_B, IDC_LINK_A}) {
        HWND control = GetDlgItem(dialog(1), id);
        ASSERT_EQ(press(VK_UP), control) << id;
        EXPECT_TRUE(pumpUntil([&] { return inView(control); }, 2000)) << "control " << id << " left off screen";
    }
}
