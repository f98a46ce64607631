// The album list view as a control: rows mirror the document, and the mouse and keys select
// albums, announcing a new current album only when it really changes.

#include "scenario.h"

#include "message_log.h"

namespace {

class AlbumView : public Scenario {
protected:
    POINT rowPoint(int row)
    {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(albumList(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        return POINT{r.left + 5, (r.top + r.bottom) / 2};
    }
    // A click as the list sees it: it follows the button-down until the button-up it finds queued.
    void click(POINT at, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP)
    {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(albumList(), up, 0, where);
        SendMessageW(albumList(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, where);
        pump();
    }
    void key(UINT vk)
    {
        SendMessageW(albumList(), WM_KEYDOWN, vk, 0);
        SendMessageW(albumList(), WM_KEYUP, vk, 0xC0000001);
        pump();
    }
};

TEST_F(AlbumView, OneColumnAsWideAsThePaneWithTheAlbumIconOnEveryRow)
{
    makeAlbums({"One", "Two", "Three"});
    HWND list = albumList();
    EXPECT_EQ(GetDlgCtrlID(list), IDC_ALBUM_LIST);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_TRUE(GetWindowLongW(frame().albumView().hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 1);
    wchar_t text[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 32;
    SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(text, L"Albums");

    HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(icons), 1);
    for (int row = 0; row < 3; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.iImage, 0);
    }

    // Dragging the splitter keeps the column as wide as the pane.
    MessageLog log;
    log.watch(list, false, {LVM_SETCOLUMNWIDTH});
    frame().splitter().setFirstPaneWidth(250);
    const SIZE pane = winui::clientSize(frame().albumView().hwnd());
    static const ExpectedMessage widened[] = {
        {LVM_SETCOLUMNWIDTH, kWParam, 0, 0},
        {0, 0, 0, 0},
    };
    EXPECT_TRUE(log.matches(widened, "splitter moved"));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), pane.cx);
}

TEST_F(AlbumView, ClickSelectsTheAlbumAndClickingItAgainAnnouncesNothing)
{
    makeAlbums({"One", "Two", "Three"}, 2);
    doc().selectAlbum(0);
    ObserverLog observed(doc());
    click(rowPoint(2));
    EXPECT_EQ(doc().selectedAlbum(), 2);
    EXPECT_EQ(observed.currentAlbums, (std::vector<int>{2}));
    EXPECT_TRUE(waitForThumbnailRows(2));
    click(rowPoint(2));
    EXPECT_EQ(observed.currentAlbums, (std::vector<int>{2}));
    EXPECT_FALSE(doc().isModified());  // choosing an album is no change to the gallery
}

TEST_F(AlbumView, ArrowKeysWalkTheAlbumsAndStopAtTheEnds)
{
    makeAlbums({"One", "Two", "Three"});
    doc().selectAlbum(0);
    SetFocus(albumList());
    ObserverLog observed(doc());
    key(VK_DOWN);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(doc().selectedAlbum(), 2);
    key(VK_UP);
    EXPECT_EQ(doc().selectedAlbum(), 1);
    EXPECT_EQ(observed.currentAlbums, (std::vector<int>{1, 2, 1}));
}

TEST_F(AlbumView, RightClickSelectsTheRowAndFocusesTheList)
{
    makeAlbums({"One", "Two"});
    doc().selectAlbum(0);
    SetFocus(frame().thumbnailView()->hwnd());
    click(rowPoint(1), WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(doc().selectedAlbum(), 1);
    EXPECT_EQ(GetFocus(), albumList());
    EXPECT_EQ(frame().activeView(), &frame().albumView());
}

TEST_F(AlbumView, ClickOnEmptySpaceKeepsTheCurrentAlbum)
{
    makeAlbums({"One", "Two"});
    doc().selectAlbum(1);
    ObserverLog observed(doc());
    const SIZE size = winui::clientSize(albumList());
    click(POINT{size.cx / 2, size.cy - 5});
    EXPECT_EQ(doc().selectedAlbum(), 1);
    EXPECT_EQ(listedSelection(), 1);
    EXPECT_TRUE(observed.currentAlbums.empty());
}

TEST_F(AlbumView, RowsFollowTheDocumentWhateverChangesIt)
{
    makeAlbums({"One", "Two"});
    doc().insertAlbum(Album{"Zero", "", 77}, AlbumPosition::Top);
    doc().editAlbum(2, "Deux", "");
    EXPECT_EQ(listedAlbums(), (std::vector<std::wstring>{L"Zero", L"One", L"Deux"}));
    EXPECT_EQ(listedSelection(), doc().selectedAlbum());
    doc().removeAlbumRow(0);
    EXPECT_EQ(listedAlbums(), (std::vector<std::wstring>{L"One", L"Deux"}));
    EXPECT_EQ(listedSelection(), doc().selectedAlbum());
    doc().resetGallery();
    EXPECT_TRUE(listedAlbums().empty());
    EXPECT_EQ(listedSelection(), -1);
}

}  // namespace
