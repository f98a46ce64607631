// The preview and its settings panel: what the sample page holds after each change, which
// changes make it again (and tell the page view to load it), what OK and Cancel store, and the
// stand-in that takes the browser's place where no browser control can show pages.

#include "scenario.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "controls/colour_popup.h"
#include "fake_seam.h"
#include "gallery/builder_doc.h"
#include "generator/ui/preview_dlg.h"
#include "resource.h"
#include "winui/text.h"

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t countOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

constexpr char kSampleCell[] = "<td align=\"center\"><table width=";

class PreviewDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 (L"fotoloom-preview-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial()));
        fs::create_directories(folder);
        gallery.galleryTitle = "Trip";
        gallery.themeName = "classic";
    }
    void TearDown() override
    {
        if (dialog && dialog->hwnd()) DestroyWindow(dialog->hwnd());
        dialog.reset();
        pump();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    static int& serial()
    {
        static int n = 0;
        return n;
    }

    HWND open(bool browser = false, std::string templateRoot = {})
    {
        PreviewDlgOptions options;
        options.folder = winui::narrow((folder / L"preview").wstring()) + "\\";
        options.templateRoot = std::move(templateRoot);
        options.browser = browser;
        dialog = std::make_unique<CPreviewDlg>(gallery, options);
        EXPECT_TRUE(dialog->createModeless(nullptr));
        pump();
        return dialog->hwnd();
    }
    HWND panel() { return dialog->panel().hwnd(); }
    std::string page() { return readAll(folder / L"preview" / L"index.htm"); }
    std::string styleSheet() { return readAll(folder / L"preview" / L"style.css"); }
    std::wstring pagePath() { return (folder / L"preview" / L"index.htm").wstring(); }

    // A click on the upper arrow of a spin, as the mouse gives it.
    void clickSpinUp(int spin)
    {
        HWND control = GetDlgItem(panel(), spin);
        RECT r{};
        GetClientRect(control, &r);
        const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 4);
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(control, WM_LBUTTONUP, 0, at);
    }
    void choose(int list, int index)
    {
        SendDlgItemMessageW(panel(), list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(panel(), WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(panel(), list)));
    }
    void press(int id) { SendMessageW(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    FakeSeam seam;
    CBuilderDoc gallery;
    fs::path folder;
    std::unique_ptr<CPreviewDlg> dialog;
};

TEST_F(PreviewDialog, OpeningClampsTheGridWritesTheSamplePageAndTellsTheViewToShowIt)
{
    gallery.rows = 250;
    gallery.columns = 0;
    gallery.thumbWidth = 120;
    gallery.homePageLink = 1;
    gallery.homePageUrl = "https://mine.example/";
    HWND window = open();
    EXPECT_EQ(gallery.rows, 100);  // the gallery itself is brought into 1..100
    EXPECT_EQ(gallery.columns, 1);
    EXPECT_EQ(winui::windowText(window), L"Trip - Gallery Preview");
    EXPECT_TRUE(IsZoomed(window));

    ASSERT_EQ(seam.navigations, std::vector<std::wstring>{pagePath()});
    const std::string text = page();
    EXPECT_EQ(countOf(text, kSampleCell), 100u);
    EXPECT_NE(text.find("<a href=\"#\" class=\"homepage\" title=\"Return to Home\">Back to Home</a>"),
              std::string::npos);
    EXPECT_EQ(text.find("mine.example"), std::string::npos);
    // No browser control here: the page is for the user's own browser, its pictures named beside it.
    EXPECT_FALSE(dialog->showsBrowser());
    EXPECT_EQ(countOf(text, "<img class=\"divaround\" src=\"sample.gif\""), 100u);
    EXPECT_FALSE(styleSheet().empty());
    EXPECT_TRUE(fs::exists(folder / L"preview" / L"images" / L"paper.png"));
    CPicture sample;
    ASSERT_TRUE(sample.Load(winui::narrow((folder / L"preview" / L"sample.gif").wstring()), kFormatGif));
    EXPECT_EQ(sample.GetWidth(), 120u);

    // Placement: the panel 200 wide at the right, Cancel at the bottom under it, OK 8 above.
    RECT client{}, panelRect{}, ok{}, cancel{};
    GetClientRect(window, &client);
    GetWindowRect(panel(), &panelRect);
    GetWindowRect(GetDlgItem(window, IDOK), &ok);
    GetWindowRect(GetDlgItem(window, IDCANCEL), &cancel);
    for (RECT* r : {&panelRect, &ok, &cancel}) MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(r), 2);
    EXPECT_EQ(panelRect.left, client.right - 205);
    EXPECT_EQ(panelRect.right - panelRect.left, 200);
    EXPECT_EQ(panelRect.bottom - panelRect.top, client.bottom - 100);
    EXPECT_EQ(cancel.left, panelRect.left);
    EXPECT_EQ(cancel.bottom, client.bottom - 5);
    EXPECT_EQ(ok.bottom, cancel.top - 8);
}

