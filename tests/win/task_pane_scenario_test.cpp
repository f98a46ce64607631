// The task pane in the real main frame: its three groups in order, every link and the push
// button reaching the frame as their own commands, the links' images, and the tooltip texts.

#include "scenario.h"

#include "app/command_ids.h"

namespace {

constexpr UINT kAlbumLinks[] = {ID_LINK_ALBUM_ADD,    ID_LINK_ALBUM_EDIT, ID_LINK_ALBUM_COPY,
                                ID_LINK_ALBUM_REMOVE, ID_LINK_ALBUM_UP,   ID_LINK_ALBUM_DOWN};
constexpr UINT kImageLinks[] = {ID_LINK_IMAGES_ADD,     ID_LINK_IMAGES_ADD_FOLDER,  ID_LINK_IMAGES_UP,
                                ID_LINK_IMAGES_DOWN,    ID_LINK_IMAGES_ROTATE_LEFT, ID_LINK_IMAGES_ROTATE_RIGHT,
                                ID_LINK_IMAGES_COMMENT, ID_LINK_IMAGES_REMOVE};
constexpr UINT kGalleryControls[] = {ID_LINK_BUILD_TITLE, ID_LINK_BUILD_VIEW, ID_LINK_BUILD_GALLERY};

// The frame's commands, logged and kept from running (they would open their dialogs).
std::vector<UINT> commandsSeen;
WNDPROC frameProcedure = nullptr;

LRESULT CALLBACK loggingFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) >= ID_LINK_FIRST && LOWORD(wParam) <= ID_LINK_LAST) {
        commandsSeen.push_back(LOWORD(wParam));
        return 0;
    }
    return CallWindowProcW(frameProcedure, window, message, wParam, lParam);
}

class TaskPaneScenario : public Scenario {
protected:
    HWND dialog(int group)
    {
        return reinterpret_cast<HWND>(SendMessageW(frame().taskPane(), SIDEFOLD_BAR_DIALOG_ID, group, 0));
    }
    // A library control's height at a width: a link with its 16-pixel icon is at least 16 high.
    static int heightAt(HWND control, int width)
    {
        int size[2] = {0, 0};
        SendMessageA(control, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(size), width);
        return size[1];
    }
    // What a tooltip of the control is told to show.
    static std::string tooltipText(HWND control, UINT tooltipMessage)
    {
        HWND tooltip = reinterpret_cast<HWND>(SendMessageA(control, tooltipMessage, 0, 0));
        NMTTDISPINFOA request{};
        request.hdr = {tooltip, 1, TTN_GETDISPINFOA};
        request.lpszText = request.szText;
        SendMessageA(control, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&request));
        return request.lpszText ? request.lpszText : "";
    }
};

}  // namespace

TEST_F(TaskPaneScenario, ThreeGroupsInOrderWithTheirTitlesOpenAndEveryLinkWithItsImage)
{
    HWND pane = frame().taskPane();
    ASSERT_TRUE(IsWindow(pane));
    EXPECT_EQ(GetParent(pane), frame().taskPaneBar());
    const std::vector<int> ids = taskPaneGroups();
    EXPECT_EQ(ids, (std::vector<int>{IDD_TASK_ALBUMS, IDD_TASK_IMAGES, IDD_TASK_GALLERY}));
    const char* titles[] = {"Albums management", "Images management", "Web Gallery management"};
    for (int i = 0; i < 3; ++i) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(pane, SIDEFOLD_BAR_HEADER_AT, i, 0));
        char text[64] = {};
        GetWindowTextA(header, text, sizeof(text));
        EXPECT_STREQ(text, titles[i]);
        // Added open; a group added while another opens waits for that animation to end.
        EXPECT_TRUE(pumpUntil([&] { return SendMessageA(header, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) == 1; }))
            << titles[i];
    }
    for (UINT id : kAlbumLinks) EXPECT_GE(heightAt(taskPaneControl(id), 200), 16) << id;
    for (UINT id : kImageLinks) EXPECT_GE(heightAt(taskPaneControl(id), 200), 16) << id;
    EXPECT_GE(heightAt(taskPaneControl(ID_LINK_BUILD_TITLE), 200), 16);
    EXPECT_GE(heightAt(taskPaneControl(ID_LINK_BUILD_VIEW), 200), 16);
}

