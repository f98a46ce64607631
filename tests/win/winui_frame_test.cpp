// The frame's command route and update queries, and the splitter, by their messages.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_log.h"
#include "winui/frame_window.h"
#include "winui/splitter.h"

namespace {

constexpr UINT kViewOnly = 100, kDocumentOnly = 101, kFrameOnly = 102, kAppOnly = 103, kEverybody = 104;
constexpr UINT kNobody = 105, kFrameDisables = 106, kAppDisables = 107;

// A target that takes the commands it is given and logs every one it is asked about.
class Target : public winui::IView {
public:
    Target(std::string name, std::vector<std::string>& log, std::vector<UINT> takes, HWND window = nullptr)
        : name_(std::move(name)), log_(log), takes_(std::move(takes)), window_(window)
    {
    }
    UINT disables = 0;

    HWND hwnd() const override { return window_; }
    bool onCommand(UINT id, UINT) override
    {
        log_.push_back(name_ + " " + std::to_string(id));
        for (UINT t : takes_)
            if (t == id) return true;
        return false;
    }
    bool onUpdateCommand(winui::CCommandState& state) override
    {
        if (state.id() != disables) return false;
        state.enable(false);
        return true;
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
    std::vector<UINT> takes_;
    HWND window_;
};

class Frame : public winui::CFrameWindow {
public:
    std::vector<std::string>* log = nullptr;

    bool create()
    {
        return createWindow(winui::WindowArgs{.className = L"FotoloomTestFrame",
                                              .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                              .width = 400,
                                              .height = 300});
    }

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map = winui::MessageMap<Frame>()
                                    .command(kFrameOnly, &Frame::onFrameCommand)
                                    .command(kEverybody, &Frame::onFrameCommand)
                                    .update(kFrameDisables, &Frame::onDisable);
        return &map;
    }

private:
    void onFrameCommand() { log->push_back("frame"); }
    void onDisable(winui::CCommandState& state) { state.enable(false); }
};

class FrameRoute : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame.log = &log;
        ASSERT_TRUE(frame.create());
        edits[0] = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame.hwnd(), nullptr, nullptr,
                                   nullptr);
        edits[1] = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 60, 0, 50, 20, frame.hwnd(), nullptr,
                                   nullptr, nullptr);
    }

    std::vector<std::string> log;
    Frame frame;
    HWND edits[2] = {};
};

TEST_F(FrameRoute, CommandGoesToViewDocumentFrameApplicationAndStopsAtTheFirstTaker)
{
    Target view("view", log, {kViewOnly, kEverybody}, edits[0]);
    Target document("doc", log, {kDocumentOnly, kEverybody});
    Target application("app", log, {kAppOnly, kEverybody});
    frame.addView(&view);
    frame.setActiveView(&view);
    frame.setRoute(&document, &application);

    EXPECT_TRUE(frame.routeCommand(kEverybody));
    EXPECT_EQ(log, (std::vector<std::string>{"view 104"}));
    log.clear();
    EXPECT_TRUE(frame.routeCommand(kAppOnly));
    EXPECT_EQ(log, (std::vector<std::string>{"view 103", "doc 103", "app 103"}));
    log.clear();
    // A menu click arrives as WM_COMMAND and takes the same route.
    SendMessageW(frame.hwnd(), WM_COMMAND, MAKEWPARAM(kFrameOnly, 0), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"view 102", "doc 102", "frame"}));
    log.clear();
    EXPECT_FALSE(frame.routeCommand(kNobody));
}

TEST_F(FrameRoute, ActiveViewFollowsTheFocus)
{
    Target left("left", log, {}, edits[0]);
    Target right("right", log, {}, edits[1]);
    frame.addView(&left);
    frame.addView(&right);
    frame.setActiveView(&right);
    EXPECT_EQ(frame.activeView(), &right);
    SetFocus(edits[0]);
    EXPECT_EQ(frame.activeView(), &left);
    frame.routeCommand(kNobody);
    EXPECT_EQ(log.front(), "left 105");
    // Focus elsewhere: the view that had it last stays active.
    SetFocus(frame.hwnd());
    SetFocus(nullptr);
    EXPECT_EQ(frame.activeView(), &left);
}

