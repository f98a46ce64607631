// The thumbnail view on a real document: rebuilds with the worker, cells read back in pixels,
// and every image operation from its menu id, toolbar id, task link and context-menu id.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/owner_menu.h"
#include "app/owner_menu_bitmaps.h"
#include "app/thumb_viewer_view.h"
#include "app/thumbnail_cell.h"
#include "paint_probe.h"
#include "picture/picture.h"
#include "solid_picture.h"
#include "tests/unit/support/fake_prompter.h"
#include "winui/text.h"

namespace {

constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 220);

struct FakeAsker final : IImageAsker {
    std::vector<std::string> files;
    std::optional<std::string> chosenFolder;
    std::optional<std::string> newComment;
    std::vector<std::string> commentAskedFor;  // paths shown in the comment dialog

    std::vector<std::string> imageFiles(HWND) override { return files; }
    std::optional<std::string> folder(HWND) override { return chosenFolder; }
    std::optional<std::string> comment(HWND, const Image& image) override
    {
        commentAskedFor.push_back(image.path);
        return newComment;
    }
};

std::string writePicture(const std::filesystem::path& folder, const char* name, uint32_t w, uint32_t h, COLORREF c)
{
    const CPicture picture = solidPicture(w, h, c);
    const std::string path = (folder / name).string();
    EXPECT_TRUE(picture.Save(path, kFormatBmp));
    return path;
}

class ThumbViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("thumbview-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder);
        wide = writePicture(folder, "wide.bmp", 200, 100, kRed);
        tall = writePicture(folder, "tall.bmp", 100, 200, kBlue);
        missing = (folder / "missing.bmp").string();

        doc.setPrompter(&prompter);
        parent = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                 nullptr);
        view = std::make_unique<CThumbViewerView>(doc);
        ASSERT_TRUE(view->create(parent, 0xE901));
        MoveWindow(view->hwnd(), 0, 0, 780, 560, FALSE);
        view->setAsker(&asker);
    }
    void TearDown() override
    {
        view.reset();
        DestroyWindow(parent);
        pumpMessages();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Album "A" (current) with the given pictures, album "B" empty.
    void albumOf(const std::vector<std::string>& paths)
    {
        doc.addAlbum("A", "", AlbumPosition::Bottom);
        doc.addAlbum("B", "", AlbumPosition::Bottom);
        doc.selectAlbum(0);
        doc.addImages(paths);
        ASSERT_TRUE(view->waitForThumbnails()) << "the album's cells";
        pumpMessages();
    }
    void select(std::vector<int> rows) { view->thumbnailSelectionSet(rows); }
    // The centre pixel and a pixel near the left edge of a row's cell.
    COLORREF cellPixel(int row, int x, int y)
    {
        PaintProbe probe(kCellWidth, kCellHeight);
        ImageList_Draw(view->thumbnails(), view->rowImage(row), probe.dc(), 0, 0, ILD_NORMAL);
        return probe.at(x, y);
    }
    std::vector<std::string> albumPaths(int album)
    {
        std::vector<std::string> out;
        for (const Image& i : doc.images())
            if (i.albumKey == doc.albums()[static_cast<size_t>(album)].key) out.push_back(i.path);
        return out;
    }

    std::filesystem::path folder;
    std::string wide, tall, missing;
    FakePrompter prompter;
    FakeAsker asker;
    CBuilderDoc doc;
    HWND parent = nullptr;
    std::unique_ptr<CThumbViewerView> view;
};

