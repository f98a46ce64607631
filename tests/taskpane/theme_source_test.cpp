// Ordinals 7 and 8 against fake shell style files built beside the test program (styles/*.rc
// with style sheets written for these tests: a full one, a minimal one, one missing a required
// value, one without the main block, one with keyed arrows that are not symmetric top to bottom,
// and a complete good-looking one) and against Wine's own
// style, which has none; and the bar, its headers and dialogs painted from them.

#include "bar_waits.h"
#include "sidefold_host.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

struct SavedValue {
    const char* name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::string testFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\'));
}

// A pixel of a 32-bit DIB section as stored, 0xAARRGGBB, with row 0 at the top as the bitmap is
// drawn: read through GDI, which knows the section's orientation (GetObject does not say it).
uint32_t pixel(HBITMAP bitmap, int x, int y)
{
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof(ds), &ds) != sizeof(ds) || ds.dsBm.bmBitsPixel != 32) return 0xDEADBEEF;
    const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
    std::vector<uint32_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    const int got = GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), rows.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    return got == h ? rows[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] : 0xDEADBEEF;
}

int pointsToHeight(int points)
{
    HDC dc = GetDC(nullptr);
    const int h = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return h;
}

bool sameRect(const RECT& r, LONG l, LONG t, LONG rt, LONG b)
{
    return r.left == l && r.top == t && r.right == rt && r.bottom == b;
}

class ThemeSource : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            for (SavedValue& v : saved_) {
                DWORD size = 0;
                if (RegQueryValueExA(key, v.name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) continue;
                v.data.resize(size);
                v.present = RegQueryValueExA(key, v.name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
            }
            RegCloseKey(key);
        }
        SetEnvironmentVariableA("SIDEFOLD_TEST_STYLES", (testFolder() + "\\styles").c_str());
    }
    void TearDown() override { restore(); }

    // The registry as it was before the test.
    void restore()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        for (const SavedValue& v : saved_) {
            if (v.present)
                RegSetValueExA(key, v.name, 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
            else
                RegDeleteValueA(key, v.name);
        }
        RegCloseKey(key);
    }

    // The registry names a visual style whose colour scheme folder holds one of our files.
    void useStyle(const char* scheme, const char* active = "1",
                  const char* dllName = "%SIDEFOLD_TEST_STYLES%\\Fake.msstyles")
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(active),
                       static_cast<DWORD>(std::strlen(active) + 1));
        RegSetValueExA(key, "DllName", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(dllName),
                       static_cast<DWORD>(std::strlen(dllName) + 1));
        RegSetValueExA(key, "ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>(scheme),
                       static_cast<DWORD>(std::strlen(scheme) + 1));
        RegCloseKey(key);
    }

    SidefoldTheme fill(int namesOnly = 0)
    {
        SidefoldTheme t{};
        t.size = sizeof(t);
        EXPECT_EQ(sidefold().fillTheme(&t, namesOnly), 1);
        return t;
    }

    void expectSystemLook(const SidefoldTheme& t)
    {
        EXPECT_EQ(t.systemLook, 1);
        EXPECT_EQ(t.paneBackground, GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(t.paneGradientExponent, 0);
        EXPECT_TRUE(sameRect(t.panePadding, 12, 12, 12, 12));
        EXPECT_EQ(t.linkColour, GetSysColor(COLOR_BTNTEXT));
        EXPECT_TRUE(sameRect(t.linkTitlePadding, 6, 0, 4, 0));
        EXPECT_EQ(t.mainHeaderText, GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_EQ(t.mainHeaderBorderColour, GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(t.headerBackground, nullptr);
        EXPECT_EQ(t.headerBackgroundWidth, 186);
        EXPECT_EQ(t.groupMargin, 15);
        EXPECT_EQ(t.mainWatermarkAlignment, 0x44);
        EXPECT_LT(t.headerFontHeight, 0);
        // The stock font's own face name, not the face the system drew it with.
        LOGFONTA stock{};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock);
        EXPECT_STREQ(t.headerFontFace, stock.lfFaceName);
        EXPECT_STREQ(t.mainHeaderFontFace, stock.lfFaceName);
        for (HBITMAP g : t.triangleGlyphs) EXPECT_NE(g, nullptr);
        for (HBITMAP g : t.arrowGlyphs) EXPECT_NE(g, nullptr);
        for (HBITMAP g : t.mainArrowGlyphs) EXPECT_NE(g, nullptr);
        EXPECT_EQ(t.arrowWidth, 18);
        EXPECT_EQ(t.arrowHeight, 19);
    }

private:
    SavedValue saved_[3] = {{"ThemeActive", false, 0, {}}, {"DllName", false, 0, {}}, {"ColorName", false, 0, {}}};
};

}  // namespace