TEST_F(FrameRoute, MenuItemsAreGreyedByTheUpdateRouteBeforeTheMenuOpens)
{
    Target application("app", log, {});
    application.disables = kAppDisables;
    frame.setRoute(nullptr, &application);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kFrameDisables, L"one");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kNobody, L"two");
    AppendMenuW(menu, MF_STRING, kAppDisables, L"three");
    SendMessageW(frame.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(GetMenuState(menu, kFrameDisables, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, kNobody, MF_BYCOMMAND) & MF_GRAYED);  // nobody objects: enabled
    EXPECT_TRUE(GetMenuState(menu, kAppDisables, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    EXPECT_FALSE(frame.queryCommand(kFrameDisables).enabled());
    EXPECT_TRUE(frame.queryCommand(kNobody).enabled());
}

class SplitterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent =
            CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(splitter.create(parent, 0xE900, 180));
        MoveWindow(splitter.hwnd(), 0, 0, 400, 200, TRUE);
        for (HWND& pane : panes)
            pane = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, splitter.hwnd(), nullptr,
                                   nullptr, nullptr);
        splitter.setPanes(panes[0], panes[1]);
    }
    void TearDown() override { DestroyWindow(parent); }

    static RECT paneRect(HWND pane)
    {
        RECT r{};
        GetWindowRect(pane, &r);
        MapWindowPoints(nullptr, GetParent(pane), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    HWND parent = nullptr;
    winui::CSplitter splitter;
    HWND panes[2] = {};
};

TEST_F(SplitterTest, PanesSitEitherSideOfTheBar)
{
    EXPECT_EQ(paneRect(panes[0]).right, 180);
    EXPECT_EQ(paneRect(panes[1]).left, 180 + winui::CSplitter::kBarWidth);
    EXPECT_EQ(paneRect(panes[1]).right, 400);
    EXPECT_EQ(paneRect(panes[0]).bottom, 200);
}

TEST_F(SplitterTest, DraggingTheBarResizesBothPanesAndStopsAtTheEdge)
{
    MessageLog log;
    log.watch(panes[0], false, {WM_SIZE});
    log.watch(panes[1], false, {WM_SIZE});
    const LPARAM barPoint = MAKELPARAM(182, 50);
    SendMessageW(splitter.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, barPoint);
    EXPECT_EQ(GetCapture(), splitter.hwnd());
    log.flush();
    SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(252, 50));
    static const ExpectedMessage moved[] = {
        {WM_SIZE, kLParam, 0, MAKELPARAM(250, 200)},
        {WM_SIZE, kLParam, 0, MAKELPARAM(400 - 250 - winui::CSplitter::kBarWidth, 200)},
        {0, 0, 0, 0},
    };
    EXPECT_TRUE(log.matches(moved, "drag to 250"));
    SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1000, 50));
    EXPECT_EQ(splitter.firstPaneWidth(), 400 - winui::CSplitter::kBarWidth);
    SendMessageW(splitter.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(1000, 50));
    EXPECT_NE(GetCapture(), splitter.hwnd());
    // Without the button held the bar stays where it is.
    log.flush();
    SendMessageW(splitter.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    EXPECT_TRUE(log.log().empty());
}

TEST_F(SplitterTest, FocusMovesToTheOtherPaneEitherWay)
{
    SetFocus(panes[1]);
    splitter.focusNextPane(false);
    EXPECT_EQ(GetFocus(), panes[0]);
    splitter.focusNextPane(true);
    EXPECT_EQ(GetFocus(), panes[1]);
    SetFocus(parent);
    splitter.focusNextPane(true);
    EXPECT_EQ(GetFocus(), panes[1]);
}

}  // namespace