// A picture that cannot be shown is never a white cell like a white photo: it gets a crossed-out
// picture on grey over its file name, and its tooltip says why.
TEST_F(ThumbViewTest, MissingFileShowsTheMissingPictureMarkInItsRowAndSaysWhy)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, missing, tall}));
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(cellPixel(0, 50, 45), kRed);
    EXPECT_EQ(cellPixel(0, 50, 19), kCellFill) << "100 x 50 at top 20";
    EXPECT_EQ(cellPixel(0, 50, 20), kRed);
    EXPECT_EQ(cellPixel(2, 26, 45), kCellFill) << "45 x 90 at left 27";
    EXPECT_EQ(cellPixel(2, 27, 45), kBlue);

    EXPECT_EQ(cellPixel(1, 0, 0), kCellFrame);
    EXPECT_EQ(cellPixel(1, 5, 5), kMissingFill);
    EXPECT_EQ(cellPixel(1, 50, 27), kMissingCross) << "the cross over the picture glyph";
    EXPECT_EQ(cellPixel(1, 50, 12), RGB(0x90, 0x90, 0x90)) << "the glyph's frame";
    int ink = 0;  // the file name "missing.bmp" under the glyph
    for (int y = 50; y < kCellHeight - 2; ++y)
        for (int x = 2; x < kCellWidth - 2; ++x) ink += cellPixel(1, x, y) != kMissingFill;
    EXPECT_GT(ink, 40);

    EXPECT_EQ(view->rowProblem(0), CellProblem::None);
    EXPECT_EQ(view->rowProblem(1), CellProblem::Missing);
    wchar_t text[256] = L"label";
    NMLVGETINFOTIPW tip{};
    tip.hdr = {view->list(), 1, LVN_GETINFOTIPW};
    tip.pszText = text;
    tip.cchTextMax = 256;
    tip.iItem = 1;
    SendMessageW(view->hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(std::wstring(text), L"The picture cannot be shown: its file is missing.\n" + winui::widen(missing));
    tip.iItem = 0;
    wcscpy_s(text, L"label");
    SendMessageW(view->hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(std::wstring(text), L"label") << "a shown picture keeps the list's own tip";
    EXPECT_FALSE(view->workerRunning());
}

// The rows appear at once, each with an empty cell (white in its frame) until its picture is in.
TEST_F(ThumbViewTest, RowsShowAnEmptyCellUntilTheirPictureArrives)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.selectAlbum(0);
    const std::vector<std::string> paths{wide, tall, wide};
    doc.addImages(paths);  // the worker's cells wait until this thread serves its messages
    ASSERT_EQ(view->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cellPixel(row, 50, 45), kCellFill) << row;
        EXPECT_EQ(cellPixel(row, 0, 0), kCellFrame) << row;
        EXPECT_EQ(cellPixel(row, 99, 89), kCellFrame) << row;
    }
    ASSERT_TRUE(view->waitForThumbnails()) << "the album's cells";
    EXPECT_EQ(cellPixel(0, 50, 45), kRed);
    EXPECT_EQ(cellPixel(1, 50, 45), kBlue);
    EXPECT_EQ(cellPixel(2, 50, 45), kRed);
    EXPECT_NE(view->rowImage(0), view->rowImage(2)) << "each row its own cell once drawn";
}