TEST_F(ThemeSource, AFullStyleSheetFillsEveryValue)
{
    useStyle("full");
    SidefoldTheme t = fill();
    ASSERT_EQ(t.systemLook, 0);
    EXPECT_EQ(t.shellStyleOpened, 1);
    EXPECT_EQ(std::string(t.styleFileName), testFolder() + "\\styles\\Fake.msstyles");
    EXPECT_STREQ(t.colourSchemeName, "full");
    EXPECT_EQ(std::string(t.shellStylePath), testFolder() + "\\styles\\shell\\full\\shellstyle.dll");
    EXPECT_EQ(t.triangleGlyphs[0], nullptr);
    EXPECT_EQ(t.triangleWidth, 0);

    // Tasks: the title's colour replaces the button's; argb keeps its alpha.
    EXPECT_EQ(t.linkColour, RGB(1, 2, 3));
    EXPECT_EQ(t.linkHoverColour, 0xFFFF8E42u);
    EXPECT_TRUE(sameRect(t.linkTitlePadding, 6, 1, 4, 2));
    EXPECT_TRUE(sameRect(t.actionTaskMargin, 0, 5, 0, 0));
    EXPECT_TRUE(sameRect(t.destinationTaskMargin, 0, 6, 0, 0));
    EXPECT_EQ(t.mainLinkColour, RGB(255, 255, 255));
    EXPECT_EQ(t.mainLinkHoverColour, RGB(0xC0, 0xD0, 0xE0));
    EXPECT_TRUE(sameRect(t.mainLinkTitlePadding, 0, 0, 0, 0)) << "absent, no fallback";

    // The pane.
    EXPECT_EQ(t.paneBackground, RGB(0x7B, 0xA2, 0xE7));
    EXPECT_EQ(t.paneBackground2, RGB(0x63, 0x75, 0xD6));
    EXPECT_EQ(t.paneGradientExponent, 2);
    EXPECT_TRUE(sameRect(t.panePadding, 10, 11, 12, 13));
    EXPECT_TRUE(sameRect(t.paneBorderThickness, 1, 1, 1, 1));
    EXPECT_EQ(t.paneBorderColour, RGB(0, 0, 0x80));

    // Normal groups: fonts from string resources, the margin the largest of rect(4, 10, 6, 2).
    EXPECT_STREQ(t.headerFontFace, "Verdana");
    EXPECT_EQ(t.headerFontHeight, pointsToHeight(9));
    EXPECT_EQ(t.groupMargin, 10);
    ASSERT_NE(t.headerBackground, nullptr);
    EXPECT_EQ(t.headerBackgroundWidth, 6);
    EXPECT_EQ(t.headerBackgroundHeight, 3);
    EXPECT_EQ(pixel(t.headerBackground, 0, 1), 0u) << "the colour key is fully transparent";
    EXPECT_EQ(pixel(t.headerBackground, 3, 1), 0xFF0A141Eu) << "everything else opaque";
    EXPECT_EQ(t.headerText, RGB(0xFF, 0x8C, 0x00));
    EXPECT_EQ(t.headerHoverText, RGB(0x20, 0xB2, 0xAA));
    EXPECT_EQ(t.headerAlignment, 0x21);
    EXPECT_EQ(t.headerFontWeight, 400);
    EXPECT_TRUE(sameRect(t.headerPadding, 9, 1, 2, 3));
    EXPECT_TRUE(sameRect(t.headerBorderThickness, 2, 2, 2, 0));
    EXPECT_EQ(t.headerBorderColour, RGB(0xC0, 0xC0, 0xC0));
    // Arrows: no pressed glyphs; a bitmap with its own alpha is premultiplied.
    for (int slot : {0, 1, 3, 4}) EXPECT_NE(t.arrowGlyphs[slot], nullptr) << slot;
    EXPECT_EQ(t.arrowGlyphs[2], nullptr);
    EXPECT_EQ(t.arrowGlyphs[5], nullptr);
    EXPECT_EQ(t.arrowWidth, 2);
    EXPECT_EQ(t.arrowHeight, 2);
    EXPECT_EQ(pixel(t.arrowGlyphs[0], 0, 0), 0xFFC86432u);
    EXPECT_EQ(pixel(t.arrowGlyphs[0], 1, 0), 0x80643219u) << "(200, 100, 50) x 128 / 255";
    EXPECT_EQ(pixel(t.arrowGlyphs[0], 0, 1), 0u);
    // Every other slot of both kinds of header: its own bitmap, of its own depth, its key colour
    // (the left column) transparent and the rest opaque.
    const uint32_t key8 = 0xFF28323C, key24 = 0xFF0A141E, key4 = 0xFF46505A, alpha = 0xFFC86432;
    const struct {
        const HBITMAP* slots;
        int slot;
        uint32_t inside;
    } arrows[] = {{t.arrowGlyphs, 1, key8},     {t.arrowGlyphs, 3, key24},     {t.arrowGlyphs, 4, key4},
                  {t.mainArrowGlyphs, 0, key4}, {t.mainArrowGlyphs, 1, key24}, {t.mainArrowGlyphs, 3, key8}};
    for (const auto& a : arrows) {
        const bool main = a.slots == t.mainArrowGlyphs;
        EXPECT_EQ(pixel(a.slots[a.slot], 0, 0), 0u) << (main ? "main " : "") << "slot " << a.slot;
        EXPECT_EQ(pixel(a.slots[a.slot], 0, 1), 0u) << (main ? "main " : "") << "slot " << a.slot;
        EXPECT_EQ(pixel(a.slots[a.slot], 1, 1), a.inside) << (main ? "main " : "") << "slot " << a.slot;
    }
    EXPECT_EQ(pixel(t.mainArrowGlyphs[4], 0, 0), alpha);
    EXPECT_EQ(t.mainArrowGlyphs[2], nullptr);
    EXPECT_EQ(t.mainArrowWidth, 4) << "the first slot's";
    EXPECT_EQ(t.taskListBackground, RGB(0xD6, 0xDF, 0xF7));
    EXPECT_TRUE(sameRect(t.taskListBorderThickness, 1, 0, 1, 1)) << "the else value";
    EXPECT_EQ(t.taskListBorderColour, RGB(0xFE, 0xFE, 0xFE));
    EXPECT_TRUE(sameRect(t.taskListPadding, 14, 10, 12, 10));

    // The main group.
    EXPECT_STREQ(t.mainHeaderFontFace, "Trebuchet MS");
    EXPECT_EQ(t.mainHeaderFontHeight, 13);
    EXPECT_EQ(t.mainGroupMargin, 10);
    ASSERT_NE(t.mainHeaderBackground, nullptr);
    EXPECT_EQ(t.mainHeaderBackgroundWidth, 4);
    EXPECT_EQ(pixel(t.mainHeaderBackground, 0, 0), 0u) << "keyed through the colour table";
    EXPECT_EQ(pixel(t.mainHeaderBackground, 2, 1), 0xFF28323Cu);
    EXPECT_EQ(t.mainHeaderText, RGB(255, 255, 255));
    EXPECT_EQ(t.mainHeaderHoverText, t.mainHeaderText) << "else the text colour";
    EXPECT_EQ(t.mainHeaderAlignment, 0x0A);
    EXPECT_EQ(t.mainHeaderFontWeight, 700);
    EXPECT_EQ(t.mainHeaderBorderColour, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(t.mainTaskListBackground, RGB(0xEF, 0xF3, 0xFF));
    EXPECT_EQ(t.mainWatermarkAlignment, 0x44);
    EXPECT_TRUE(sameRect(t.mainTaskListBorderThickness, 1, 0, 1, 1));
    EXPECT_EQ(t.mainTaskListBorderColour, RGB(1, 1, 1));
    EXPECT_TRUE(sameRect(t.mainTaskListPadding, 12, 10, 12, 10));

    // Ordinal 8 deletes the bitmaps and leaves the fields.
    HBITMAP header = t.headerBackground, arrow = t.arrowGlyphs[0];
    sidefold().releaseTheme(&t);
    EXPECT_EQ(GetObjectType(header), 0u);
    EXPECT_EQ(GetObjectType(arrow), 0u);
    EXPECT_EQ(t.headerBackground, header);
}

TEST_F(ThemeSource, AMinimalSheetGetsTheElseValues)
{
    useStyle("minimal");
    SidefoldTheme t = fill();
    ASSERT_EQ(t.systemLook, 0);
    EXPECT_EQ(t.linkColour, RGB(0, 0, 1));
    EXPECT_EQ(t.mainLinkHoverColour, RGB(0, 0, 4));
    // gradient(#FFFFFF, #000000, -3): a negative exponent is a solid pane.
    EXPECT_EQ(t.paneBackground, RGB(255, 255, 255));
    EXPECT_EQ(t.paneBackground2, 0u);
    EXPECT_EQ(t.paneGradientExponent, 0);
    EXPECT_TRUE(sameRect(t.panePadding, 12, 12, 12, 12));
    EXPECT_TRUE(sameRect(t.linkTitlePadding, 0, 0, 0, 0));
    EXPECT_TRUE(std::string(t.headerFontFace) == "Tahoma" || std::string(t.headerFontFace) == "Arial")
        << t.headerFontFace;
    EXPECT_EQ(t.headerFontHeight, pointsToHeight(8));
    EXPECT_EQ(t.groupMargin, 15);
    EXPECT_EQ(t.headerBackground, nullptr);
    EXPECT_EQ(t.headerBackgroundWidth, 0);
    EXPECT_EQ(t.headerText, RGB(0, 0, 5));
    EXPECT_EQ(t.headerHoverText, RGB(0, 0, 5));
    EXPECT_EQ(t.headerFontWeight, 700);
    EXPECT_EQ(t.headerAlignment, 0);
    EXPECT_EQ(t.arrowWidth, 0);
    EXPECT_TRUE(sameRect(t.taskListBorderThickness, 1, 0, 1, 1));
    EXPECT_EQ(t.taskListBorderColour, RGB(255, 255, 255));
    EXPECT_TRUE(sameRect(t.taskListPadding, 12, 10, 12, 10));
    EXPECT_EQ(t.mainHeaderHoverText, RGB(0, 0, 7));
    EXPECT_EQ(t.mainTaskListBackground, RGB(0, 0, 8));
    sidefold().releaseTheme(&t);
}

TEST_F(ThemeSource, AMissingRequiredValueOrMainBlockGivesTheSystemLook)
{
    for (const char* scheme : {"missing_value", "no_main"}) {
        SCOPED_TRACE(scheme);
        useStyle(scheme);
        SidefoldTheme t = fill();
        expectSystemLook(t);
        EXPECT_EQ(t.shellStyleOpened, 1);
        EXPECT_STREQ(t.colourSchemeName, scheme);
        sidefold().releaseTheme(&t);
    }
}

TEST_F(ThemeSource, NoUsableStyleGivesTheSystemLook)
{
    useStyle("full", "0");
    SidefoldTheme t = fill();
    expectSystemLook(t);
    EXPECT_STREQ(t.styleFileName, "");
    sidefold().releaseTheme(&t);

    useStyle("full", "1", "%SIDEFOLD_TEST_STYLES%\\Fake.theme");
    t = fill();
    expectSystemLook(t);
    sidefold().releaseTheme(&t);

    useStyle("nosuchscheme");
    t = fill();
    expectSystemLook(t);
    EXPECT_EQ(t.shellStyleOpened, 0);
    EXPECT_EQ(std::string(t.shellStylePath), testFolder() + "\\styles\\shell\\nosuchscheme\\shellstyle.dll");
    sidefold().releaseTheme(&t);

    // Names only: the file is not opened.
    useStyle("full");
    t = fill(1);
    expectSystemLook(t);
    EXPECT_EQ(t.shellStyleOpened, 0);
    EXPECT_STREQ(t.colourSchemeName, "full");
    sidefold().releaseTheme(&t);
}

TEST_F(ThemeSource, ARecordOfAnotherSizeIsLeftUntouched)
{
    SidefoldTheme t;
    std::memset(&t, 0xAB, sizeof(t));
    t.size = 1800 + 1;
    const SidefoldTheme before = t;
    EXPECT_EQ(sidefold().fillTheme(&t, 0), 0);
    EXPECT_EQ(std::memcmp(&t, &before, sizeof(t)), 0);
    EXPECT_EQ(sidefold().fillTheme(nullptr, 0), 0);
    EXPECT_EQ(sidefold().fillTheme(reinterpret_cast<SidefoldTheme*>(0x10), 0), 0) << "unreadable";
    sidefold().releaseTheme(reinterpret_cast<SidefoldTheme*>(0x10));
}

TEST_F(ThemeSource, WinesOwnStyleHasNoShellStyleFileSoTheSystemLookIsDrawn)
{
    // The registry as the Wine prefix has it (SetUp saved it, nothing changed yet).
    SidefoldTheme t = fill();
    expectSystemLook(t);
    // Glyphs in the system colours: the down triangle (bitmap 116) is inked at its centre in
    // COLOR_BTNTEXT, opaque; its corner is fully transparent.
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const uint32_t inked = 0xFF000000u | (GetRValue(ink) << 16) | (GetGValue(ink) << 8) | GetBValue(ink);
    EXPECT_EQ(pixel(t.triangleGlyphs[0], 9, 8), inked);
    EXPECT_EQ(pixel(t.triangleGlyphs[0], 0, 0), 0u);
    const COLORREF main = GetSysColor(COLOR_HIGHLIGHTTEXT);
    const uint32_t mainInk = 0xFF000000u | (GetRValue(main) << 16) | (GetGValue(main) << 8) | GetBValue(main);
    bool found = false;
    for (int y = 0; y < 19 && !found; ++y)
        for (int x = 0; x < 18 && !found; ++x) found = pixel(t.mainArrowGlyphs[0], x, y) == mainInk;
    EXPECT_TRUE(found) << "the main group's chevrons in COLOR_HIGHLIGHTTEXT";
    sidefold().releaseTheme(&t);
}

namespace {

// The background a group dialog paints for itself, as 0xRRGGBB pixels of its client area.
std::vector<uint32_t> erasedBackground(HWND dialog, int& width)
{
    RECT r;
    GetClientRect(dialog, &r);
    width = r.right;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    GdiFlush();
    std::vector<uint32_t> pixels(bits, bits + static_cast<size_t>(r.right) * static_cast<size_t>(r.bottom));
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

uint32_t rgbOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

}  // namespace

TEST_F(ThemeSource, ABarRereadsTheStyleOnAThemeChangeAndItsDialogsPaintFromIt)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 400);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, host.window());
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    HWND dialog = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 1, 0));

    int width = 0;
    std::vector<uint32_t> before = erasedBackground(dialog, width);
    ASSERT_GT(width, 2);
    EXPECT_EQ(before[static_cast<size_t>(width) + 1], rgbOf(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(before[static_cast<size_t>(width)], rgbOf(GetSysColor(COLOR_BTNFACE))) << "the left border";

    useStyle("full");
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    std::vector<uint32_t> after = erasedBackground(dialog, width);
    EXPECT_EQ(after[static_cast<size_t>(width) + 1], 0xD6DFF7u) << "the sheet's task-list background";
    EXPECT_EQ(after[static_cast<size_t>(width)], 0xFEFEFEu) << "its border colour, one column wide";
    EXPECT_EQ(after[static_cast<size_t>(width) * 2 - 1], 0xFEFEFEu) << "the right border";
    EXPECT_EQ(after[1], 0xD6DFF7u) << "no top border";

    // Back to the system look for the tests that follow.
    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(erasedBackground(dialog, width)[static_cast<size_t>(width) + 1], rgbOf(GetSysColor(COLOR_WINDOW)));
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

TEST_F(ThemeSource, ThePaneIsPaintedWithTheSheetsGradientAndBorder)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 400);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, host.window());
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    auto paneAt = [&](int x, int y) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 400);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return rgbOf(c);
    };
    EXPECT_EQ(paneAt(100, 200), rgbOf(GetSysColor(COLOR_WINDOW))) << "the system look: solid";

    useStyle("full");  // gradient(#7BA2E7, #6375D6, 2), a border of 1 in navy
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(paneAt(0, 200), 0x000080u) << "left border";
    EXPECT_EQ(paneAt(100, 0), 0x000080u) << "top border";
    EXPECT_EQ(paneAt(100, 399), 0x000080u) << "bottom border at the client's bottom";
    EXPECT_EQ(paneAt(100, 1), 0x7BA2E7u) << "the first colour at the top";
    // Row 200 of 400 with exponent 2: a quarter of the first colour, three quarters of the second.
    EXPECT_EQ(paneAt(5, 200), 0x6980DAu);
    EXPECT_EQ(paneAt(100, 398), 0x6375D6u) << "the second colour at the bottom";

    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

