// Expanding and collapsing with animation, seen from the owner: the dialog of the group below
// moves once per frame by the growth of that frame (k x D / 10), by D in all; groups added while
// an animation runs wait for it and keep their order; a bar that cannot be seen changes at once.
// (The library's pause between frames is shortened for the tests.)

#include "bar_waits.h"
#include "sidefold_host.h"

#include <algorithm>
#include <memory>

namespace {

class BarAnimation : public ::testing::Test {
protected:
    // On screen: a bar that cannot be seen changes at once, and the frames drawn are read back.
    void SetUp() override
    {
        host = std::make_unique<HostWindow>(WS_POPUP | WS_CLIPCHILDREN);
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 700);
        ASSERT_TRUE(IsWindow(bar));
        ShowWindow(host->window(), SW_SHOWNOACTIVATE);
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
    }
    LRESULT add(int id, UINT templateId, DWORD style)
    {
        const SidefoldGroupDescription d = describeGroup(id, templateId, host->window(), style);
        return SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    }
    HWND dialog(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    // The tops the dialog of group `id` was moved to, in order.
    std::vector<int> movesOf(int id)
    {
        std::vector<int> tops;
        for (const Forwarded& f : host->only(WM_MOVE))
            if (f.groupId == id) tops.push_back(static_cast<short>(HIWORD(f.lParam)));
        return tops;
    }
    static std::vector<int> steps(const std::vector<int>& tops, int from)
    {
        std::vector<int> out;
        for (int top : tops) out.push_back(top - from), from = top;
        return out;
    }
    static int height(HWND window)
    {
        RECT r;
        GetWindowRect(window, &r);
        return r.bottom - r.top;
    }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
};

}  // namespace

TEST_F(BarAnimation, RollingOpenMovesTheGroupBelowInTenFramesAndShuttingInTen)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    RECT start;
    GetWindowRect(dialog(2), &start);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&start), 2);
    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, SIDEFOLD_ANIMATE_ROLL), 1);
    const int d = height(dialog(1));
    std::vector<int> expected;
    for (int k = 1; k <= 10; ++k) expected.push_back(k * d / 10 - (k - 1) * d / 10);
    EXPECT_EQ(steps(movesOf(2), start.top), expected) << "one move per frame, D = " << d;
    EXPECT_TRUE(shown(dialog(1)));

    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, SIDEFOLD_ANIMATE_STRETCH), 1);
    std::vector<int> back;
    for (int k = 9; k >= 1; --k) back.push_back(k * d / 10 - (k + 1) * d / 10);
    back.push_back(-(d / 10));  // the rest of the way
    EXPECT_EQ(steps(movesOf(2), start.top + d), back);
    EXPECT_FALSE(shown(dialog(1)));
}

TEST_F(BarAnimation, AHiddenBarOpensAndShutsAtOnce)
{
    ShowWindow(host->window(), SW_HIDE);
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, SIDEFOLD_ANIMATE_ROLL), 1);
    EXPECT_EQ(movesOf(2).size(), 1u) << "the group below moved in one step";
    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, SIDEFOLD_ANIMATE_STRETCH), 1);
    EXPECT_EQ(movesOf(2).size(), 1u);
    EXPECT_FALSE(shown(dialog(1)));
}

TEST_F(BarAnimation, GroupsAddedWhileAnAnimationRunsComeAfterItInTheirOrder)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    bool added = false;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_MOVE && r.groupId == 2 && !added) {
            added = true;
            EXPECT_EQ(add(3, IDD_GROUP_SINGLE, 0), 1) << "queued, answered at once";
            EXPECT_EQ(add(4, IDD_GROUP_SINGLE, 0), 1);
            EXPECT_EQ(groupIds(bar), (std::vector<int>{1, 2})) << "not before the animation ends";
        }
        return 0;
    };
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, SIDEFOLD_ANIMATE_ROLL), 1);
    ASSERT_TRUE(added);
    EXPECT_TRUE(pumpUntil([&] { return groupIds(bar).size() == 4; }));
    EXPECT_EQ(groupIds(bar), (std::vector<int>{1, 2, 3, 4}));
}