// A long album holds cells only near the screen: scrolled screen by screen from its top to its
// end, every screen shows its pictures while the rows left behind give their cells back, and the
// first rows get theirs made again when they come back into view.
TEST_F(ThumbViewTest, ScrollingALongAlbumHoldsCellsOnlyNearTheScreen)
{
    view->setThumbnailCache(nullptr);
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    constexpr int kRows = 1000;
    ASSERT_NO_FATAL_FAILURE(albumOf(std::vector<std::string>(kRows, wide)));
    RECT client{};
    GetClientRect(view->list(), &client);
    const DWORD spacing = static_cast<DWORD>(SendMessageW(view->list(), LVM_GETITEMSPACING, FALSE, 0));
    const int screen = (client.right / LOWORD(spacing)) * (client.bottom / HIWORD(spacing) + 2);
    const int bound = 5 * screen;  // the screen and two more either side
    ASSERT_LT(bound, kRows / 4);

    auto middleRow = [&] {
        LVHITTESTINFO hit{};
        hit.pt = POINT{client.right / 2, client.bottom / 2};
        return static_cast<int>(SendMessageW(view->list(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    };
    auto settle = [&] {
        UpdateWindow(view->list());
        ASSERT_TRUE(view->waitForThumbnails()) << "the cells of the rows in sight";
        pumpMessages();
    };
    ASSERT_NO_FATAL_FAILURE(settle());
    EXPECT_LE(view->heldCells(), bound);
    int lastSeen = 0;
    for (int step = 0; step < kRows && lastSeen < kRows - 1; ++step) {
        SendMessageW(view->list(), LVM_SCROLL, 0, client.bottom);
        ASSERT_NO_FATAL_FAILURE(settle());
        EXPECT_LE(view->heldCells(), bound) << "scrolled " << step + 1 << " screens";
        const int row = middleRow();
        if (row >= 0) {
            EXPECT_EQ(cellPixel(row, 50, 45), kRed) << "row " << row << " on the screen shows its picture";
            lastSeen = std::max(lastSeen, row);
        }
        RECT end{};
        end.left = LVIR_BOUNDS;
        SendMessageW(view->list(), LVM_GETITEMRECT, kRows - 1, reinterpret_cast<LPARAM>(&end));
        if (end.bottom <= client.bottom) lastSeen = kRows - 1;
    }
    EXPECT_EQ(lastSeen, kRows - 1) << "the end was reached";
    EXPECT_EQ(view->rowImage(0), view->rowImage(1)) << "the first rows gave their cells back";

    SendMessageW(view->list(), LVM_SCROLL, 0, -HIWORD(spacing) * kRows);
    ASSERT_NO_FATAL_FAILURE(settle());
    EXPECT_EQ(cellPixel(0, 50, 45), kRed);
    EXPECT_LE(view->heldCells(), bound);
}

TEST_F(ThumbViewTest, RotateFromMenuToolbarAndContextMenuRemakesTheCell)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall}));
    select({0});
    EXPECT_TRUE(view->onCommand(32811));  // menu: right
    EXPECT_EQ(doc.images()[0].rotation, 90);
    ASSERT_TRUE(view->waitForThumbnails()) << "the cell turned right";
    EXPECT_EQ(cellPixel(0, 10, 45), kCellFill) << "the wide picture now stands";
    EXPECT_EQ(cellPixel(0, 50, 45), kRed);
    EXPECT_TRUE(view->onCommand(32784));  // toolbar: left
    EXPECT_EQ(doc.images()[0].rotation, 0);
    ASSERT_TRUE(view->waitForThumbnails()) << "the cell turned left";
    EXPECT_EQ(cellPixel(0, 10, 45), kRed);
    EXPECT_TRUE(view->onContextCommand(202));  // context menu: left
    EXPECT_TRUE(view->onCommand(1021));        // task link: left
    EXPECT_EQ(doc.images()[0].rotation, -180);
    EXPECT_EQ(doc.images()[1].rotation, 0);
}

// The window never decodes: a rotation only asks for the cell, which arrives as a message once
// made on another thread. Quick turns end on the last one's cell, and a cell asked for before the
// album changed never lands in the new album's rows.
TEST_F(ThumbViewTest, RotationsRemakeCellsOffTheWindowThreadAndTheLastOneWins)
{
    view->setThumbnailCache(nullptr);  // every cell is a decode
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall}));
    select({0, 1});
    EXPECT_TRUE(view->onCommand(32811));  // right
    // Nothing of this thread's queue served yet: the rows show what they showed.
    EXPECT_EQ(cellPixel(0, 10, 45), kRed);
    EXPECT_EQ(cellPixel(1, 26, 45), kCellFill);
    EXPECT_TRUE(view->onCommand(32811));  // right again, before the first cells are in
    ASSERT_TRUE(view->waitForThumbnails()) << "the cells turned twice";
    EXPECT_EQ(doc.images()[0].rotation, 180);
    EXPECT_EQ(cellPixel(0, 10, 45), kRed) << "turned twice: lying again";
    EXPECT_EQ(cellPixel(0, 50, 19), kCellFill);
    EXPECT_EQ(cellPixel(1, 26, 45), kCellFill) << "standing again";
    EXPECT_EQ(cellPixel(1, 27, 45), kBlue);

    // Turned, then the album changes before the cell is in: the new rows keep their own cells.
    EXPECT_TRUE(view->onCommand(32811));
    doc.selectAlbum(1);
    doc.addImages(std::vector<std::string>{tall});
    ASSERT_TRUE(view->waitForThumbnails()) << "album B's cells";
    ASSERT_EQ(view->rowCount(), 1);
    EXPECT_EQ(cellPixel(0, 26, 45), kCellFill);
    EXPECT_EQ(cellPixel(0, 27, 45), kBlue);
}