namespace {

// A window painted into a 32-bit bitmap (WM_PRINTCLIENT), as 0xRRGGBB pixels row by row.
struct Printed {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

Printed printed(HWND window)
{
    Printed out;
    RECT r;
    GetClientRect(window, &r);
    out.width = r.right, out.height = r.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    if (bits) out.pixels.assign(bits, bits + static_cast<size_t>(r.right) * static_cast<size_t>(r.bottom));
    for (uint32_t& p : out.pixels) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return out;
}

// Each channel within 3 of the other's (stretching rounds).
bool similar(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3) return false;
    return true;
}

}  // namespace

// The blue style (styles/blue.uifile, bitmaps from styles/make_blue.py): header faces stretched
// over the header with their rounded corners showing the pane through, the toggle drawn from the
// open or the shut arrow, the header text in the sheet's colour, the main group's task list.
TEST_F(ThemeSource, GroupHeadersPaintTheStylesFaceAndArrowOverThePane)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 400);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription normal = describeGroup(1, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_EXPANDED);
    SidefoldGroupDescription main = describeGroup(2, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_MAIN);
    for (SidefoldGroupDescription* d : {&normal, &main})
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(d)), 1);
    useStyle("blue");
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    HWND header = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 1, 0));
    HWND mainHeader = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 2, 0));
    auto topLeftInBar = [&](HWND w) {
        POINT p{0, 0};
        MapWindowPoints(w, bar, &p, 1);
        return p;
    };

    const Printed pane = printed(bar);
    const Printed face = printed(header);
    ASSERT_GT(face.width, 60);
    ASSERT_GE(face.height, 19);
    const POINT at = topLeftInBar(header);
    EXPECT_EQ(face.at(0, 0), pane.at(at.x, at.y)) << "the rounded corner shows the pane under it";
    EXPECT_TRUE(similar(face.at(face.width / 2, face.height / 2), 0xE2E9FB)) << "the face's middle, stretched";
    EXPECT_EQ(face.at(face.width - 1, face.height - 1), 0xC6D3F7u) << "its right edge column";
    bool text = false;
    for (int y = 0; y < face.height && !text; ++y)
        for (int x = 0; x < face.width / 2 && !text; ++x) text = face.at(x, y) == 0x215DC6u;
    EXPECT_TRUE(text) << "the title in the sheet's header colour";

    // The toggle at the right: open, the upper chevron's tip is the topmost pixel in the arrow's
    // ink; shut, that place is the disc and the ink is lower.
    const uint32_t ink = 0x215DC6;
    int tipX = -1, tipY = -1;
    for (int y = 0; y < face.height && tipY < 0; ++y)
        for (int x = face.width - 30; x < face.width && tipY < 0; ++x)
            if (face.at(x, y) == ink) tipX = x, tipY = y;
    ASSERT_GE(tipY, 0) << "no open arrow at the right";
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
    const Printed shut = printed(header);
    EXPECT_EQ(shut.at(tipX, tipY), 0xFFFFFFu) << "the shut arrow's disc";
    EXPECT_EQ(shut.at(tipX, tipY + 8), ink) << "the shut arrow's lower chevron";

    const Printed mainFace = printed(mainHeader);
    const POINT mainAt = topLeftInBar(mainHeader);
    EXPECT_EQ(mainFace.at(mainFace.width - 1, 0), pane.at(mainAt.x + mainFace.width - 1, mainAt.y))
        << "the main face's right corner";
    EXPECT_TRUE(similar(mainFace.at(mainFace.width / 2, mainFace.height / 2), 0x1662EC));
    HWND mainDialog = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 2, 0));
    int width = 0;
    const std::vector<uint32_t> list = erasedBackground(mainDialog, width);
    EXPECT_EQ(list[static_cast<size_t>(width) + 1], 0xEFF3FFu) << "the watermark's background";
    EXPECT_EQ(list[static_cast<size_t>(width)], 0xFFFFFFu) << "the main task list's border";

    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

