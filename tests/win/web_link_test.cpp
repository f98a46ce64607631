// The hyperlink control on a plain parent window: its size follows its text by the static's
// alignment, its colour follows the pointer and the visited mark, a click opens its address,
// and an address the shell cannot open goes to the .htm browser as one argument.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "controls/hyperlink.h"
#include "controls/web_link.h"
#include "fake_seam.h"
#include "paint_probe.h"
#include "winui/text.h"

namespace {

class LinkParent {
public:
    LinkParent()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &LinkParent::parentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FotoloomLinkTestParent";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, wc.hInstance,
                                 nullptr);
    }
    ~LinkParent() { DestroyWindow(window); }
    HWND addStatic(const wchar_t* text, DWORD style, RECT r = {10, 10, 310, 50})
    {
        HWND control =
            CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, window, reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return control;
    }
    HWND window = nullptr;

private:
    // A plain window that offers its children's messages to them first, as the program's windows do.
    static LRESULT CALLBACK parentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        LRESULT answer = 0;
        if (winui::offerToChild(hwnd, msg, wParam, lParam, answer)) return answer;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

RECT placeOf(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE textSize(HWND control)
{
    const std::wstring text = winui::windowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

COLORREF drawnColour(HWND parent, HWND control)
{
    PaintProbe probe(4, 4);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(probe.dc()), reinterpret_cast<LPARAM>(control)));
    EXPECT_EQ(brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(probe.dc()), TRANSPARENT);
    return GetTextColor(probe.dc());
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

TEST(WebLink, TheControlShrinksToItsTextByTheStaticsAlignment)
{
    LinkParent parent;
    struct Case {
        DWORD style;
        const char* name;
    };
    for (const Case c : {Case{SS_LEFT, "left"}, Case{SS_RIGHT, "right"}, Case{SS_CENTER, "centre"},
                         Case{SS_LEFT | SS_CENTERIMAGE, "centre image"}}) {
        HWND control = parent.addStatic(L"Visit the site", c.style);
        CWebLink link;
        ASSERT_TRUE(link.attach(control));
        const SIZE text = textSize(control);
        const RECT r = placeOf(control);
        EXPECT_EQ(r.right - r.left, text.cx) << c.name;
        EXPECT_EQ(r.bottom - r.top, text.cy) << c.name;
        const LONG top = (c.style & SS_CENTERIMAGE) ? 10 + (40 - text.cy) / 2 : 10;
        EXPECT_EQ(r.top, top) << c.name;
        const LONG left = c.style == SS_RIGHT ? 310 - text.cx : c.style == SS_CENTER ? 10 + (300 - text.cx) / 2 : 10;
        EXPECT_EQ(r.left, left) << c.name;
        DestroyWindow(control);
    }

    HWND kept = parent.addStatic(L"Visit the site", SS_LEFT);
    CWebLink unadjusted;
    unadjusted.setAdjustToSize(false);
    ASSERT_TRUE(unadjusted.attach(kept));
    const RECT r = placeOf(kept);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 40);
}

