// The program at a display scale of 150 % and 200 %: the DPI seam's sizes, the frame and its
// children made for the window's DPI, and a frame moved to a monitor of another scale.
//
// The scale comes from the seam's override rather than from the prefix's LogPixels: Wine reads
// that setting once per process and reports 96 to a program that does not declare itself DPI
// aware, so it could neither change between tests nor reach this test program; the override
// gives every window the scale the test asks for, in this one process, and is taken back after.

#include <algorithm>

#include "app/art_scale.h"
#include "app/owner_menu.h"
#include "app/owner_menu_bitmaps.h"
#include "app/thumb_viewer_view.h"
#include "scenario.h"
#include "winui/dpi.h"

namespace {

SIZE imageListSize(HIMAGELIST list)
{
    int cx = 0, cy = 0;
    if (list) ImageList_GetIconSize(list, &cx, &cy);
    return SIZE{cx, cy};
}

class DpiOverride {
public:
    explicit DpiOverride(int dpi) { winui::setDpiOverride(dpi); }
    ~DpiOverride() { winui::setDpiOverride(0); }
    DpiOverride(const DpiOverride&) = delete;
    DpiOverride& operator=(const DpiOverride&) = delete;
};

TEST(DpiSeam, SizesScaleFrom96AndStayExactAt96)
{
    EXPECT_EQ(winui::scaled(100, 96), 100);
    EXPECT_EQ(winui::scaled(7, 96), 7);
    EXPECT_EQ(winui::scaled(7, 144), 11);  // 10.5 rounds up, as MulDiv does
    EXPECT_EQ(winui::scaled(90, 144), 135);
    EXPECT_EQ(winui::scaled(90, 192), 180);
    EXPECT_EQ(winui::scaled(-8, 144), -12);
    EXPECT_EQ(winui::scaled(8, 120), 10);

    // At the system's DPI the metrics and fonts are the system's own.
    const int system = winui::systemDpi();
    EXPECT_EQ(winui::systemMetric(SM_CXVSCROLL, system), GetSystemMetrics(SM_CXVSCROLL));
    NONCLIENTMETRICSW plain{};
    plain.cbSize = sizeof(plain);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(plain), &plain, 0));
    EXPECT_EQ(winui::nonClientMetrics(system).lfMenuFont.lfHeight, plain.lfMenuFont.lfHeight);
    EXPECT_STREQ(winui::nonClientMetrics(system).lfMenuFont.lfFaceName, plain.lfMenuFont.lfFaceName);

    // Twice the DPI: metrics and font heights about twice as large.
    const int twice = 2 * system;
    EXPECT_NEAR(winui::systemMetric(SM_CXVSCROLL, twice), 2 * GetSystemMetrics(SM_CXVSCROLL), 1);
    EXPECT_NEAR(winui::nonClientMetrics(twice).lfMenuFont.lfHeight, 2 * plain.lfMenuFont.lfHeight, 1);
}

TEST(DpiSeam, TheOverrideIsEveryWindowsDpiUntilTakenBack)
{
    const int before = winui::dpiOf(nullptr);
    {
        DpiOverride scale(144);
        EXPECT_EQ(winui::dpiOf(nullptr), 144);
        EXPECT_EQ(winui::dpiOf(GetDesktopWindow()), 144);
    }
    EXPECT_EQ(winui::dpiOf(nullptr), before);
}

// The owner-drawn menu measures its items for the DPI of the window it opens for.
TEST(DpiSeam, OwnerMenuItemsGrowWithTheScale)
{
    COwnerMenuItem item{COwnerMenuItem::Kind::Command, L"Add images...\tCtrl+I", nullptr, -1, false};
    const SIZE normal = COwnerMenuBitmaps::measure(item, 96);
    const SIZE large = COwnerMenuBitmaps::measure(item, 192);
    // Text does not grow exactly with its font's height; the room around it does.
    EXPECT_GE(large.cy, normal.cy * 2 - 2);
    EXPECT_GE(large.cx, normal.cx * 3 / 2);
    COwnerMenuItem separator{COwnerMenuItem::Kind::Separator, {}, nullptr, -1, false};
    EXPECT_EQ(COwnerMenuBitmaps::measure(separator, 96).cy, 7);
    EXPECT_EQ(COwnerMenuBitmaps::measure(separator, 192).cy, 14);
}

// A program started on a 150 % monitor.
class ScaledScenario : public Scenario {
protected:
    void SetUp() override
    {
        winui::setDpiOverride(144);
        Scenario::SetUp();
    }
    void TearDown() override
    {
        Scenario::TearDown();
        winui::setDpiOverride(0);
    }
    CThumbViewerView& thumbnails() { return *dynamic_cast<CThumbViewerView*>(frame().thumbnailView()); }
};