// A theme change gives each group header its new font, colours and glyphs before the stack is
// laid out: as soon as the change returns the header reads the new look, and each open group's
// dialog starts where its header now ends, however tall the new font made it.
// Keyed arrows of both depths (styles/upright.uifile): each has one colour at its top left and
// another at its bottom right, so a copy with its rows reversed shows them the other way round,
// in the record and on the header.
TEST_F(ThemeSource, KeyedArrowsKeepTheirRowsInOrder)
{
    useStyle("upright");
    SidefoldTheme t = fill();
    ASSERT_EQ(t.systemLook, 0);
    const struct {
        int slot;
        const char* depth;
        uint32_t top, bottom;
    } arrows[] = {{0, "24-bit", 0x0A141E, 0xC82800}, {3, "8-bit", 0x28323C, 0xFAC800}};
    for (const auto& a : arrows) {
        SCOPED_TRACE(a.depth);
        HBITMAP g = t.arrowGlyphs[a.slot];
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(pixel(g, 0, 0), 0xFF000000u | a.top);
        EXPECT_EQ(pixel(g, 0, 1), 0u) << "the key below it";
        EXPECT_EQ(pixel(g, 2, 1), 0xFF000000u | a.bottom);
    }
    sidefold().releaseTheme(&t);

    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 200);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_EXPANDED);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    HWND header = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, 1, 0));
    auto rowOf = [](const Printed& p, uint32_t colour) {
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                if (p.at(x, y) == colour) return y;
            }
        }
        return -1;
    };
    for (const auto& a : arrows) {
        SCOPED_TRACE(a.depth);
        if (a.slot == 3) {
            ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
        }
        ASSERT_TRUE(settle(bar));
        const Printed face = printed(header);
        const int top = rowOf(face, a.top), bottom = rowOf(face, a.bottom);
        ASSERT_GE(top, 0) << "the arrow's top-left colour is not drawn";
        EXPECT_EQ(bottom, top + 1) << "the bottom-right colour one row below it";
    }
    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