TEST_F(ThumbViewTest, MovingABlockUpAndDownKeepsItSelectedAndCarriesLabelsAndCells)
{
    const std::string p0 = writePicture(folder, "0.bmp", 8, 8, RGB(0, 0, 0));
    const std::string p1 = writePicture(folder, "1.bmp", 8, 8, RGB(10, 0, 0));
    const std::string p4 = writePicture(folder, "4.bmp", 8, 8, RGB(40, 0, 0));
    ASSERT_NO_FATAL_FAILURE(albumOf({p0, p1, wide, tall, p4}));
    for (int r = 0; r < 5; ++r) {
        asker.newComment = "c" + std::to_string(r);
        select({r});
        view->onContextCommand(204);
    }
    select({2, 3});
    EXPECT_TRUE(view->onCommand(32806));  // menu: up
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{p0, wide, tall, p1, p4}));
    EXPECT_EQ(view->selectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(view->rowLabel(1), L"c2");
    EXPECT_EQ(view->rowLabel(3), L"c1");
    EXPECT_EQ(cellPixel(1, 50, 45), kRed);
    EXPECT_EQ(cellPixel(2, 27, 45), kBlue);

    EXPECT_TRUE(view->onCommand(32783));  // toolbar: down, back again
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{p0, p1, wide, tall, p4}));
    EXPECT_EQ(view->selectedRows(), (std::vector<int>{2, 3}));
    EXPECT_EQ(cellPixel(2, 50, 45), kRed);

    select({0, 1});
    view->onContextCommand(200);  // the first row is among them: nothing moves
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{p0, p1, wide, tall, p4}));
    EXPECT_EQ(view->selectedRows(), (std::vector<int>{0, 1}));
}

TEST_F(ThumbViewTest, CommentAsksForTheTopmostAndThenForSeveral)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall, missing}));
    select({1, 2});
    asker.newComment = "Line one\r\nline two";
    prompter.answers = {MessageAnswer::No};
    view->onCommand(32808);
    EXPECT_EQ(asker.commentAskedFor, std::vector<std::string>{tall});
    ASSERT_EQ(prompter.texts().size(), 1u);
    EXPECT_EQ(prompter.texts()[0], "You have selected 2 images.\nAre you sure to apply to all selected image(s)?");
    EXPECT_EQ(view->rowLabel(1), L"");

    view->onCommand(1012);  // task link, answered Yes
    EXPECT_EQ(view->rowLabel(1), L"Line one\r\nline two");
    EXPECT_EQ(view->rowLabel(2), L"Line one\r\nline two");
    EXPECT_EQ(doc.images()[2].comment, "Line one\r\nline two");

    asker.newComment.reset();  // cancel changes nothing
    select({0});
    view->onContextCommand(204);
    EXPECT_EQ(doc.images()[0].comment, "");
}

TEST_F(ThumbViewTest, DoubleClickOnAThumbnailAsksForItsComment)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide}));
    select({0});
    RECT r{};
    r.left = LVIR_ICON;
    SendMessageW(view->list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    NMITEMACTIVATE activate{};
    activate.hdr = {view->list(), 1, NM_DBLCLK};
    activate.iItem = 0;
    SendMessageW(view->hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&activate));
    EXPECT_EQ(asker.commentAskedFor.size(), 1u);
    activate.iItem = -1;  // empty space
    SendMessageW(view->hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&activate));
    EXPECT_EQ(asker.commentAskedFor.size(), 1u);
}

TEST_F(ThumbViewTest, RemoveAsksAndSelectsTheRowThatMovesUp)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall, missing, wide}));
    select({1});
    prompter.answers = {MessageAnswer::No};
    view->onCommand(32809);
    EXPECT_EQ(view->rowCount(), 4);
    view->onCommand(32788);
    EXPECT_EQ(prompter.texts().back(), "Are you sure to remove selected image(s)?");
    EXPECT_EQ(prompter.shown.back().caption, "Images removing...");
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{wide, missing, wide}));
    EXPECT_EQ(view->selectedRows(), std::vector<int>{1});
    EXPECT_EQ(cellPixel(1, 50, 27), kMissingCross) << "the missing picture's mark moved up";
    EXPECT_EQ(cellPixel(2, 50, 45), kRed);
}

TEST_F(ThumbViewTest, NothingSelectedWarnsOnce)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide}));
    select({});
    view->onCommand(32806);
    view->onContextCommand(205);
    EXPECT_EQ(prompter.texts(), (std::vector<std::string>{"No images selected!", "No images selected!"}));
}

