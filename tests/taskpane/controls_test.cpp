// The group header and the task link as the user meets them: clicks that count and clicks that
// do not, a header click expanding and collapsing its group, and their faces painted in pixels.

#include "sidefold_host.h"

#include <memory>

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 500);
        ASSERT_TRUE(IsWindow(bar));
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
    HWND header(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }
    HWND dialog(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    std::vector<WPARAM> commands()
    {
        std::vector<WPARAM> out;
        for (const Forwarded& f : host->only(WM_COMMAND)) out.push_back(f.wParam);
        return out;
    }
    static void press(HWND window, int x, int y) { SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    static void release(HWND window, int x, int y) { SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    static void moveTo(HWND window, int x, int y)
    {
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }

    // The colour at (x, y) of the window painted into a memory bitmap.
    static COLORREF paintedAt(HWND window, int x, int y)
    {
        RECT r;
        GetClientRect(window, &r);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return c;
    }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
};

}  // namespace

TEST_F(Controls, ALinkClicksOnlyWhenReleasedInsideAfterAPressInside)
{
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    HWND link = GetDlgItem(dialog(1), IDC_SINGLE_LINK);
    host->log.clear();
    press(link, 3, 3);
    moveTo(link, -50, -50);
    release(link, -50, -50);
    EXPECT_TRUE(commands().empty()) << "released outside";
    release(link, 3, 3);
    EXPECT_TRUE(commands().empty()) << "a release without a press";

    press(link, 3, 3);
    release(link, 3, 3);
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0], MAKEWPARAM(IDC_SINGLE_LINK, 0));

    // Inert links (the bar's switch) ignore the mouse.
    SendMessageA(bar, SIDEFOLD_BAR_INTERACTIVE, 0, 0);
    press(link, 3, 3);
    release(link, 3, 3);
    EXPECT_EQ(commands().size(), 1u);
    SendMessageA(bar, SIDEFOLD_BAR_INTERACTIVE, 1, 0);
    // Space pressed and released counts as a click too.
    SendMessageA(link, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(link, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(commands().size(), 2u);
}

TEST_F(Controls, AHeaderClickCollapsesAndExpandsItsGroupButNotWhenReleasedOutside)
{
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_EXPANDED), 1);
    HWND h = header(1);
    ASSERT_TRUE(shown(dialog(1)));
    press(h, 5, 5);
    moveTo(h, 5, 500);
    release(h, 5, 500);
    EXPECT_TRUE(shown(dialog(1)));
    EXPECT_EQ(SendMessageA(h, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 1);

    press(h, 5, 5);
    release(h, 5, 5);
    EXPECT_EQ(SendMessageA(h, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 0);
    EXPECT_TRUE(pumpUntil([&] { return !shown(dialog(1)); }));
    EXPECT_TRUE(pumpUntil([&] {
        for (const Forwarded& f : host->only(WM_NOTIFY))
            if (f.lParam == 1) return true;
        return false;
    })) << "the collapse notice";

    press(h, 5, 5);
    release(h, 5, 5);
    EXPECT_TRUE(pumpUntil([&] { return shown(dialog(1)); }));
}

TEST_F(Controls, HeadersPaintTheSystemLookFaceAndAreAsTallAsTheirGlyph)
{
    SidefoldTheme t{};
    t.size = sizeof(t);
    sidefold().fillTheme(&t, 0);
    const bool systemLook = t.systemLook != 0;
    const int glyph = t.arrowHeight;
    sidefold().releaseTheme(&t);
    if (!systemLook) GTEST_SKIP() << "the prefix has a visual style";
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, 0), 1);
    ASSERT_EQ(add(2, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_MAIN), 1);
    EXPECT_EQ(paintedAt(header(1), 1, 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(paintedAt(header(2), 1, 1), GetSysColor(COLOR_HIGHLIGHT));
    RECT r;
    GetClientRect(header(1), &r);
    EXPECT_GE(r.bottom, glyph + 2) << "the glyph and the paddings of 1";
    // The glyph (in the button-text colour) sits at the right.
    bool glyphSeen = false;
    for (int x = r.right - 4 - 18; x < r.right - 4 && !glyphSeen; ++x)
        for (int y = 1; y < r.bottom - 1 && !glyphSeen; ++y)
            glyphSeen = paintedAt(header(1), x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_TRUE(glyphSeen);
}

TEST_F(Controls, HeaderAndLinkTooltipsAnswerTheWideRequestToo)
{
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_TOOLTIP | SIDEFOLD_HEADER_EXPANDED), 1);
    host->onForwarded = [](const SidefoldForwardedMessage& r) -> LRESULT {
        // Only a tooltip's request has room for text; the group's own notices are bare headers.
        if (r.message != WM_NOTIFY) return 0;
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(r.lParam);
        const int code = static_cast<int>(request->hdr.code);
        if (code != SIDEFOLD_NOTIFY_HEADER_TOOLTIP && code != SIDEFOLD_NOTIFY_LINK_TOOLTIP) return 0;
        lstrcpynA(request->szText, code == SIDEFOLD_NOTIFY_HEADER_TOOLTIP ? "Albums" : "Add images",
                  sizeof(request->szText));
        return 1;
    };
    HWND link = GetDlgItem(dialog(1), IDC_SINGLE_LINK);
    const struct {
        HWND control;
        UINT tooltipMessage;
        const wchar_t* text;
    } cases[] = {{header(1), SIDEFOLD_HEADER_GET_TOOLTIP, L"Albums"}, {link, SIDEFOLD_LINK_GET_TOOLTIP, L"Add images"}};
    for (const auto& c : cases) {
        HWND tooltip = reinterpret_cast<HWND>(SendMessageA(c.control, c.tooltipMessage, 0, 0));
        ASSERT_TRUE(IsWindow(tooltip));
        NMTTDISPINFOW wide{};
        wide.hdr = {tooltip, 0, TTN_GETDISPINFOW};
        SendMessageA(c.control, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
        EXPECT_STREQ(wide.szText, c.text);
        EXPECT_EQ(wide.lpszText, wide.szText);
        NMTTDISPINFOA ansi{};
        ansi.hdr = {tooltip, 0, TTN_GETDISPINFOA};
        SendMessageA(c.control, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ansi));
        EXPECT_EQ(
            MultiByteToWideChar(CP_ACP, 0, ansi.szText, -1, wide.szText, 80) > 0 && !lstrcmpW(wide.szText, c.text),
            true);
    }
    // A notice from another window is not a tooltip's request.
    NMTTDISPINFOW stranger{};
    stranger.hdr = {bar, 0, TTN_GETDISPINFOW};
    SendMessageA(link, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&stranger));
    EXPECT_EQ(stranger.lpszText, nullptr);
}

TEST_F(Controls, ATooltipBelongsToItsOwnControl)
{
    // Owned by the control itself, not by the window at the top of its chain.
    ASSERT_EQ(add(1, IDD_GROUP_SINGLE, SIDEFOLD_HEADER_TOOLTIP | SIDEFOLD_HEADER_EXPANDED), 1);
    HWND link = GetDlgItem(dialog(1), IDC_SINGLE_LINK);
    HWND linkTip = reinterpret_cast<HWND>(SendMessageA(link, SIDEFOLD_LINK_GET_TOOLTIP, 0, 0));
    HWND headerTip = reinterpret_cast<HWND>(SendMessageA(header(1), SIDEFOLD_HEADER_GET_TOOLTIP, 0, 0));
    ASSERT_TRUE(IsWindow(linkTip));
    ASSERT_TRUE(IsWindow(headerTip));
    EXPECT_EQ(GetWindow(linkTip, GW_OWNER), link);
    EXPECT_EQ(GetWindow(headerTip, GW_OWNER), header(1));
    // It goes with its control.
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0), 1);
    EXPECT_FALSE(IsWindow(linkTip));
    EXPECT_FALSE(IsWindow(headerTip));
}
