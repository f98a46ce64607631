// The resizable bar family: sizes per state, the sizing edge by hit test and drag, and the
// caption band painted from the window text.

#include <gtest/gtest.h>

#include "app/caption_bar.h"
#include "paint_probe.h"
#include "winui/dpi.h"

namespace {

class ResizableBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_TRUE(bar.create(frame, L"Web Gallery management", 123, 0x1404));
        bar.onResized = [this] { ++resized; };
        SetWindowPos(bar.hwnd(), nullptr, 0, 0, 320, 400, SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    void TearDown() override { DestroyWindow(frame); }

    LRESULT hitTest(POINT window)
    {
        RECT w;
        GetWindowRect(bar.hwnd(), &w);
        return SendMessageW(bar.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(w.left + window.x, w.top + window.y));
    }

    HWND frame = nullptr;
    CCaptionFontBar bar;
    int resized = 0;
};

TEST_F(ResizableBarTest, LeftBarIsVerticalWithItsOwnSizesAndAnEdgeAtTheRight)
{
    EXPECT_EQ(bar.state(), CResizableBar::State::Vertical);
    EXPECT_EQ(bar.layoutSize().cx, 320);
    EXPECT_EQ(bar.size(CResizableBar::State::Floating).cy, 540);
    const LONG_PTR style = GetWindowLongPtrW(bar.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS),
              static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
    EXPECT_EQ(GetDlgCtrlID(bar.hwnd()), 123);

    RECT client;
    GetClientRect(bar.hwnd(), &client);
    const RECT caption = bar.captionRect();
    EXPECT_EQ(client.right, 320 - CResizableBar::kEdge) << "the client area is all the content's";
    EXPECT_EQ(client.bottom, 400 - (caption.bottom - caption.top));
    EXPECT_GT(caption.bottom - caption.top, 10);

    EXPECT_EQ(hitTest(POINT{318, 200}), HTRIGHT);
    EXPECT_EQ(hitTest(POINT{100, caption.bottom / 2}), HTBORDER);
    EXPECT_EQ(hitTest(POINT{100, 200}), HTCLIENT);
}

TEST_F(ResizableBarTest, DraggingTheEdgeChangesTheDockedSizeDownToItsMinimum)
{
    RECT w;
    GetWindowRect(bar.hwnd(), &w);
    const POINT start{w.left + 318, w.top + 200};
    SendMessageW(bar.hwnd(), WM_NCLBUTTONDOWN, HTRIGHT, MAKELPARAM(start.x, start.y));
    EXPECT_EQ(GetCapture(), bar.hwnd());
    auto moveTo = [&](int screenX) {
        POINT pt{screenX, start.y};
        ScreenToClient(bar.hwnd(), &pt);
        SendMessageW(bar.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    };
    moveTo(start.x - 100);
    EXPECT_EQ(bar.layoutSize().cx, 220);
    EXPECT_EQ(resized, 1);
    moveTo(start.x - 1000);
    EXPECT_EQ(bar.layoutSize().cx, 100);
    moveTo(start.x + 30);
    EXPECT_EQ(bar.layoutSize().cx, 350);
    SendMessageW(bar.hwnd(), WM_LBUTTONUP, 0, 0);
    EXPECT_NE(GetCapture(), bar.hwnd());
    EXPECT_EQ(bar.size(CResizableBar::State::Horizontal).cx, 320) << "other states keep their sizes";
    const int before = resized;
    moveTo(start.x);  // no longer dragging
    EXPECT_EQ(resized, before);
}

TEST_F(ResizableBarTest, CaptionShowsTheWindowTextInTheCaptionFont)
{
    EXPECT_TRUE(bar.captionFontName() == L"Tahoma" || bar.captionFontName() == L"Arial");
    EXPECT_EQ(bar.captionFontName() == L"Tahoma", fontFamilyInstalled(L"Tahoma"));
    EXPECT_FALSE(fontFamilyInstalled(L"No Such Family Anywhere"));

    const RECT caption = bar.captionRect();
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    {
        PaintProbe probe(320, 400);
        bar.paintFrame(probe.dc());
        EXPECT_GT(probe.count(caption, ink), 10);
        EXPECT_EQ(probe.at(318 - 2, 200), GetSysColor(COLOR_BTNFACE));
    }
    SetWindowTextW(bar.hwnd(), L"");
    PaintProbe probe(320, 400);
    bar.paintFrame(probe.dc());
    EXPECT_EQ(probe.count(caption, ink), 0);
}

}  // namespace

namespace {

// On a 150 % display the caption's font, and with it the band, are half as large again.
TEST_F(ResizableBarTest, CaptionBandGrowsWithTheBarsDpi)
{
    const int normal = bar.captionRect().bottom - bar.captionRect().top;
    winui::setDpiOverride(144);
    const int scaled = bar.captionRect().bottom - bar.captionRect().top;
    winui::setDpiOverride(0);
    EXPECT_GE(scaled, normal * 4 / 3);
    EXPECT_LE(scaled, normal * 5 / 3);
    EXPECT_EQ(bar.captionRect().bottom - bar.captionRect().top, normal) << "back at 96 DPI";
}

}  // namespace
