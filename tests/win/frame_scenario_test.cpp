// The main frame: its parts and layout, the toolbar and status bar, greyed commands, panes,
// help, the image commands' way to the thumbnail view, and the close question.

#include "scenario.h"

#include <array>

#include "app/command_ids.h"
#include "base/file_system.h"
#include "message_log.h"
#include "winui/frame_window.h"

namespace {

class FrameScenario : public Scenario {
protected:
    RECT childRect(HWND child)
    {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, frameWindow(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_F(FrameScenario, ToolbarHoldsTheButtonsInOrderWithTheirPictures)
{
    const std::vector<UINT> expected = {
        ID_TB_NEW,
        ID_TB_OPEN,
        ID_TB_SAVE,
        0,
        ID_TB_ALBUM_ADD,
        ID_TB_ALBUM_EDIT,
        ID_TB_ALBUM_COPY,
        ID_TB_ALBUM_REMOVE,
        ID_TB_ALBUM_UP,
        ID_TB_ALBUM_DOWN,
        0,
        ID_TB_IMAGES_ADD,
        ID_TB_IMAGES_ADD_FOLDER,
        ID_TB_IMAGES_UP,
        ID_TB_IMAGES_DOWN,
        ID_TB_IMAGES_ROTATE_LEFT,
        ID_TB_IMAGES_ROTATE_RIGHT,
        ID_TB_IMAGES_COMMENT,
        ID_TB_IMAGES_REMOVE,
        0,
        ID_TB_BUILD_TITLE,
        ID_TB_BUILD_VIEW,
    };
    HWND toolbar = frame().toolBar().hwnd();
    EXPECT_EQ(GetDlgCtrlID(toolbar), IDW_TOOLBAR);
    EXPECT_TRUE(GetWindowLongW(toolbar, GWL_STYLE) & TBSTYLE_FLAT);
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), static_cast<LRESULT>(expected.size()));
    int image = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (expected[i] == 0) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP) << i;
            continue;
        }
        EXPECT_EQ(static_cast<UINT>(button.idCommand), expected[i]) << i;
        EXPECT_EQ(button.iBitmap, image++) << i;
    }
    HIMAGELIST images = frame().toolBarImages();
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0)), images);
    EXPECT_EQ(ImageList_GetImageCount(images), 19);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 32);
    EXPECT_NE(SendMessageW(frameWindow(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(frameWindow(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(FrameScenario, BarsSurroundTheTaskPaneRoomAndTheSplitterWithTheAlbumPane180Wide)
{
    SetWindowPos(frameWindow(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = winui::clientRect(frameWindow());
    const RECT toolbar = childRect(frame().toolBar().hwnd());
    const RECT status = childRect(frame().statusBar().hwnd());
    const RECT taskBar = childRect(frame().taskPaneBar());
    const RECT splitter = childRect(frame().splitter().hwnd());
    EXPECT_EQ(GetDlgCtrlID(frame().statusBar().hwnd()), IDW_STATUS_BAR);
    EXPECT_EQ(toolbar.top, 0);
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(taskBar.left, 0);
    EXPECT_EQ(taskBar.right, 320);
    EXPECT_EQ(taskBar.top, toolbar.bottom);
    EXPECT_EQ(taskBar.bottom, status.top);
    EXPECT_EQ(splitter.left, 320);
    EXPECT_EQ(splitter.right, client.right);
    EXPECT_EQ(splitter.top, toolbar.bottom);
    EXPECT_EQ(splitter.bottom, status.top);

    HWND albums = frame().albumView().hwnd();
    EXPECT_EQ(GetDlgCtrlID(albums), IDW_PANE_ALBUMS);
    EXPECT_EQ(GetDlgCtrlID(frame().thumbnailView()->hwnd()), IDW_PANE_THUMBNAILS);
    RECT pane{};
    GetWindowRect(albums, &pane);
    EXPECT_EQ(pane.right - pane.left, 180);
    EXPECT_EQ(frame().activeView(), frame().thumbnailView());
}

TEST_F(FrameScenario, DraggingTheTaskPaneBarsEdgeGivesTheRoomToTheSplitter)
{
    SetWindowPos(frameWindow(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND bar = frame().taskPaneBar();
    RECT w;
    GetWindowRect(bar, &w);
    const POINT start{w.right - 2, w.top + 200};
    SendMessageW(bar, WM_NCLBUTTONDOWN, HTRIGHT, MAKELPARAM(start.x, start.y));
    POINT to{start.x - 90, start.y};
    ScreenToClient(bar, &to);
    SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    EXPECT_EQ(childRect(bar).right, 230);
    EXPECT_EQ(childRect(frame().splitter().hwnd()).left, 230);
    RECT pane;
    GetWindowRect(frame().taskPane(), &pane);
    EXPECT_EQ(pane.right - pane.left, winui::clientRect(bar).right) << "the task pane fills the narrower bar";
}

TEST_F(FrameScenario, StatusBarShowsPromptsReadyAndTheLockIndicators)
{
    winui::CStatusBar& status = frame().statusBar();
    EXPECT_EQ(status.paneText(0), L"Ready");
    SendMessageW(frameWindow(), WM_MENUSELECT, MAKEWPARAM(ID_GALLERY_NEW, MF_STRING), 0);
    EXPECT_EQ(status.paneText(0), L"New gallery");
    SendMessageW(frameWindow(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // the menu closed
    EXPECT_EQ(status.paneText(0), L"Ready");

    NMTBHOTITEM hot{};
    hot.hdr.hwndFrom = frame().toolBar().hwnd();
    hot.hdr.idFrom = IDW_TOOLBAR;
    hot.hdr.code = TBN_HOTITEMCHANGE;
    hot.idNew = ID_TB_ALBUM_COPY;
    SendMessageW(frameWindow(), WM_NOTIFY, IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ(status.paneText(0), L"Copy selected album");

    NMTTDISPINFOW tip{};
    tip.hdr.idFrom = ID_TB_OPEN;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(frameWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_STREQ(tip.lpszText, L"Open Web Gallery");

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE saved = keys[VK_CAPITAL];
    keys[VK_CAPITAL] |= 1;
    SetKeyboardState(keys);
    frame().onIdle();
    EXPECT_EQ(status.paneText(1), L"CAP");
    keys[VK_CAPITAL] = static_cast<BYTE>(saved & ~1);
    SetKeyboardState(keys);
    frame().onIdle();
    EXPECT_EQ(status.paneText(1), L"");
}

TEST_F(FrameScenario, TheBuildAndHelpCommandsAreEnabledInTheMenuAndOnTheToolbar)
{
    HMENU bar = GetMenu(frameWindow());
    HMENU build = GetSubMenu(bar, 3);
    HMENU help = GetSubMenu(bar, 4);
    SendMessageW(frameWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(build), 3);
    SendMessageW(frameWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(help), 4);
    for (UINT id : {ID_BUILD_TITLE, ID_BUILD_VIEW, ID_BUILD_GALLERY, ID_HELP_CONTENTS, ID_HELP_README, ID_HELP_UPDATES,
                    ID_HELP_HOME_PAGE, ID_APP_ABOUT})
        EXPECT_FALSE(GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED) << id;

    HWND toolbar = frame().toolBar().hwnd();
    frame().onIdle();
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_TB_BUILD_TITLE, 0));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_TB_BUILD_VIEW, 0));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_TB_ALBUM_ADD, 0));
}

TEST_F(FrameScenario, HelpCommandsOpenTheHelpTopicTheReadmeAndTheHomePage)
{
    const std::wstring program = winui::widen(programFolder());
    menu(ID_HELP_CONTENTS);
    accelerator(ID_HELP);
    accelerator(ID_CONTEXT_HELP);
    ASSERT_EQ(seam.helpTopics.size(), 3u);
    for (const std::wstring& topic : seam.helpTopics) EXPECT_EQ(topic, program + L"\\Builder.chm::/General/index.htm");
    menu(ID_HELP_README);
    menu(ID_HELP_HOME_PAGE);
    ASSERT_EQ(seam.executed.size(), 1u);
    EXPECT_EQ(seam.executed[0], std::make_pair(program + L"\\readme.txt", int(SW_SHOWNORMAL)));
    EXPECT_TRUE(seam.boxes.empty());
    ASSERT_EQ(seam.opened.size(), 1u);
    EXPECT_EQ(seam.opened[0].rfind(L"https://", 0), 0u);

    // A readme the shell cannot open (here: not found) is told.
    seam.shellResults.push_back(2);  // SE_ERR_FNF
    menu(ID_HELP_README);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Cannot open the readme file '" + program + L"\\readme.txt'.");
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].type & MB_ICONMASK, UINT(MB_ICONERROR));
    EXPECT_EQ(seam.boxes[0].owner, frameWindow());
}

TEST_F(FrameScenario, F6AndShiftF6MoveTheFocusBetweenThePanesAndTheActiveViewFollows)
{
    HWND thumbnails = thumbnailList();
    ASSERT_NE(thumbnails, nullptr);
    SetFocus(albumList());
    MessageLog log;
    log.watch(albumList(), false, {WM_SETFOCUS, WM_KILLFOCUS});
    log.watch(thumbnails, true, {WM_SETFOCUS, WM_KILLFOCUS});
    accelerator(ID_NEXT_PANE);
    static const ExpectedMessage toThumbnails[] = {
        {WM_KILLFOCUS, 0, 0, 0},
        {WM_SETFOCUS, kParent, 0, 0},
        {0, 0, 0, 0},
    };
    EXPECT_TRUE(log.matches(toThumbnails, "F6"));
    EXPECT_EQ(frame().activeView(), frame().thumbnailView());
    log.flush();
    accelerator(ID_PREV_PANE);
    static const ExpectedMessage toAlbums[] = {
        {WM_KILLFOCUS, kParent, 0, 0},
        {WM_SETFOCUS, 0, 0, 0},
        {0, 0, 0, 0},
    };
    EXPECT_TRUE(log.matches(toAlbums, "Shift+F6"));
    EXPECT_EQ(frame().activeView(), &frame().albumView());
}

TEST_F(FrameScenario, CtrlNOnTheAlbumListReachesNobody)
{
    makeAlbums({"A", "B"}, 2);
    SetFocus(albumList());
    accelerator(ID_FILE_NEW);
    accelerator(ID_FILE_OPEN);
    EXPECT_EQ(doc().albumCount(), 2);
    EXPECT_EQ(doc().images().size(), 4u);
    EXPECT_TRUE(seam.fileRequests.empty());
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(FrameScenario, ImageCommandsReachTheThumbnailViewFromEverySourceAndWhicheverPaneIsActive)
{
    // No album: each source of Add images and Add folder says so, and asks for no files.
    for (const CommandSources& c : {kAddImagesCommand, kAddFolderCommand}) {
        menu(c.menu);
        EXPECT_TRUE(clickToolbar(c.toolbar));
        taskLink(c.link);
    }
    ASSERT_EQ(seam.boxes.size(), 6u);
    for (const ShownBox& box : seam.boxes) {
        EXPECT_EQ(box.text, L"No albums found. Add new album(s) at first.");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    }
    EXPECT_TRUE(seam.fileRequests.empty());
    EXPECT_TRUE(seam.folderRequests.empty());

    // Rotating the selected thumbnail: from the menu while the album list has the focus, from
    // the toolbar and from the task link.
    makeAlbums({"A"}, 3);
    ASSERT_TRUE(waitForThumbnailRows(3));
    LVITEMW select{};
    select.state = select.stateMask = LVIS_SELECTED;
    SendMessageW(thumbnailList(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
    SetFocus(albumList());
    menu(ID_IMAGES_ROTATE_RIGHT);
    EXPECT_TRUE(clickToolbar(ID_TB_IMAGES_ROTATE_RIGHT));
    taskLink(ID_LINK_IMAGES_ROTATE_LEFT);
    EXPECT_EQ(doc().images()[1].rotation, 90);
    EXPECT_EQ(doc().images()[0].rotation, 0);

    // Nothing selected: said once per command.
    seam.boxes.clear();
    select.state = 0;
    SendMessageW(thumbnailList(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&select));
    menu(ID_IMAGES_UP);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"No images selected!");
}

class CloseScenario : public FrameScenario {
protected:
    void makeUnsaved()
    {
        makeAlbums({"A"});
        doc().galleryTitle = "changed";
        ASSERT_TRUE(doc().isModified());
    }
    bool closed() { return !IsWindow(frameWindow()); }
};

TEST_F(CloseScenario, UnmodifiedGalleryClosesWithoutAQuestion)
{
    menu(ID_APP_EXIT);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_TRUE(closed());
}

TEST_F(CloseScenario, CancelKeepsTheWindowAndNoClosesWithoutSaving)
{
    makeUnsaved();
    seam.boxAnswers = {IDCANCEL};
    SendMessageW(frameWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"The current album has not been saved. Save now?");
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING));
    EXPECT_EQ(seam.boxes[0].owner, frameWindow());
    EXPECT_FALSE(closed());

    seam.boxAnswers = {IDNO};
    menu(ID_APP_EXIT);
    EXPECT_TRUE(closed());
    EXPECT_TRUE(seam.fileRequests.empty());
}

TEST_F(CloseScenario, YesSavesThenCloses)
{
    makeUnsaved();
    seam.boxAnswers = {IDYES};
    seam.fileAnswers = {{winui::widen(path(L"closing.gal"))}};
    SendMessageW(frameWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(seam.fileRequests.size(), 1u);
    EXPECT_TRUE(seam.fileRequests[0].save);
    EXPECT_TRUE(fileExists(path(L"closing.gal")));
    EXPECT_TRUE(closed());
}

TEST_F(CloseScenario, YesWithTheSaveDialogCancelledAsksAgainRatherThanLoseTheChanges)
{
    makeUnsaved();
    seam.boxAnswers = {IDYES, IDCANCEL};  // then the save dialog is cancelled (no file answer)
    SendMessageW(frameWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(seam.boxes.size(), 2u);
    EXPECT_FALSE(closed());
    seam.boxAnswers = {IDNO};
    SendMessageW(frameWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(closed());
}

}  // namespace