namespace {

// The rows of a part of a window as they are on screen, each row its pixels.
std::vector<std::vector<uint32_t>> rowsOnScreen(HWND window, const RECT& part)
{
    std::vector<std::vector<uint32_t>> rows;
    const int w = part.right - part.left, h = part.bottom - part.top;
    if (w <= 0 || h <= 0) return rows;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, part.left, part.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (int y = 0; p && y < h; ++y) {
        rows.emplace_back(p + static_cast<size_t>(y) * static_cast<size_t>(w),
                          p + static_cast<size_t>(y + 1) * static_cast<size_t>(w));
        for (uint32_t& c : rows.back()) c &= 0xFFFFFF;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
    return rows;
}

// The distinct colours of a part of a window as it is on screen.
std::vector<uint32_t> coloursOnScreen(HWND window, const RECT& part)
{
    std::vector<uint32_t> seen;
    for (const std::vector<uint32_t>& row : rowsOnScreen(window, part))
        for (uint32_t c : row)
            if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    return seen;
}

}  // namespace

TEST_F(BarAnimation, TheFramesOfAClosingGroupShowItsControls)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    RECT place;
    GetWindowRect(dialog(1), &place);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&place), 2);
    ASSERT_TRUE(painted(bar)) << "the groups added";

    // Half-way (the fifth move of the group below), the frame shown is the dialog squeezed to six
    // tenths and faded over the pane: its controls must be in it, not just the task-list colour
    // (the frame's borders left out).
    const int d = place.bottom - place.top;
    int moves = 0;
    std::vector<uint32_t> midway;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_MOVE && r.groupId == 2 && ++moves == 5)
            midway = coloursOnScreen(bar, {place.left + 2, place.top, place.right - 2, place.top + 6 * d / 10 - 2});
        return 0;
    };
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, SIDEFOLD_ANIMATE_STRETCH), 1);
    ASSERT_EQ(moves, 10);
    EXPECT_GE(midway.size(), 2u) << "the task list and the controls, blended over the pane";
}

// The frames stay on screen until the next one: the painting of what the moving groups uncover
// comes before a frame is drawn, never over it.
TEST_F(BarAnimation, TheFirstFrameOfAClosingGroupIsNotWipedToThePane)
{
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    RECT place;
    GetWindowRect(dialog(1), &place);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&place), 2);
    RECT client;
    GetClientRect(bar, &client);
    ASSERT_TRUE(painted(bar)) << "the groups added";
    // The bare pane: below the last group.
    RECT last;
    GetWindowRect(dialog(2), &last);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&last), 2);
    ASSERT_LT(last.bottom + 20, client.bottom);
    const std::vector<uint32_t> pane =
        coloursOnScreen(bar, {place.left, last.bottom + 10, place.right, client.bottom - 2});

    // At the second move the first frame (nine tenths high) has been drawn and the pane under
    // the first move painted: the frame must still show more than the pane.
    const int d = place.bottom - place.top;
    int moves = 0;
    std::vector<uint32_t> firstFrame;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_MOVE && r.groupId == 2 && ++moves == 2)
            firstFrame = coloursOnScreen(bar, {place.left + 2, place.top, place.right - 2, place.top + 9 * d / 10 - 2});
        return 0;
    };
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, SIDEFOLD_ANIMATE_STRETCH), 1);
    ASSERT_EQ(moves, 10);
    int notPane = 0;
    for (uint32_t c : firstFrame)
        if (std::find(pane.begin(), pane.end(), c) == pane.end()) ++notPane;
    EXPECT_GE(notPane, 1) << "the first frame was painted over with the pane";
    EXPECT_FALSE(shown(dialog(1))) << "hidden after the frames";
}