TEST_F(PreviewDialog, OneSpinClickMakesThePageAgainWithOneMoreRowAtOnce)
{
    gallery.rows = 2;
    gallery.columns = 3;
    open();
    ASSERT_EQ(countOf(page(), kSampleCell), 6u);
    const size_t before = seam.navigations.size();

    const auto start = std::chrono::steady_clock::now();
    clickSpinUp(IDC_ROWS_SPIN);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(countOf(page(), kSampleCell), 9u);
    EXPECT_EQ(itemText(panel(), IDC_ROWS), L"3");
    ASSERT_EQ(seam.navigations.size(), before + 1);
    EXPECT_EQ(seam.navigations.back(), pagePath());
    // How long a change takes to reach the files, over some more clicks (reported, not checked).
    std::vector<double> times{std::chrono::duration<double, std::milli>(took).count()};
    for (int i = 0; i < 20; ++i) {
        const auto from = std::chrono::steady_clock::now();
        clickSpinUp(i % 2 ? IDC_COLUMNS_SPIN : IDC_THUMB_WIDTH_SPIN);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("[ measure  ] spin click to written preview files: median %.2f ms, slowest %.2f ms of %zu\n",
                times[times.size() / 2], times.back(), times.size());
    EXPECT_EQ(seam.navigations.size(), before + 21);

    // The album width follows its unit: pixels as shown, percents with a sign.
    gallery.albumWidth = 600;
    SendDlgItemMessageW(panel(), IDC_ALBUM_WIDTH_SPIN, UDM_SETPOS32, 0, 600);
    choose(IDC_ALBUM_WIDTH_UNIT, 1);
    EXPECT_NE(page().find("600"), std::string::npos);
    EXPECT_EQ(page().find("600%"), std::string::npos);
    choose(IDC_ALBUM_WIDTH_UNIT, 0);
    EXPECT_NE(page().find("600%"), std::string::npos);
}

TEST_F(PreviewDialog, PhotoSizeMakesNoNewPageAndOkStoresEverySettingOfThePanel)
{
    gallery.photoSize = 3;
    gallery.albumWidthUnit = 0;
    open();
    const size_t before = seam.navigations.size();
    const auto written = fs::last_write_time(folder / L"preview" / L"index.htm");
    choose(IDC_PHOTO_SIZE, 6);
    EXPECT_EQ(seam.navigations.size(), before);
    EXPECT_EQ(fs::last_write_time(folder / L"preview" / L"index.htm"), written);

    clickSpinUp(IDC_COLUMNS_SPIN);
    clickSpinUp(IDC_THUMB_WIDTH_SPIN);
    clickSpinUp(IDC_INSIDE_BORDER_SPIN);
    choose(IDC_ALBUM_WIDTH_UNIT, 1);
    // A colour confirmed in a picker: the page is made again with it.
    SendMessageW(panel(), kColourSelEndOk, 0x0080FF00, IDC_GALLERY_TITLE_COLOR);
    EXPECT_EQ(seam.navigations.size(), before + 5);
    press(IDOK);
    EXPECT_EQ(gallery.photoSize, 6);
    EXPECT_EQ(gallery.columns, 5);
    EXPECT_EQ(gallery.thumbWidth, 151);
    EXPECT_EQ(gallery.insideBorderWidth, 2);
    EXPECT_EQ(gallery.albumWidthUnit, 1);
    EXPECT_EQ(gallery.themeName, "classic");
}

TEST_F(PreviewDialog, CancelAfterChangingEverythingLeavesTheGalleryAsItWasApartFromTheClampedGrid)
{
    gallery.rows = 0;
    open();
    const GallerySettings opened = gallery;  // rows already brought to 1
    EXPECT_EQ(opened.rows, 1);
    clickSpinUp(IDC_ROWS_SPIN);
    clickSpinUp(IDC_ALBUM_WIDTH_SPIN);
    clickSpinUp(IDC_OUTSIDE_BORDER_SPIN);
    choose(IDC_PHOTO_SIZE, 0);
    choose(IDC_ALBUM_WIDTH_UNIT, 1);
    choose(IDC_THEME_LIST, 1);
    press(IDCANCEL);
    EXPECT_TRUE(static_cast<const GallerySettings&>(gallery) == opened);
}

// A key as the modal loop hands it over: the dialog manager of the preview first.
bool keyThroughDialogManager(HWND dialog, HWND focus, WPARAM key)
{
    SetFocus(focus);
    for (UINT message : {WM_KEYDOWN, WM_CHAR, WM_KEYUP}) {
        MSG msg{focus, message, key, message == WM_KEYUP ? LPARAM(0xC0000001) : LPARAM(1), GetTickCount(), {}};
        if (!IsWindow(dialog)) return false;
        if (!IsDialogMessageW(dialog, &msg)) DispatchMessageW(&msg);
        pump();
    }
    return IsWindow(dialog) != FALSE;
}

TEST_F(PreviewDialog, EnterAndEscInTheSettingsPanelDoNothingButStillAnswerTheDialogOutsideIt)
{
    gallery.columns = 4;
    HWND window = open();
    clickSpinUp(IDC_COLUMNS_SPIN);
    for (int id : {IDC_COLUMNS, IDC_THEME_LIST, IDC_PHOTO_SIZE, IDC_GALLERY_TITLE_COLOR}) {
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)})
            ASSERT_TRUE(keyThroughDialogManager(window, GetDlgItem(panel(), id), key))
                << "control " << id << " key " << key;
    }
    EXPECT_EQ(gallery.columns, 4);  // nothing stored by a key either
    EXPECT_EQ(itemText(panel(), IDC_COLUMNS), L"5");

    // On the dialog's own buttons the keys keep their meaning: Enter on OK stores and closes.
    EXPECT_FALSE(keyThroughDialogManager(window, GetDlgItem(window, IDOK), VK_RETURN));
    EXPECT_EQ(gallery.columns, 5);
}