TEST_F(ThumbViewTest, AddingImagesNeedsAnAlbumAndTakesUnknownTypesWithTheMissingMark)
{
    view->onCommand(32804);
    EXPECT_EQ(prompter.texts(), std::vector<std::string>{"No albums found. Add new album(s) at first."});
    view->onContextCommand(207);
    EXPECT_EQ(prompter.texts().size(), 2u);

    ASSERT_NO_FATAL_FAILURE(albumOf({}));
    const std::string odd = writePicture(folder, "odd.xyz", 10, 10, kRed);
    asker.files = {tall, odd};
    view->onContextCommand(206);  // context menu over empty space
    ASSERT_TRUE(view->waitForThumbnails()) << "the added files' cells";
    ASSERT_EQ(view->rowCount(), 2);
    EXPECT_EQ(cellPixel(0, 50, 45), kBlue);
    EXPECT_EQ(cellPixel(1, 50, 27), kMissingCross);
    EXPECT_EQ(view->rowProblem(1), CellProblem::UnknownType);

    asker.chosenFolder = folder.string();  // wide.bmp and tall.bmp; odd.xyz is skipped
    view->onCommand(32781);
    ASSERT_TRUE(view->waitForThumbnails()) << "the added folder's cells";
    EXPECT_EQ(view->rowCount(), 4);
}

TEST_F(ThumbViewTest, MoveAndCopyToAnAlbum)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall, missing}));
    select({0, 2});
    view->onContextCommand(3001);  // copy to album B
    EXPECT_EQ(albumPaths(1), (std::vector<std::string>{wide, missing}));
    EXPECT_EQ(view->rowCount(), 3);

    view->onContextCommand(301);  // move to album B
    EXPECT_EQ(albumPaths(0), std::vector<std::string>{tall});
    EXPECT_EQ(albumPaths(1), (std::vector<std::string>{wide, missing, wide, missing}));
    ASSERT_EQ(view->rowCount(), 1);
    EXPECT_TRUE(view->selectedRows().empty());
    EXPECT_EQ(cellPixel(0, 50, 45), kBlue);
}

TEST_F(ThumbViewTest, ContextMenusListTheOperationsAndEveryAlbumWithTheCurrentChecked)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide}));
    doc.addAlbum("C", "", AlbumPosition::Bottom);
    doc.selectAlbum(1);
    auto ids = [](HMENU m) {
        std::vector<UINT> out;
        for (int i = 0; i < GetMenuItemCount(m); ++i) out.push_back(GetMenuItemID(m, i));
        return out;
    };
    std::unique_ptr<COwnerMenu> empty = view->buildContextMenu(false);
    EXPECT_EQ(ids(empty->handle()), (std::vector<UINT>{206, 207}));

    std::unique_ptr<COwnerMenu> menu = view->buildContextMenu(true);
    HMENU m = menu->handle();
    const UINT none = 0, sub = static_cast<UINT>(-1);
    EXPECT_EQ(ids(m), (std::vector<UINT>{none, 200, 201, none, 202, 203, none, 204, 205, none, sub, sub}));
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    GetMenuItemInfoW(m, 0, TRUE, &mii);
    EXPECT_EQ(reinterpret_cast<const COwnerMenuItem*>(mii.dwItemData)->text, L"Fotoloom");
    GetMenuItemInfoW(m, 1, TRUE, &mii);
    EXPECT_EQ(reinterpret_cast<const COwnerMenuItem*>(mii.dwItemData)->image, 8);

    HMENU move = GetSubMenu(m, 10), copy = GetSubMenu(m, 11);
    EXPECT_EQ(ids(move), (std::vector<UINT>{300, 301, 302}));
    EXPECT_EQ(ids(copy), (std::vector<UINT>{3000, 3001, 3002}));
    EXPECT_EQ(GetMenuState(move, 1, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(move, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    GetMenuItemInfoW(copy, 2, TRUE, &mii);
    const auto* c = reinterpret_cast<const COwnerMenuItem*>(mii.dwItemData);
    EXPECT_EQ(c->text, L"C");
    EXPECT_EQ(c->image, 17);
    EXPECT_EQ(ImageList_GetImageCount(view->menuImages()), 18) << "17 strip cells and the album icon";
}

// An album title is the user's text: its "&" is drawn as itself in both submenus, not taken as
// the mark of an access key (which would hide it and underline the next letter).
TEST_F(ThumbViewTest, AnAmpersandInAnAlbumTitleIsDrawnInTheMoveAndCopySubmenus)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide}));
    doc.editAlbum(0, "W&W", "");
    doc.editAlbum(1, "WW", "");
    std::unique_ptr<COwnerMenu> menu = view->buildContextMenu(true);
    // The rightmost column of the item's text that is not menu background.
    auto inkRight = [&](HMENU from, int position) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_DATA | MIIM_ID;
        EXPECT_TRUE(GetMenuItemInfoW(from, static_cast<UINT>(position), TRUE, &mii));
        PaintProbe probe(240, 24);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_MENU;
        dis.itemID = mii.wID;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hDC = probe.dc();
        dis.rcItem = RECT{0, 0, probe.width(), probe.height()};
        dis.itemData = mii.dwItemData;
        LRESULT result = 0;
        EXPECT_TRUE(menu->handleOwnerMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), result));
        const COLORREF background = COwnerMenuBitmaps::colours().background;
        for (int x = probe.width() - 1; x > 30; --x)
            for (int y = 0; y < probe.height(); ++y)
                if (probe.at(x, y) != background) return x;
        return 0;
    };
    for (HMENU sub : {GetSubMenu(menu->handle(), 10), GetSubMenu(menu->handle(), 11)}) {
        const int ampersand = inkRight(sub, 0), plain = inkRight(sub, 1);
        EXPECT_GT(plain, 30);
        EXPECT_GT(ampersand, plain + 3) << "\"W&W\" is wider than \"WW\"";
    }
}