TEST_F(BarAnimation, RollingFramesShowTheDialogWholeWhenAStepIsLargerThanTheGap)
{
    ASSERT_EQ(add(1, IDD_GROUP_TALL, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    RECT headerTwo;
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 2, 0)), &headerTwo);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&headerTwo), 2);
    ASSERT_TRUE(painted(bar)) << "the groups added";

    // Each move comes after the frame before it was drawn: the rows shown so far, kept per move.
    int moves = 0, top = 0, left = 0, right = 0;
    std::vector<std::vector<std::vector<uint32_t>>> shownAtMove;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_MOVE && r.groupId == 1 && !moves) {
            RECT p;
            GetWindowRect(dialog(1), &p);
            MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&p), 2);
            top = p.top, left = p.left, right = p.right;
        }
        if (r.message == WM_MOVE && r.groupId == 2) {
            ++moves;
            RECT client;
            GetClientRect(bar, &client);
            shownAtMove.push_back(rowsOnScreen(bar, {left + 2, top, right - 2, client.bottom}));
        }
        return 0;
    };
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, SIDEFOLD_ANIMATE_ROLL), 1);
    ASSERT_EQ(moves, 10);
    ASSERT_TRUE(painted(bar)) << "the group opened";
    RECT place;
    GetWindowRect(dialog(1), &place);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&place), 2);
    const int d = place.bottom - place.top;
    ASSERT_EQ(place.top, top);
    ASSERT_GT(d / 10, headerTwo.top - place.top) << "a step larger than the gap";
    const auto open = rowsOnScreen(bar, {place.left + 2, place.top, place.right - 2, place.bottom});
    // Before move k + 1, frame k shows the bottom h(k) rows of the open dialog at the top.
    for (int k = 1; k < 10; ++k) {
        const int h = k * d / 10;
        const auto& seen = shownAtMove[static_cast<size_t>(k)];
        int wrong = 0;
        for (int y = 0; y < h && y < static_cast<int>(seen.size()); ++y)
            if (seen[static_cast<size_t>(y)] != open[static_cast<size_t>(d - h + y)]) ++wrong;
        EXPECT_LE(wrong, 1) << "frame " << k << " of " << h << " rows";
    }
}

namespace {

// The pane as the bar prints it (its background, without the groups), row by row.
std::vector<std::vector<uint32_t>> printedPane(HWND bar, const RECT& part)
{
    RECT client;
    GetClientRect(bar, &client);
    std::vector<std::vector<uint32_t>> rows;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (int y = part.top; p && y < part.bottom; ++y) {
        const uint32_t* row = p + static_cast<size_t>(y) * static_cast<size_t>(client.right);
        rows.emplace_back(row + part.left, row + part.right);
        for (uint32_t& c : rows.back()) c &= 0xFFFFFF;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return rows;
}

}  // namespace

// While a group opens, the header below moves down each frame: what it leaves behind is the pane
// again by the time the next frame shows, so that the header is never seen twice.
TEST_F(BarAnimation, TheHeaderBelowAnOpeningGroupIsSeenOnceInEachFrame)
{
    for (DWORD mode : {SIDEFOLD_ANIMATE_ROLL, SIDEFOLD_ANIMATE_STRETCH}) {
        ASSERT_EQ(add(1, IDD_GROUP_LINKS, 0), 1);
        ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
        RECT one, two;
        GetWindowRect(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 1, 0)), &one);
        GetWindowRect(reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 2, 0)), &two);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&one), 2);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&two), 2);
        RECT client;
        GetClientRect(bar, &client);
        const RECT columns{two.left + 2, 0, two.right - 2, client.bottom};
        const auto pane = printedPane(bar, columns);
        ASSERT_TRUE(painted(bar)) << "the groups added (mode " << mode << ")";
        const int top = one.bottom, gap = two.top - one.bottom;
        ASSERT_GT(gap, 2);

        // At the k-th move of the group below, frame k - 1 is on screen with the header just
        // below it: the rows between the frame and the header (the gap) are the pane.
        int moves = 0, d = 0, badFrames = 0;
        host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
            if (r.message == WM_MOVE && r.groupId == 1 && !d) {
                RECT p;
                GetWindowRect(dialog(1), &p);
                d = p.bottom - p.top;
            }
            if (r.message != WM_MOVE || r.groupId != 2 || ++moves < 2 || !d) return 0;
            const int shown = (moves - 1) * d / 10;
            const auto seen = rowsOnScreen(bar, {columns.left, top + shown, columns.right, top + shown + gap - 1});
            int wrong = 0;
            for (size_t y = 0; y < seen.size(); ++y)
                if (seen[y] != pane[static_cast<size_t>(top + shown) + y]) ++wrong;
            if (wrong > 1) ++badFrames;
            return 0;
        };
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, mode), 1);
        host->onForwarded = nullptr;
        ASSERT_EQ(moves, 10);
        EXPECT_EQ(badFrames, 0) << "the header below left a copy behind (mode " << mode << ")";
        SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 2, 0);
        SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0);
    }
}