// The width of a text in a control's own font.
int textWidth(HWND control, const std::wstring& text)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
}

RECT rectIn(HWND window, HWND parent)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(PreviewDialog, EveryLabelAndEveryNumberOfThePanelIsShownWhole)
{
    open();
    const RECT room = winui::clientRect(panel());  // beside the panel's own scroll bar
    for (HWND child = GetWindow(panel(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        const RECT r = rectIn(child, panel());
        EXPECT_LE(r.right, room.right) << winui::windowText(child) << ": cut by the panel's edge";
        if (_wcsicmp(name, L"Static") == 0) {
            EXPECT_LE(textWidth(child, winui::windowText(child)), r.right - r.left) << winui::windowText(child);
        }
    }
    const std::pair<int, int> numbers[] = {{IDC_ROWS, IDC_ROWS_SPIN},
                                           {IDC_COLUMNS, IDC_COLUMNS_SPIN},
                                           {IDC_THUMB_WIDTH, IDC_THUMB_WIDTH_SPIN},
                                           {IDC_ALBUM_WIDTH, IDC_ALBUM_WIDTH_SPIN},
                                           {IDC_OUTSIDE_BORDER, IDC_OUTSIDE_BORDER_SPIN},
                                           {IDC_INSIDE_BORDER, IDC_INSIDE_BORDER_SPIN}};
    for (const auto& [edit, spin] : numbers) {
        HWND control = GetDlgItem(panel(), edit);
        int low = 0, high = 0;
        SendDlgItemMessageW(panel(), spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        // The edit's text area, beside its spin (whose border may lie on the edit's).
        RECT shown{};
        SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_GE(shown.right - shown.left, textWidth(control, std::to_wstring(high))) << "edit " << edit;
        MapWindowPoints(control, panel(), reinterpret_cast<POINT*>(&shown), 2);
        EXPECT_LE(shown.right, rectIn(GetDlgItem(panel(), spin), panel()).left) << "edit " << edit;
    }
}

TEST_F(PreviewDialog, AnotherThemeCopiesItsImagesBesideThoseOfThePreviousOne)
{
    open();
    const std::string classicSheet = styleSheet();
    ASSERT_TRUE(fs::exists(folder / L"preview" / L"images" / L"paper.png"));
    const size_t before = seam.navigations.size();
    const int darkroom = static_cast<int>(SendDlgItemMessageW(
        panel(), IDC_THEME_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"darkroom")));
    ASSERT_GE(darkroom, 0);
    choose(IDC_THEME_LIST, darkroom);
    EXPECT_TRUE(fs::exists(folder / L"preview" / L"images" / L"grain.png"));
    EXPECT_TRUE(fs::exists(folder / L"preview" / L"images" / L"paper.png"));
    EXPECT_NE(styleSheet(), classicSheet);
    EXPECT_EQ(seam.navigations.size(), before + 1);
    press(IDOK);
    EXPECT_EQ(gallery.themeName, "darkroom");
}

TEST_F(PreviewDialog, AThemeThatIsGoneOpensWithTheFirstThemeSelectedAndOkStoresIt)
{
    gallery.themeName = "gone";
    open();
    EXPECT_EQ(itemText(panel(), IDC_THEME_LIST), L"classic");
    EXPECT_EQ(seam.navigations.size(), 1u);
    press(IDOK);
    EXPECT_EQ(gallery.themeName, "classic");
}

TEST_F(PreviewDialog, AMissingPageTemplateIsToldAndNothingIsShown)
{
    const fs::path root = folder / L"themes";
    fs::create_directories(root / L"broken");
    std::ofstream(root / L"broken" / L"style.css") << "body { color: %PAGESCOLOR%; }";
    gallery.themeName = "broken";
    open(false, winui::narrow(root.wstring()));
    EXPECT_TRUE(seam.navigations.empty());
    EXPECT_FALSE(fs::exists(folder / L"preview" / L"index.htm"));
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].text, L"Cannot open template '" + (root / L"broken" / L"index.html").wstring());
    EXPECT_EQ(seam.boxes[0].caption, L"Fotoloom");
    EXPECT_EQ(seam.boxes[0].owner, dialog->hwnd());
}

