// The pane at a display scale of 150 %: the group header and a link's hit area grow with the
// scale, and a bar whose window changes DPI lays itself out again for the new one.
//
// The DPI is fixed through the library's test hooks, which it reads at each question: Wine tells
// a program that does not declare itself DPI aware 96 whatever the prefix says.

#include "bar_waits.h"
#include "sidefold_host.h"

#include <algorithm>
#include <climits>

// Sent to a child window after its top-level window changed DPI (newer systems).
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace {

class ScaledBar : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
        EXPECT_TRUE(setTestDpi(0));
    }

    // A bar at `dpi` with one open group holding one link.
    void makeBar(int dpi)
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
        useDpi(dpi);
        bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 300, 500);
        ASSERT_TRUE(IsWindow(bar));
        const SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_EXPANDED);
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
        ASSERT_TRUE(settle(bar)) << "the bar made at " << dpi << " DPI";
    }
    static void useDpi(int dpi) { ASSERT_TRUE(setTestDpi(dpi)) << dpi << " DPI refused"; }
    HWND header() const { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 1, 0)); }
    HWND link() const
    {
        HWND dialog = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 1, 0));
        return GetDlgItem(dialog, IDC_SINGLE_LINK);
    }
    static RECT placed(HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The part of the link that takes the mouse: the box of the points that hit it.
    static RECT hitArea(HWND window)
    {
        RECT client{}, hit{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        GetClientRect(window, &client);
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                POINT p{x, y};
                ClientToScreen(window, &p);
                if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) != HTCLIENT) continue;
                hit = {std::min<LONG>(hit.left, x), std::min<LONG>(hit.top, y), std::max<LONG>(hit.right, x + 1),
                       std::max<LONG>(hit.bottom, y + 1)};
            }
        return hit;
    }
    struct Sizes {
        RECT header{};
        RECT link{};
        RECT linkWindow{};
    };
    Sizes measure() { return {placed(header()), hitArea(link()), placed(link())}; }

    HostWindow host;
    HWND bar = nullptr;
};

// Text does not grow exactly with its font, so sizes are held to the scale within a few pixels.
void expectScaled(int at96, int at144, const char* what)
{
    EXPECT_GE(at144, at96 * 3 / 2 - 2) << what << " " << at96 << " -> " << at144;
    EXPECT_LE(at144, at96 * 3 / 2 + 3) << what << " " << at96 << " -> " << at144;
}

}  // namespace

TEST_F(ScaledBar, TheHeaderAndALinksHitAreaGrowWithTheScale)
{
    ASSERT_NO_FATAL_FAILURE(makeBar(96));
    const Sizes normal = measure();
    ASSERT_GT(normal.header.bottom - normal.header.top, 0);
    ASSERT_GT(normal.link.bottom - normal.link.top, 0);

    ASSERT_NO_FATAL_FAILURE(makeBar(144));
    const Sizes large = measure();
    expectScaled(normal.header.bottom - normal.header.top, large.header.bottom - large.header.top, "header height");
    expectScaled(normal.header.left, large.header.left, "pane margin");
    expectScaled(normal.header.top, large.header.top, "top margin");
    expectScaled(normal.link.bottom - normal.link.top, large.link.bottom - large.link.top, "link height");
    // The width is the text's: a font 1.5 times as tall draws it about 1.5 times as wide.
    const int w96 = normal.link.right - normal.link.left, w144 = large.link.right - large.link.left;
    EXPECT_GE(w144, w96 * 13 / 10);
    EXPECT_LE(w144, w96 * 17 / 10);
}

TEST_F(ScaledBar, ADpiChangeLaysThePaneOutAgainForTheNewScale)
{
    ASSERT_NO_FATAL_FAILURE(makeBar(144));
    const Sizes madeAt144 = measure();
    ASSERT_NO_FATAL_FAILURE(makeBar(96));
    const Sizes before = measure();

    // The window moved to a 150 % monitor: the system tells each child after its top-level window.
    useDpi(144);
    SendMessageA(bar, WM_DPICHANGED_AFTERPARENT, 0, 0);
    ASSERT_TRUE(settle(bar)) << "the DPI change";
    const Sizes after = measure();
    EXPECT_EQ(after.header.bottom - after.header.top, madeAt144.header.bottom - madeAt144.header.top);
    EXPECT_EQ(after.header.left, madeAt144.header.left);
    EXPECT_EQ(after.header.right, madeAt144.header.right);
    EXPECT_TRUE(EqualRect(&after.linkWindow, &madeAt144.linkWindow));
    EXPECT_EQ(after.link.bottom - after.link.top, madeAt144.link.bottom - madeAt144.link.top);
    EXPECT_EQ(after.link.right - after.link.left, madeAt144.link.right - madeAt144.link.left);

    // And back: everything as it was at 96 DPI.
    useDpi(96);
    SendMessageA(bar, WM_DPICHANGED_AFTERPARENT, 0, 0);
    ASSERT_TRUE(settle(bar)) << "the DPI change";
    const Sizes back = measure();
    EXPECT_TRUE(EqualRect(&back.header, &before.header));
    EXPECT_TRUE(EqualRect(&back.link, &before.link));
    EXPECT_TRUE(EqualRect(&back.linkWindow, &before.linkWindow));
}
