// The stack as laid out on real windows: the scroll bar only while the groups overflow (and the
// groups narrower with it), the flow of a dialog's controls, closed sub-sections, scrolling and
// making a group visible.

#include "bar_waits.h"
#include "sidefold_host.h"

#include <memory>

namespace {

class BarLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 500);
        ASSERT_TRUE(IsWindow(bar));
        theme.size = sizeof(theme);
        sidefold().fillTheme(&theme, 0);
        margin = theme.panePadding.left + theme.panePadding.left / 2 + theme.paneBorderThickness.left;
        gap = std::max(theme.panePadding.top, theme.panePadding.bottom);
        gap += gap / 2;
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
        sidefold().releaseTheme(&theme);
    }

    LRESULT add(int id, UINT templateId, DWORD style = SIDEFOLD_HEADER_EXPANDED)
    {
        const SidefoldGroupDescription d = describeGroup(id, templateId, host->window(), style);
        const LRESULT added =
            SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
        // Layout work the bar queued meanwhile (the WM_SIZE of its own scroll bar) done too.
        const ::testing::AssertionResult settled = settle(bar);
        EXPECT_TRUE(settled) << "after adding group " << id;
        return settled ? added : 0;
    }
    ::testing::AssertionResult resize(int width, int height)
    {
        SetWindowPos(bar, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return settle(bar) << " (resized to " << width << " x " << height << ")";
    }
    HWND header(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }
    HWND dialog(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    // A window's rectangle in its parent's client coordinates.
    static RECT placed(HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    bool scrollBarShown() const { return (GetWindowLongA(bar, GWL_STYLE) & WS_VSCROLL) != 0; }
    int clientWidth() const
    {
        RECT r;
        GetClientRect(bar, &r);
        return r.right;
    }
    // Where the content ends for a stack whose last group is `id`, at scroll position 0.
    int contentHeight(int lastId)
    {
        HWND last = shown(dialog(lastId)) ? dialog(lastId) : header(lastId);
        return placed(last).bottom + gap + theme.paneBorderThickness.bottom;
    }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
    SidefoldTheme theme{};
    int margin = 0, gap = 0;
};

}  // namespace

TEST_F(BarLayout, TheScrollBarShowsOnlyWhenTheContentIsTallerThanTheBar)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    ASSERT_FALSE(scrollBarShown());
    EXPECT_EQ(placed(header(1)).left, margin);
    EXPECT_EQ(placed(header(1)).top, gap + theme.paneBorderThickness.top);
    EXPECT_EQ(placed(header(2)).top, placed(dialog(1)).bottom + gap);
    const int content = contentHeight(2);
    const int wide = placed(header(1)).right - placed(header(1)).left;
    EXPECT_EQ(wide, clientWidth() - 2 * margin);

    ASSERT_TRUE(resize(240, content + 1));
    EXPECT_FALSE(scrollBarShown()) << "one pixel taller than the content";
    ASSERT_TRUE(resize(240, content));
    EXPECT_FALSE(scrollBarShown()) << "exactly the content";
    ASSERT_TRUE(resize(240, content - 1));
    ASSERT_TRUE(scrollBarShown()) << "one pixel shorter";
    EXPECT_EQ(placed(header(1)).right - placed(header(1)).left, wide - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(placed(dialog(2)).right - placed(dialog(2)).left, wide - GetSystemMetrics(SM_CXVSCROLL));
    ASSERT_TRUE(resize(240, content + 1));
    EXPECT_FALSE(scrollBarShown()) << "and gone again when it fits";
    EXPECT_EQ(placed(header(1)).right - placed(header(1)).left, wide);
}

TEST_F(BarLayout, ExpandingTheLastGroupIntoOverflowNarrowsTheStackFirst)
{
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_LINKS, 0), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    ASSERT_TRUE(resize(240, contentHeight(2) + 10));
    ASSERT_FALSE(scrollBarShown());
    SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 2, 0);
    ASSERT_TRUE(settle(bar)) << "the group expanded";
    EXPECT_TRUE(scrollBarShown());
    EXPECT_TRUE(shown(dialog(2)));
    EXPECT_EQ(placed(dialog(2)).right - placed(dialog(2)).left, clientWidth() - 2 * margin);
    SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 2, 0);
    ASSERT_TRUE(settle(bar)) << "the group collapsed";
    EXPECT_FALSE(scrollBarShown());
}

TEST_F(BarLayout, LibraryControlsAreLaidOutAtLeast64PixelsWideInANarrowPane)
{
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE), 1);
    ASSERT_TRUE(resize(40, 500));
    const RECT link = placed(GetDlgItem(dialog(1), IDC_SINGLE_LINK));
    EXPECT_EQ(link.right - link.left, 64);
    ASSERT_TRUE(resize(240, 500));
    const RECT wide = placed(GetDlgItem(dialog(1), IDC_SINGLE_LINK));
    EXPECT_EQ(wide.right - wide.left, placed(dialog(1)).right - placed(dialog(1)).left -
                                          theme.taskListBorderThickness.left - theme.taskListBorderThickness.right -
                                          20);
}

TEST_F(BarLayout, ControlsOnOneTemplateRowStayOnOneRowWithTheirGap)
{
    ASSERT_EQ(add(1, IDD_GROUP_ROW), 1);
    const RECT left = placed(GetDlgItem(dialog(1), IDC_ROW_LEFT));
    const RECT right = placed(GetDlgItem(dialog(1), IDC_ROW_RIGHT));
    RECT gapUnits{46, 6, 50, 20};  // the template's gap, in dialog units
    MapDialogRect(dialog(1), &gapUnits);
    EXPECT_EQ(right.top, left.top);
    EXPECT_EQ(right.left - left.right, gapUnits.right - gapUnits.left);
    EXPECT_EQ(left.left, theme.taskListBorderThickness.left + 10);
    EXPECT_EQ(left.top, theme.taskListBorderThickness.top + 8);
}