TEST_F(ThumbViewTest, OnTheRouteOnlyImageCommandsAreTaken)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide}));
    select({0});
    for (UINT id : {32793u, 1001u, 1030u, 32813u, 300u, 3001u, 206u}) EXPECT_FALSE(view->onCommand(id)) << id;
    EXPECT_FALSE(view->onContextCommand(32806));
    EXPECT_EQ(doc.images().size(), 1u);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ThumbViewTest, NewDocumentCommandEmptiesOnlyTheView)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall}));
    EXPECT_TRUE(view->onCommand(57600));
    EXPECT_EQ(view->rowCount(), 0);
    EXPECT_EQ(doc.images().size(), 2u);
}

TEST_F(ThumbViewTest, SwitchingAlbumsWhileTheWorkerRunsShowsTheNewAlbum)
{
    std::vector<std::string> many;
    const std::string big = writePicture(folder, "big.bmp", 1600, 1200, kRed);
    for (int i = 0; i < 40; ++i) many.push_back(big);
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.selectAlbum(1);
    doc.addImages(std::vector<std::string>{tall});
    ASSERT_TRUE(view->waitForThumbnails()) << "album B's cells";
    doc.selectAlbum(0);
    doc.addImages(many);
    EXPECT_TRUE(view->workerRunning());
    doc.selectAlbum(1);  // waits for the running worker, then shows B
    ASSERT_TRUE(view->waitForThumbnails()) << "album B's cells after A's worker";
    ASSERT_EQ(view->rowCount(), 1);
    EXPECT_EQ(cellPixel(0, 50, 45), kBlue);

    doc.removeAlbum(1);  // A becomes current
    doc.removeAlbum(0);
    ASSERT_TRUE(view->waitForThumbnails()) << "the empty view";
    EXPECT_EQ(view->rowCount(), 0) << "no album left: the view is empty";
}

// Rows that leave (removed, moved to another album) leave no hole: the rest close up into the
// places of the first rows as soon as the operation is over.
TEST_F(ThumbViewTest, RemainingThumbnailsCloseUpAfterARemoveAndAMove)
{
    ASSERT_NO_FATAL_FAILURE(albumOf(std::vector<std::string>(12, wide)));
    auto positions = [&] {
        std::vector<std::pair<long, long>> out;
        for (int r = 0; r < view->rowCount(); ++r) {
            POINT p{};
            SendMessageW(view->list(), LVM_GETITEMPOSITION, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&p));
            out.emplace_back(p.x, p.y);
        }
        return out;
    };
    const auto grid = positions();
    ASSERT_GT(grid[6].second, grid[0].second) << "two lines of thumbnails";

    select({1, 4});
    prompter.answers = {MessageAnswer::Yes};
    view->onCommand(32809);
    pumpMessages();
    EXPECT_EQ(positions(), decltype(grid)(grid.begin(), grid.begin() + 10));

    select({0});
    view->onContextCommand(301);  // to album B
    pumpMessages();
    EXPECT_EQ(positions(), decltype(grid)(grid.begin(), grid.begin() + 9));
}