TEST_F(TaskPaneScenario, EveryLinkAndTheButtonReachTheFrameAsTheirOwnCommand)
{
    commandsSeen.clear();
    frameProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&loggingFrame)));
    std::vector<UINT> clicked;
    for (UINT id : kAlbumLinks) clicked.push_back(id);
    for (UINT id : kImageLinks) clicked.push_back(id);
    for (UINT id : kGalleryControls) clicked.push_back(id);
    for (UINT id : clicked) taskLink(id);
    SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(frameProcedure));
    EXPECT_EQ(commandsSeen, clicked);
}

TEST_F(TaskPaneScenario, ALinkRunsTheSameOperationAsItsMenuItem)
{
    makeAlbums({"One", "Two", "Three"}, 1);
    doc().selectAlbum(2);
    taskLink(ID_LINK_ALBUM_UP);
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"One", "Three", "Two"}));
    menu(ID_ALBUM_UP);
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"Three", "One", "Two"}));
    taskLink(ID_LINK_ALBUM_DOWN);
    EXPECT_EQ(albumTitles(), (std::vector<std::string>{"One", "Three", "Two"}));
}

TEST_F(TaskPaneScenario, TooltipsNameTheGroupOfTheLinkOrHeader)
{
    EXPECT_EQ(tooltipText(taskPaneControl(ID_LINK_ALBUM_EDIT), SIDEFOLD_LINK_GET_TOOLTIP), "Albums Management");
    EXPECT_EQ(tooltipText(taskPaneControl(ID_LINK_IMAGES_COMMENT), SIDEFOLD_LINK_GET_TOOLTIP), "Images Management");
    EXPECT_EQ(tooltipText(taskPaneControl(ID_LINK_BUILD_VIEW), SIDEFOLD_LINK_GET_TOOLTIP), "Web Gallery Management");
    HWND header = reinterpret_cast<HWND>(SendMessageA(frame().taskPane(), SIDEFOLD_BAR_HEADER_ID, IDD_TASK_IMAGES, 0));
    EXPECT_EQ(tooltipText(header, SIDEFOLD_HEADER_GET_TOOLTIP), "Images Management");
}

TEST_F(TaskPaneScenario, ALinkMissingFromItsDialogIsSkippedAndTheOthersGetTheirImages)
{
    // A dialog of the third group without its first link.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND link = CreateWindowExA(
        0, SIDEFOLD_CLASS_LINK, "Gallery preview...",
        WS_CHILD | WS_VISIBLE | SIDEFOLD_LINK_TOOLTIP | SIDEFOLD_LINK_FOCUS_RECT | SIDEFOLD_LINK_SOUND |
            SIDEFOLD_LINK_NO_FOCUS_ON_CLICK | SIDEFOLD_LINK_BOLD | SIDEFOLD_LINK_UNDERLINE_HOT | SIDEFOLD_LINK_ELLIPSIS,
        0, 0, 200, 13, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_LINK_BUILD_VIEW)), nullptr, nullptr);
    ASSERT_TRUE(link);
    const int plain = heightAt(link, 200);
    SidefoldForwardedMessage record{parent, IDD_TASK_GALLERY, WM_INITDIALOG, 0, 0};
    EXPECT_EQ(
        SendMessageW(frameWindow(), SIDEFOLD_MSG_FORWARDED, SIDEFOLD_FORWARDED_TAG, reinterpret_cast<LPARAM>(&record)),
        1);
    EXPECT_GE(heightAt(link, 200), 16);
    EXPECT_GT(heightAt(link, 200), plain) << "the icon came";
    // Anything else is not the frame's.
    SidefoldForwardedMessage other{parent, IDD_TASK_GALLERY, WM_TIMER, 0, 0};
    EXPECT_EQ(
        SendMessageW(frameWindow(), SIDEFOLD_MSG_FORWARDED, SIDEFOLD_FORWARDED_TAG, reinterpret_cast<LPARAM>(&other)),
        0);
    EXPECT_EQ(SendMessageW(frameWindow(), SIDEFOLD_MSG_FORWARDED, 21, reinterpret_cast<LPARAM>(&record)), 0);
    DestroyWindow(parent);
}