// A group that starts inside the page and ends below it is scrolled up just enough to end at the
// page's bottom, whenever the message comes: the bar idle, a frame of an animation under way (the
// message waits for it), or the animation just over with its own layout work still queued.
TEST_F(BarAnimation, MakingAGroupVisibleScrollsToTheSamePlaceWhateverTheBarIsDoing)
{
    const int page = 300;
    SetWindowPos(bar, nullptr, 0, 0, 240, page, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(add(1, IDD_GROUP_LINKS, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_EQ(add(2, IDD_GROUP_LINKS, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_EQ(add(3, IDD_GROUP_LINKS, SIDEFOLD_HEADER_EXPANDED), 1);
    ASSERT_TRUE(settle(bar)) << "the groups added";
    HWND header2 = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 2, 0));
    auto top = [&](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };

    // Round 0 sends the message with nothing under way, rounds k = 1..10 at the k-th frame of
    // group 2's opening, round 11 as soon as the opening is over.
    for (int round = 0; round < 24; ++round) {
        const int when = round % 12;
        SendMessageA(bar, WM_VSCROLL, SB_TOP, 0);
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 2, 0), 1);
        ASSERT_TRUE(settle(bar)) << "round " << round << ": group 2 collapsed";
        ASSERT_EQ(GetScrollPos(bar, SB_VERT), 0);
        int moves = 0;
        LRESULT queued = -1;
        host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
            if (r.message == WM_MOVE && r.groupId == 3 && ++moves == when)
                queued = SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 2, 0);
            return 0;
        };
        const DWORD mode = round < 12 ? SIDEFOLD_ANIMATE_ROLL : SIDEFOLD_ANIMATE_STRETCH;
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 2, when == 0 ? 0 : mode), 1);
        host->onForwarded = nullptr;
        if (when == 0) {
            ASSERT_TRUE(settle(bar)) << "round " << round << ": group 2 expanded";
        }
        if (when == 0 || when == 11) {
            ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 2, 0), 1);
        } else {
            EXPECT_EQ(queued, 1) << "round " << round << ": the message waited for the frames";
        }
        ASSERT_TRUE(settle(bar)) << "round " << round << ": group 2 made visible";

        const int position = GetScrollPos(bar, SB_VERT);
        const int t = top(header2).top + position;
        const int h = top(dialog(2)).bottom + position - t;
        ASSERT_LT(t, page);
        ASSERT_GT(t + h, page);
        ASSERT_LE(h, page);
        EXPECT_EQ(position, std::min(t, t + h - page)) << "round " << round << ": top " << t << ", height " << h;
        EXPECT_EQ(top(dialog(2)).bottom, page) << "round " << round;
    }
}