TEST_F(BarLayout, AClosingStaticEndsTheSubSectionAndAClosedSectionTakesNoRoom)
{
    ASSERT_EQ(add(1, IDD_GROUP_SECTIONS), 1);
    HWND d = dialog(1);
    EXPECT_EQ(GetDlgItem(d, 65535), nullptr) << "the unnamed static is gone";
    HWND sub = GetDlgItem(d, IDC_SUB_HEADER), inside = GetDlgItem(d, IDC_SUB_LINK);
    HWND after = GetDlgItem(d, IDC_AFTER_SECTION);
    ASSERT_TRUE(shown(inside));
    const RECT open = placed(after);
    const LONG insideBottom = placed(inside).bottom;
    const LONG dialogHeight = placed(d).bottom - placed(d).top;

    // The sub-section header tells its dialog it closed, as a click on it would.
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SUB_HEADER, SIDEFOLD_HEADER_NOW_COLLAPSED),
                 reinterpret_cast<LPARAM>(sub));
    ASSERT_TRUE(settle(bar)) << "the sub-section closed";
    EXPECT_FALSE(shown(inside));
    EXPECT_TRUE(shown(after)) << "after the static: not part of the section";
    const RECT closed = placed(after);
    EXPECT_EQ(closed.top, placed(sub).bottom + (open.top - insideBottom));
    EXPECT_EQ(placed(d).bottom - placed(d).top, dialogHeight - (open.top - closed.top));

    SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SUB_HEADER, SIDEFOLD_HEADER_NOW_EXPANDED),
                 reinterpret_cast<LPARAM>(sub));
    ASSERT_TRUE(settle(bar)) << "the sub-section opened";
    EXPECT_TRUE(shown(inside));
    EXPECT_EQ(placed(after).top, open.top);
}

TEST_F(BarLayout, ScrollingKeepsInsideTheRangeAndMovesTheGroups)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    const int top = placed(header(1)).top;
    // Find the height at which the scrolled content ends 5 pixels lower than the page.
    ASSERT_TRUE(resize(240, 200));
    ASSERT_TRUE(scrollBarShown());
    const int content = contentHeight(2);
    ASSERT_TRUE(resize(240, content - 5));
    ASSERT_TRUE(scrollBarShown());

    SendMessageA(bar, WM_VSCROLL, SB_BOTTOM, 0);
    ASSERT_TRUE(settle(bar)) << "the scroll";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 5);
    EXPECT_EQ(placed(header(1)).top, top - 5);
    SendMessageA(bar, WM_VSCROLL, SB_LINEUP, 0);
    ASSERT_TRUE(settle(bar)) << "the scroll";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 0) << "a line up at 5 goes to 0, not -11";
    EXPECT_EQ(placed(header(1)).top, top);
    SendMessageA(bar, WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_TRUE(settle(bar)) << "the scroll";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 5) << "and a line down stops at the end";
    SendMessageA(bar, WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 5);
}

TEST_F(BarLayout, MakingAGroupVisibleScrollsItIntoThePage)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS), 1);
    ASSERT_EQ(add(2, IDD_GROUP_LINKS), 1);
    ASSERT_EQ(add(3, IDD_GROUP_SINGLE), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    ASSERT_TRUE(resize(240, 200));
    ASSERT_TRUE(scrollBarShown());
    const int groupBottom = placed(dialog(3)).bottom;
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 3, 0), 1);
    ASSERT_TRUE(settle(bar)) << "the group made visible";
    // Below the view: its bottom comes to the page's bottom.
    EXPECT_EQ(placed(dialog(3)).bottom, 200);
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), groupBottom - 200);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_AT, 0, 0), 1);
    ASSERT_TRUE(settle(bar)) << "the group made visible";
    EXPECT_EQ(placed(header(1)).top, 0) << "above the view: its top at the page's top";
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 3, 0), 1);
    ASSERT_TRUE(settle(bar)) << "the group made visible";
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 3, 0), 1);
    ASSERT_TRUE(settle(bar)) << "the group made visible";
    EXPECT_EQ(placed(dialog(3)).bottom, 200) << "shown already: stays";
    ASSERT_TRUE(settle(bar)) << "the bar idle";
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 99, 0), 0);
}

TEST_F(BarLayout, TheMouseWheelScrollsByTheSystemsLinesPerNotch)
{
    for (int id : {1, 2, 3}) ASSERT_EQ(add(id, IDD_GROUP_LINKS), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    ASSERT_TRUE(resize(240, 150));
    ASSERT_TRUE(scrollBarShown());
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_NE(lines, static_cast<UINT>(WHEEL_PAGESCROLL));
    const int top = placed(header(1)).top;
    // A notch down, as the focused control hands it on to its parents.
    SendMessageA(GetDlgItem(dialog(1), IDC_LINK_A), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    ASSERT_TRUE(settle(bar)) << "the wheel";
    const int step = static_cast<int>(lines) * 16;
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), step);
    EXPECT_EQ(placed(header(1)).top, top - step);
    // Half a notch up twice makes one.
    SendMessageA(bar, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    ASSERT_TRUE(settle(bar)) << "the wheel";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), step);
    SendMessageA(bar, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    ASSERT_TRUE(settle(bar)) << "the wheel";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 0);
    SendMessageA(bar, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    ASSERT_TRUE(settle(bar)) << "the wheel";
    EXPECT_EQ(GetScrollPos(bar, SB_VERT), 0) << "not above the top";
}