// A message of the test's own, posted to a group's dialog while a link's dialog is up: the pane's
// thread hands it on only when it is back in its own loop, not held by the frame.
constexpr UINT kProbe = WM_APP + 9;
bool probeArrived = false;
WNDPROC probedFrame = nullptr;

LRESULT CALLBACK probingFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == SIDEFOLD_MSG_FORWARDED && lParam &&
        reinterpret_cast<const SidefoldForwardedMessage*>(lParam)->message == kProbe)
        probeArrived = true;
    return CallWindowProcW(probedFrame, window, message, wParam, lParam);
}

// Posts the probe to a group's dialog and waits (pumping) for the frame to hear of it.
bool probeComesThrough(HWND group)
{
    probeArrived = false;
    PostMessageW(group, kProbe, 0, 0);
    const DWORD start = GetTickCount();
    while (!probeArrived && GetTickCount() - start < 30000) {
        pump();
        if (!probeArrived) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return probeArrived;
}

TEST_F(TaskPaneScenario, APaneLinkThatOpensAModalDialogLeavesThePaneRunningWhileItIsUp)
{
    HWND albums = dialog(IDD_TASK_ALBUMS);
    ASSERT_TRUE(IsWindow(albums));
    probedFrame = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&probingFrame)));
    // The groups open one after the other as the pane starts, each with its animation, and the
    // pane's thread takes no posted message during one: the click waits until a probe comes
    // through first, so that only the link's dialog can keep the probe back.
    EXPECT_TRUE(probeComesThrough(albums)) << "the pane never settled";
    bool met = false, arrived = false;
    dialogs.answerNext(L"Album", [&](HWND dialog) {
        met = true;
        arrived = probeComesThrough(albums);
        clickButton(dialog, IDCANCEL);
    });
    taskLink(ID_LINK_ALBUM_ADD);
    SetWindowLongPtrW(frameWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probedFrame));
    EXPECT_TRUE(met);
    EXPECT_TRUE(arrived) << "the pane froze while the link's dialog was up";
}

// Three notches of the wheel over the pane while the album list has the focus: the system hands
// them to the album list; the program's loop gives them to the pane under the pointer.
TEST_F(TaskPaneScenario, TheWheelScrollsThePaneUnderThePointerWhateverHasTheFocus)
{
    // Short enough for the three open groups to need the pane's scroll bar; shown, so that the
    // pane is found under the pointer.
    SetWindowPos(frameWindow(), nullptr, 0, 0, 700, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(frameWindow(), SW_SHOWNOACTIVATE);
    ASSERT_EQ(taskPaneGroups().size(), 3u);
    HWND pane = frame().taskPane();
    HWND first = reinterpret_cast<HWND>(SendMessageA(pane, SIDEFOLD_BAR_HEADER_AT, 0, 0));
    auto topOfFirst = [&] {
        RECT r{};
        GetWindowRect(first, &r);
        POINT p{r.left, r.top};
        ScreenToClient(pane, &p);
        return p.y;
    };
    // The groups open one after the other as the pane starts; the last one open, the stack is
    // laid out with its scroll bar.
    HWND last = reinterpret_cast<HWND>(SendMessageA(pane, SIDEFOLD_BAR_HEADER_AT, 2, 0));
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(last, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) == 1; }));
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(pumpUntil([&] {
        return (GetWindowLongW(pane, GWL_STYLE) & WS_VSCROLL) && GetScrollInfo(pane, SB_VERT, &info) &&
               info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
    })) << "no scroll bar";
    const int top = topOfFirst();
    SetFocus(albumList());
    ASSERT_EQ(GetFocus(), albumList());

    RECT r{};
    GetWindowRect(pane, &r);
    const POINT over{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    PostMessageW(albumList(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)),
                 MAKELPARAM(over.x, over.y));
    EXPECT_TRUE(runProgramLoopUntil(frame(), [&] { return topOfFirst() < top; })) << "the pane did not scroll";
    EXPECT_EQ(GetFocus(), albumList()) << "the focus stays where it was";
}