TEST_F(ThemeSource, AThemeChangeLaysTheStackOutWithTheHeadersNewLook)
{
    HostWindow host;
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 400);
    ASSERT_TRUE(IsWindow(bar));
    SidefoldGroupDescription normal = describeGroup(1, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_EXPANDED);
    SidefoldGroupDescription main = describeGroup(2, IDD_GROUP_SINGLE, host.window(), SIDEFOLD_HEADER_MAIN);
    main.headerStyle |= SIDEFOLD_HEADER_EXPANDED;
    for (SidefoldGroupDescription* d : {&normal, &main})
        ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(d)), 1);
    auto placed = [&](int id, UINT which) {
        RECT r{};
        GetWindowRect(reinterpret_cast<HWND>(SendMessageA(bar, which, id, 0)), &r);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    size_t changes = 0;
    for (const char* scheme : {"full", "blue", "full"}) {
        useStyle(scheme);
        SendMessageA(bar, WM_THEMECHANGED, 0, 0);
        SidefoldTheme t = fill();
        for (int id : {1, 2}) {
            SidefoldHeaderLook look{};
            look.size = sizeof(look);
            HWND header = reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0));
            ASSERT_EQ(SendMessageA(header, SIDEFOLD_HEADER_GET_LOOK, sizeof(look), reinterpret_cast<LPARAM>(&look)), 1);
            EXPECT_EQ(look.text, id == 1 ? t.headerText : t.mainHeaderText) << scheme << ", group " << id;
            EXPECT_STREQ(look.fontFace, id == 1 ? t.headerFontFace : t.mainHeaderFontFace);
        }
        sidefold().releaseTheme(&t);
        // The dialogs hear of the change through their queue; once the host has it from both,
        // whatever else the bar's thread had queued with it is done too.
        ++changes;
        ASSERT_TRUE(pumpUntil([&] { return host.only(WM_THEMECHANGED).size() == 2 * changes; }));
        for (int id : {1, 2})
            EXPECT_EQ(placed(id, SIDEFOLD_BAR_DIALOG_ID).top, placed(id, SIDEFOLD_BAR_HEADER_ID).bottom)
                << scheme << ", group " << id;
    }
    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