TEST_F(PreviewDialog, TheRealBrowserControlShowsThePageOrItsStandInOffersTheDefaultBrowser)
{
    seam.passNavigations = true;
    HWND window = open(true);
    ASSERT_EQ(seam.navigations, std::vector<std::wstring>{pagePath()});
    if (dialog->showsBrowser()) {
        HWND browser = GetDlgItem(window, IDC_PREVIEW_BROWSER);
        ASSERT_TRUE(browser);
        EXPECT_TRUE(IsWindowVisible(browser));
        EXPECT_FALSE(GetDlgItem(window, IDC_PREVIEW_FALLBACK_LINK));
    } else {
        // No engine that can show pages here (Wine without one): the explanation and the link.
        EXPECT_TRUE(dialog->fallback().visible());
        NMHDR click{GetDlgItem(window, IDC_PREVIEW_FALLBACK_LINK), IDC_PREVIEW_FALLBACK_LINK, NM_CLICK};
        SendMessageW(window, WM_NOTIFY, IDC_PREVIEW_FALLBACK_LINK, reinterpret_cast<LPARAM>(&click));
        EXPECT_EQ(seam.opened, std::vector<std::wstring>{pagePath()});
    }
    clickSpinUp(IDC_COLUMNS_SPIN);  // every setting still works
    EXPECT_EQ(seam.navigations.size(), 2u);
    press(IDOK);
    EXPECT_EQ(gallery.columns, 5);
}

}  // namespace