TEST(WebLink, AnEmptyTextShowsTheAddressAndTheTooltipFollowsIt)
{
    LinkParent parent;
    HWND control = parent.addStatic(L"", SS_LEFT);
    CWebLink link;
    link.setUrl(L"https://fotoloom.example/");
    ASSERT_TRUE(link.attach(control));
    EXPECT_EQ(winui::windowText(control), L"https://fotoloom.example/");
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_NE(link.cursor(), nullptr);

    link.setUrl(L"https://fotoloom.example/news");
    wchar_t tip[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control;
    tool.uId = 1;
    tool.lpszText = tip;
    SendMessageW(link.tooltip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, L"https://fotoloom.example/news");

    HWND named = parent.addStatic(L"the makers", SS_LEFT);
    CWebLink byText;
    ASSERT_TRUE(byText.attach(named));
    EXPECT_EQ(byText.url(), L"the makers");  // no address: the text is opened
}

TEST(WebLink, TheColourFollowsThePointerAndTheVisitedMark)
{
    LinkParent parent;
    HWND control = parent.addStatic(L"link", SS_LEFT);
    CWebLink link;
    ASSERT_TRUE(link.attach(control));
    EXPECT_EQ(drawnColour(parent.window, control), RGB(0, 0, 238));
    link.setVisited(true);
    EXPECT_EQ(drawnColour(parent.window, control), RGB(85, 26, 139));

    SendMessageW(control, WM_MOUSEMOVE, 0, at(2, 2));
    EXPECT_TRUE(link.pointerOver());
    EXPECT_EQ(GetCapture(), control);
    EXPECT_EQ(drawnColour(parent.window, control), RGB(255, 92, 0));
    SendMessageW(control, WM_MOUSEMOVE, 0, at(3, 3));
    EXPECT_EQ(GetCapture(), control) << "still over the link";
    SendMessageW(control, WM_MOUSEMOVE, 0, at(-5, 300));
    EXPECT_FALSE(link.pointerOver());
    EXPECT_NE(GetCapture(), control);
    EXPECT_EQ(drawnColour(parent.window, control), RGB(85, 26, 139));

    link.setColours(RGB(1, 1, 1), RGB(2, 2, 2), CWebLink::kSystemHighlight);
    SendMessageW(control, WM_MOUSEMOVE, 0, at(2, 2));
    EXPECT_EQ(drawnColour(parent.window, control), GetSysColor(COLOR_HIGHLIGHT));
    ReleaseCapture();
}

TEST(WebLink, AClickOpensTheAddressAndMarksItVisitedAFailureIsToldAndUnmarks)
{
    LinkParent parent;
    HWND control = parent.addStatic(L"the site", SS_LEFT);
    CWebLink link;
    link.setUrl(L"https://fotoloom.example/");
    ASSERT_TRUE(link.attach(control));
    FakeSeam seam;
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at(1, 1));
    ASSERT_EQ(seam.executed.size(), 1u);
    EXPECT_EQ(seam.executed[0].first, L"https://fotoloom.example/");
    EXPECT_EQ(seam.executed[0].second, SW_SHOW);
    EXPECT_TRUE(link.visited());
    EXPECT_TRUE(seam.boxes.empty());

    // The shell refuses, and so does any .htm browser of the prefix.
    seam.shellResults = {5};
    seam.startResults = {ERROR_FILE_NOT_FOUND};
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at(1, 1));
    EXPECT_FALSE(link.visited());
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].caption, L"Builder");
    EXPECT_EQ(seam.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    const std::wstring expected =
        L"Unable to open hyperlink:\n\n" + hyperlinkErrorText(seam.started.empty() ? 5 : ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(seam.boxes[0].text, expected);
}

TEST(Hyperlink, ErrorTextsKeepTheirWordingAndUnknownCodesAreNamed)
{
    EXPECT_EQ(hyperlinkErrorText(26), L"A sharing violation occurred. ");
    EXPECT_EQ(hyperlinkErrorText(4), L"Unknown Error (4) occurred.");
    EXPECT_EQ(hyperlinkErrorText(0), L"The operating system is out\nof memory or resources.");
    EXPECT_EQ(hyperlinkErrorText(31), L"There is no application associated\nwith the given filename extension.");
    EXPECT_EQ(hyperlinkErrorText(1155), L"Unknown Error (1155) occurred.");
}

// The registered browser gets the address as one argument, however it is written.
std::vector<std::wstring> arguments(const std::wstring& commandLine)
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
    std::vector<std::wstring> list(argv, argv + count);
    LocalFree(argv);
    return list;
}

TEST(Hyperlink, TheFallbackBrowserGetsTheAddressAsOneArgument)
{
    const std::wstring awkward = L"https://example.org/a b/\"quoted\" \\\\x\\";
    const std::wstring quotedPercent = browserCommandLine(L"\"C:\\My Browser\\b.exe\" -osint -url \"%1\"", awkward);
    EXPECT_EQ(arguments(quotedPercent),
              (std::vector<std::wstring>{L"C:\\My Browser\\b.exe", L"-osint", L"-url", awkward}));
    EXPECT_EQ(arguments(browserCommandLine(L"C:\\b.exe %1 --new-tab", awkward)),
              (std::vector<std::wstring>{L"C:\\b.exe", awkward}));
    EXPECT_EQ(arguments(browserCommandLine(L"\"C:\\b.exe\" --new", awkward)),
              (std::vector<std::wstring>{L"C:\\b.exe", L"--new", awkward}));
    EXPECT_EQ(quoteArgument(L"plain"), L"\"plain\"");
}

void setDefault(HKEY root, const wchar_t* key, const std::wstring& value)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr), ERROR_SUCCESS);
    RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

TEST(Hyperlink, AnAddressTheShellCannotOpenGoesToTheHtmBrowser)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FotoloomTests");  // left by an earlier run that failed
    HKEY classes = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\FotoloomTests\\Links", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &classes, nullptr),
              ERROR_SUCCESS);
    FakeSeam seam;
    seam.shellResults = {31, 31, 31};
    EXPECT_FALSE(openHyperlink(nullptr, L"https://x.example/", SW_SHOW, classes).opened);  // no .htm at all
    EXPECT_TRUE(seam.started.empty());

    const wchar_t type[] = L"TestBrowser.htm";
    const wchar_t command[] = L"\"C:\\Browsers\\My Browser\\browse.exe\" -url \"%1\"";
    setDefault(classes, L".htm", type);
    setDefault(classes, L"TestBrowser.htm\\shell\\open\\command", command);
    const std::wstring url = L"https://x.example/a b?q=\"1\"";
    const HyperlinkResult opened = openHyperlink(nullptr, url, SW_SHOW, classes);
    EXPECT_TRUE(opened.opened);
    ASSERT_EQ(seam.started.size(), 1u);
    EXPECT_EQ(arguments(seam.started[0]),
              (std::vector<std::wstring>{L"C:\\Browsers\\My Browser\\browse.exe", L"-url", url}));

    seam.startResults = {ERROR_PATH_NOT_FOUND};
    const HyperlinkResult failed = openHyperlink(nullptr, url, SW_SHOW, classes);
    EXPECT_FALSE(failed.opened);
    EXPECT_EQ(failed.code, 3);
    RegCloseKey(classes);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FotoloomTests");
}

}  // namespace