// The gradient runs over the pane's whole height. When the window grows, or the content grows past
// it, the gradient is drawn over a new height, so every part painted before must be painted again:
// what is on screen is then, row for row, what the pane paints now, with no band left from before.
TEST_F(ThemeSource, APaneThatGrowsShowsOneGradient)
{
    HostWindow host(WS_POPUP | WS_CLIPCHILDREN);
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 240, 200);
    ASSERT_TRUE(IsWindow(bar));
    SetWindowPos(host.window(), nullptr, 0, 0, 260, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(host.window(), SW_SHOWNOACTIVATE);
    // Rows of the strip left of the groups whose colour on screen is not what the pane paints now.
    auto staleRows = [&] {
        const Printed now = printed(bar);
        HDC screen = GetDC(bar);
        std::vector<int> stale;
        for (int y = 1; y < now.height - 1; ++y)
            if (rgbOf(GetPixel(screen, 3, y)) != now.at(3, y)) stale.push_back(y);
        ReleaseDC(bar, screen);
        return stale;
    };
    auto addGroup = [&](int id, UINT templateId) {
        const SidefoldGroupDescription d = describeGroup(id, templateId, host.window(), SIDEFOLD_HEADER_EXPANDED);
        return SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d));
    };
    ASSERT_EQ(addGroup(1, IDD_GROUP_SINGLE), 1);  // shorter than the window
    ASSERT_TRUE(painted(bar)) << "the first group added";
    useStyle("full");  // gradient(#7BA2E7, #6375D6, 2)
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    ASSERT_TRUE(painted(bar)) << "the style came";
    std::vector<int> stale = staleRows();
    EXPECT_TRUE(stale.empty()) << "after the style came: " << stale.size() << " rows, the first "
                               << (stale.empty() ? -1 : stale.front());

    SetWindowPos(bar, nullptr, 0, 0, 240, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(painted(bar)) << "the window grew";
    stale = staleRows();
    EXPECT_TRUE(stale.empty()) << "after the window grew: " << stale.size() << " rows, the first "
                               << (stale.empty() ? -1 : stale.front());

    // An add that finds the bar busy (replaying the WM_SIZE its scroll bar caused) is queued and
    // answered at once: the screen is compared only once the queue is worked off and painted.
    for (int id = 2; id <= 4; ++id) ASSERT_EQ(addGroup(id, IDD_GROUP_TALL), 1);
    ASSERT_TRUE(painted(bar)) << "the content outgrew the window";
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    ASSERT_TRUE(GetScrollInfo(bar, SB_VERT, &info));
    ASSERT_GE(info.nMax, static_cast<int>(info.nPage)) << "the groups overflow the window";
    stale = staleRows();
    EXPECT_TRUE(stale.empty()) << "after the content outgrew it: " << stale.size() << " rows, the first "
                               << (stale.empty() ? -1 : stale.front());

    // Shorter content that still overflows: the scroll bar stays, only the gradient's height moves.
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 4, 0), 1);
    ASSERT_TRUE(painted(bar)) << "the content shrank";
    ASSERT_TRUE(GetScrollInfo(bar, SB_VERT, &info));
    ASSERT_GE(info.nMax, static_cast<int>(info.nPage)) << "the groups still overflow the window";
    stale = staleRows();
    EXPECT_TRUE(stale.empty()) << "after the content shrank: " << stale.size() << " rows, the first "
                               << (stale.empty() ? -1 : stale.front());

    restore();
    SendMessageA(bar, WM_THEMECHANGED, 0, 0);
    EXPECT_TRUE(sidefold().destroyBar(bar));
}