TEST_F(ScaledScenario, PicturesCellsAndPanesAreMadeForTheScale)
{
    EXPECT_EQ(frame().dpi(), 144);
    const SIZE toolbar = imageListSize(frame().toolBarImages());
    EXPECT_EQ(toolbar.cx, 48);
    EXPECT_EQ(toolbar.cy, 48);
    // The buttons are as large as their pictures.
    RECT button{};
    ASSERT_TRUE(SendMessageW(frame().toolBar().hwnd(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    EXPECT_GE(button.bottom - button.top, 48);

    EXPECT_EQ(thumbnails().cellSize(), (CellSize{150, 135}));
    EXPECT_EQ(imageListSize(thumbnails().thumbnails()).cx, 150);
    EXPECT_EQ(imageListSize(thumbnails().menuImages()).cx, 24);
    EXPECT_EQ(
        imageListSize(reinterpret_cast<HIMAGELIST>(SendMessageW(albumList(), LVM_GETIMAGELIST, LVSIL_SMALL, 0))).cx,
        24);
    EXPECT_EQ(frame().splitter().barWidth(), 9);
    EXPECT_EQ(frame().splitter().firstPaneWidth(), 270);
    RECT pane{};
    GetWindowRect(frame().taskPaneBar(), &pane);
    EXPECT_EQ(pane.right - pane.left, 480) << "the task pane's 320 pixels at 150 %";
    // The pane's links and its first header show the 1.5x drawings, not stretched 1x ones.
    EXPECT_EQ(imageListSize(frame().taskPaneHost().linkImages()).cx, 24);
    EXPECT_EQ(imageListSize(frame().taskPaneHost().groupIcons()).cx, 72);

    // A row's cell is the scaled one, drawn by the worker at that size.
    makeAlbums({"A"}, 2);
    doc().selectAlbum(0);
    ASSERT_TRUE(waitForThumbnailRows(2));
    ASSERT_TRUE(thumbnails().waitForThumbnails()) << "the cells at 1.5x";
    EXPECT_EQ(ImageList_GetImageCount(thumbnails().thumbnails()), 3);
    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(thumbnails().thumbnails(), thumbnails().rowImage(0), &info));
    EXPECT_EQ(info.rcImage.right - info.rcImage.left, 150);
    EXPECT_EQ(info.rcImage.bottom - info.rcImage.top, 135);
}

// The frame dragged from a 100 % monitor to a 150 % one: WM_DPICHANGED with the system's rectangle.
TEST_F(Scenario, MovingToAMonitorOfAnotherScaleMakesEveryChildAgain)
{
    makeAlbums({"A", "B"}, 3);
    doc().selectAlbum(1);
    ASSERT_TRUE(waitForThumbnailRows(3));
    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageW(thumbnailList(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&selected));
    const int startDpi = frame().dpi();
    ASSERT_EQ(startDpi, winui::dpiOf(frameWindow()));
    const int splitterBefore = frame().splitter().firstPaneWidth();
    RECT paneBefore{};
    GetWindowRect(frame().taskPaneBar(), &paneBefore);
    const int statusPaneBefore = frame().statusBar().paneWidth(0);

    const int target = startDpi * 3 / 2;
    DpiOverride scale(target);
    const RECT suggested{40, 30, 40 + 1200, 30 + 900};  // within the test display
    SendMessageW(frameWindow(), WM_DPICHANGED, MAKEWPARAM(target, target), reinterpret_cast<LPARAM>(&suggested));
    pump();

    RECT now{};
    GetWindowRect(frameWindow(), &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right - now.left, 1200);
    EXPECT_EQ(now.bottom - now.top, 900);

    EXPECT_EQ(frame().dpi(), target);
    EXPECT_EQ(imageListSize(frame().toolBarImages()).cx, artFor(target).toolBar);
    EXPECT_GT(artFor(target).toolBar, artFor(startDpi).toolBar);
    EXPECT_EQ(imageListSize(frame().taskPaneHost().linkImages()).cx, artFor(target).menu);
    RECT button{};
    ASSERT_TRUE(SendMessageW(frame().toolBar().hwnd(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    EXPECT_GE(button.bottom - button.top, imageListSize(frame().toolBarImages()).cy);
    EXPECT_EQ(frame().splitter().firstPaneWidth(), MulDiv(splitterBefore, target, startDpi));
    RECT paneAfter{};
    GetWindowRect(frame().taskPaneBar(), &paneAfter);
    EXPECT_EQ(paneAfter.right - paneAfter.left, MulDiv(paneBefore.right - paneBefore.left, target, startDpi));
    EXPECT_EQ(frame().splitter().barWidth(), winui::scaled(winui::CSplitter::kBarWidth, target));
    EXPECT_GT(frame().statusBar().paneWidth(0), statusPaneBefore * 5 / 4) << "the status font grew";

    // The children fill the new client area: toolbar on top, status bar at the bottom, the
    // splitter between them.
    const RECT client = winui::clientRect(frameWindow());
    auto placed = [&](HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, frameWindow(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT toolbarRect = placed(frame().toolBar().hwnd());
    const RECT statusRect = placed(frame().statusBar().hwnd());
    const RECT splitterRect = placed(frame().splitter().hwnd());
    EXPECT_EQ(toolbarRect.right - toolbarRect.left, client.right);
    EXPECT_EQ(statusRect.bottom, client.bottom);
    EXPECT_EQ(splitterRect.top, toolbarRect.bottom);
    EXPECT_EQ(splitterRect.bottom, statusRect.top);
    EXPECT_EQ(splitterRect.right, client.right);

    // The thumbnails are made again at the new size; the rows and the selection stay.
    auto& view = *dynamic_cast<CThumbViewerView*>(frame().thumbnailView());
    EXPECT_EQ(view.cellSize(), cellSizeForDpi(target));
    ASSERT_TRUE(waitForThumbnailRows(3));
    ASSERT_TRUE(view.waitForThumbnails()) << "the cells made again at the new size";
    EXPECT_EQ(imageListSize(view.thumbnails()).cx, cellSizeForDpi(target).width);
    EXPECT_EQ(view.selectedRows(), std::vector<int>{2});
    EXPECT_EQ(imageListSize(view.menuImages()).cx, artFor(target).menu);
    const int albumIcons =
        imageListSize(reinterpret_cast<HIMAGELIST>(SendMessageW(albumList(), LVM_GETIMAGELIST, LVSIL_SMALL, 0))).cx;
    EXPECT_EQ(albumIcons, artFor(target).menu);
    EXPECT_EQ(listedAlbums().size(), 2u);
}

}  // namespace