// The images copied or moved into the album on show appear as rows of their own.
TEST_F(ThumbViewTest, CopyingIntoTheCurrentAlbumShowsTheCopies)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall}));
    select({0});
    view->onContextCommand(3000);  // copy to album A, the current one
    ASSERT_TRUE(view->waitForThumbnails()) << "the copied row's cell";
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(cellPixel(2, 50, 45), kRed);
    select({0});
    view->onContextCommand(300);  // move to album A: it goes to the end
    ASSERT_TRUE(view->waitForThumbnails()) << "the moved row's cell";
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{tall, wide, wide}));
    EXPECT_EQ(cellPixel(0, 27, 45), kBlue);
}

// Keys on the thumbnails, as the list reports them: Delete asks and removes, Enter opens the
// comment dialog, Ctrl+A selects every picture of the album.
TEST_F(ThumbViewTest, DeleteEnterAndCtrlAOnTheThumbnails)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, tall, missing}));
    auto press = [&](WPARAM key, bool control = false) {
        BYTE keys[256] = {};
        if (control) keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(view->list(), WM_KEYDOWN, key, 1);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    select({1});
    press(VK_RETURN);
    EXPECT_EQ(asker.commentAskedFor, std::vector<std::string>{tall});

    prompter.answers = {MessageAnswer::No};
    press(VK_DELETE);
    ASSERT_EQ(prompter.texts(), std::vector<std::string>{"Are you sure to remove selected image(s)?"});
    EXPECT_EQ(view->rowCount(), 3);
    prompter.answers = {MessageAnswer::Yes};
    press(VK_DELETE);
    EXPECT_EQ(albumPaths(0), (std::vector<std::string>{wide, missing}));

    select({});
    press('A');
    EXPECT_TRUE(view->selectedRows().empty()) << "A alone is no command";
    press('A', true);
    EXPECT_EQ(view->selectedRows(), (std::vector<int>{0, 1}));
    select({});
    press(VK_RETURN);
    EXPECT_EQ(asker.commentAskedFor.size(), 1u) << "Enter with nothing selected does nothing";
}

// While the list has the focus, the focused thumbnail has a frame in the selection colour around
// its picture; without the focus it has none.
TEST_F(ThumbViewTest, TheFocusedThumbnailIsFramed)
{
    ASSERT_NO_FATAL_FAILURE(albumOf({wide, wide, wide}));
    select({});
    LVITEMW focus{};
    focus.state = focus.stateMask = LVIS_FOCUSED;
    SendMessageW(view->list(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&focus));
    RECT icon{};
    icon.left = LVIR_ICON;
    ASSERT_TRUE(SendMessageW(view->list(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&icon)));
    const int left = (icon.left + icon.right - kCellWidth) / 2, middle = (icon.top + icon.bottom) / 2;
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    auto printed = [&](int x, int y) {
        PaintProbe probe(780, 560);
        SendMessageW(view->list(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(probe.dc()), PRF_CLIENT | PRF_ERASEBKGND);
        return probe.at(x, y);
    };
    SetFocus(view->list());
    ASSERT_EQ(GetFocus(), view->list());
    EXPECT_EQ(printed(left - 3, middle), highlight);
    EXPECT_EQ(printed(left - 2, middle), highlight);
    EXPECT_NE(printed(left - 1, middle), highlight) << "a gap between frame and picture";
    EXPECT_EQ(printed(left + kCellWidth + 2, middle), highlight);
    EXPECT_NE(printed(left - 3 - (icon.right - icon.left), middle), highlight) << "row 0 is not framed";
    SetFocus(nullptr);
    EXPECT_NE(printed(left - 3, middle), highlight);
}

}  // namespace
