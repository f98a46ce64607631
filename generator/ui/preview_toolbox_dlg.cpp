#include "generator/ui/preview_toolbox_dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/resource.h"
#include "winui/panel_keys.h"
#include "winui/text.h"

namespace {

constexpr int kScrollStep = 5;  // pixels per scroll step

struct NumberField {
    int edit;
    int spin;
    int minimum;
    int maximum;
    std::string_view setting;  // its name in the settings table
};
constexpr NumberField kNumberFields[] = {
    {IDC_ROWS, IDC_ROWS_SPIN, 1, 100, "rows"},
    {IDC_COLUMNS, IDC_COLUMNS_SPIN, 1, 100, "columns"},
    {IDC_THUMB_WIDTH, IDC_THUMB_WIDTH_SPIN, 50, 300, "thumbWidth"},
    {IDC_ALBUM_WIDTH, IDC_ALBUM_WIDTH_SPIN, 10, 3000, "albumWidth"},
    {IDC_OUTSIDE_BORDER, IDC_OUTSIDE_BORDER_SPIN, 0, 100, "outsideBorderWidth"},
    {IDC_INSIDE_BORDER, IDC_INSIDE_BORDER_SPIN, 0, 100, "insideBorderWidth"},
};

constexpr const wchar_t* kPhotoSizes[] = {L"320 x 240 (Small)", L"640 x 480",          L"800 x 600 (Medium)",
                                          L"1024 x 768",        L"1152 x 864 (Large)", L"1280 x 1024 (Extra Large)",
                                          L"Original Size"};

int clampTo(int value, int low, int high) { return std::min(std::max(value, low), high); }

}  // namespace

const std::array<CPreviewToolboxDlg::ColourField, 11> CPreviewToolboxDlg::kColourFields = {{
    {IDC_OUTSIDE_BORDER_COLOR, &GallerySettings::outsideBorderColor},
    {IDC_INSIDE_BORDER_COLOR, &GallerySettings::insideBorderColor},
    {IDC_PICTURE_COMMENT_COLOR, &GallerySettings::pictureCommentColor},
    {IDC_GALLERY_TITLE_COLOR, &GallerySettings::galleryTitleColor},
    {IDC_ALBUM_TITLE_COLOR, &GallerySettings::albumTitleColor},
    {IDC_ALBUM_LINK_COLOR, &GallerySettings::albumLinkColor},
    {IDC_GALLERY_DESCRIPTION_COLOR, &GallerySettings::galleryDescriptionColor},
    {IDC_PAGE_LINKS_COLOR, &GallerySettings::pageLinksColor},
    {IDC_PAGES_COLOR, &GallerySettings::pagesColor},
    {IDC_ALBUM_CAPTION_COLOR, &GallerySettings::albumCaptionColor},
    {IDC_HOME_PAGE_COLOR, &GallerySettings::homePageColor},
}};

CPreviewToolboxDlg::CPreviewToolboxDlg() : CDialog(IDD_PREVIEW_TOOLBOX) {}

CPreviewToolboxDlg::~CPreviewToolboxDlg()
{
    for (auto& colour : colours_)
        if (colour) colour->detach();
}

const winui::MessageMapBase* CPreviewToolboxDlg::messageMap() const
{
    static const auto map = [] {
        winui::MessageMap<CPreviewToolboxDlg> m;
        m.on<WM_INITDIALOG>(&CPreviewToolboxDlg::onInitDialog)
            .command(IDOK, &CPreviewToolboxDlg::onNothing)
            .command(IDCANCEL, &CPreviewToolboxDlg::onNothing)
            .control(IDC_THEME_LIST, CBN_SELCHANGE, &CPreviewToolboxDlg::onThemeSelected)
            .control(IDC_ALBUM_WIDTH_UNIT, CBN_SELCHANGE, &CPreviewToolboxDlg::onUnitSelected)
            .raw(kColourSelEndOk, &CPreviewToolboxDlg::onColourConfirmed)
            .raw(WM_VSCROLL, &CPreviewToolboxDlg::onVerticalScroll);
        for (const NumberField& f : kNumberFields)
            m.control(static_cast<UINT>(f.edit), EN_CHANGE, &CPreviewToolboxDlg::onNumberChanged);
        return m;
    }();
    return &map;
}

bool CPreviewToolboxDlg::create(HWND parent) { return createModeless(parent); }

bool CPreviewToolboxDlg::onInitDialog()
{
    for (size_t i = 0; i < kColourFields.size(); ++i) {
        colours_[i] = std::make_unique<CColourButton>();
        colours_[i]->attach(item(kColourFields[i].id));
    }
    // Enter and Esc would otherwise reach the preview's OK and Cancel.
    winui::keepPanelKeys(hwnd());
    // The panel is taller than its room: it scrolls by about half its own height.
    const int height = winui::clientSize(hwnd()).cy;
    scrollRange_ = std::max((height * 3 / 2 - height) / kScrollStep, 0);
    SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_POS | SIF_PAGE, 0, scrollRange_, 0, 0, 0};
    SetScrollInfo(hwnd(), SB_VERT, &info, TRUE);
    return false;
}

void CPreviewToolboxDlg::setUp(GallerySettings& gallery, const std::vector<std::string>& themes)
{
    HWND list = item(IDC_THEME_LIST);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& theme : themes)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(winui::widen(theme).c_str()));
    if (!selectTheme(gallery.themeName)) SendMessageW(list, CB_SETCURSEL, 0, 0);

    for (const NumberField& f : kNumberFields) {
        HWND spin = item(f.spin);
        SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(f.edit)), 0);
        SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(f.minimum), f.maximum);
    }
    // Rows and columns need no bringing into range here: the model holds nothing else.
    for (const NumberField& f : kNumberFields)
        SendMessageW(item(f.spin), UDM_SETPOS32, 0, findSetting(f.setting)->numberIn(gallery));

    for (size_t i = 0; i < kColourFields.size(); ++i)
        colours_[i]->setColour(static_cast<COLORREF>(gallery.*kColourFields[i].field));

    HWND sizes = item(IDC_PHOTO_SIZE);
    SendMessageW(sizes, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* size : kPhotoSizes) SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
    SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(gallery.photoSize), 0);
}

void CPreviewToolboxDlg::fillUnits(int32_t albumWidthUnit)
{
    HWND units = item(IDC_ALBUM_WIDTH_UNIT);
    SendMessageW(units, CB_RESETCONTENT, 0, 0);
    SendMessageW(units, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"percents"));
    SendMessageW(units, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"pixels"));
    SendMessageW(units, CB_SETCURSEL, albumWidthUnit != 0 ? 1 : 0, 0);
}

std::string CPreviewToolboxDlg::themeName() const { return winui::narrow(itemText(IDC_THEME_LIST)); }

bool CPreviewToolboxDlg::selectTheme(const std::string& name)
{
    HWND list = item(IDC_THEME_LIST);
    const std::wstring wanted = winui::widen(name);
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    // Compared exactly: the list's own search ignores case, and theme names may differ only in it.
    for (int i = 0; i < count; ++i) {
        const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring entry(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(wcslen(entry.c_str()));
        if (entry == wanted) {
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return true;
        }
    }
    return false;
}

int CPreviewToolboxDlg::spinPosition(int spinId) const
{
    return static_cast<int>(SendMessageW(item(spinId), UDM_GETPOS32, 0, 0));
}

PreviewInput CPreviewToolboxDlg::input(const GallerySettings& gallery) const
{
    PreviewInput in;
    in.settings = gallery;
    GallerySettings& s = in.settings;
    s.themeName = themeName();
    // The grid and the borders as the edits show them; the thumbnail width as its spin has it.
    s.rows = static_cast<int32_t>(GetDlgItemInt(hwnd(), IDC_ROWS, nullptr, TRUE));
    s.columns = static_cast<int32_t>(GetDlgItemInt(hwnd(), IDC_COLUMNS, nullptr, TRUE));
    s.thumbWidth = spinPosition(IDC_THUMB_WIDTH_SPIN);
    s.outsideBorderWidth = static_cast<int32_t>(GetDlgItemInt(hwnd(), IDC_OUTSIDE_BORDER, nullptr, TRUE));
    s.insideBorderWidth = static_cast<int32_t>(GetDlgItemInt(hwnd(), IDC_INSIDE_BORDER, nullptr, TRUE));
    in.albumWidthText = winui::narrow(itemText(IDC_ALBUM_WIDTH));
    s.albumWidthUnit = SendMessageW(item(IDC_ALBUM_WIDTH_UNIT), CB_GETCURSEL, 0, 0) == 0 ? 0 : 1;
    for (size_t i = 0; i < kColourFields.size(); ++i)
        s.*kColourFields[i].field = static_cast<int32_t>(colours_[i]->colour());
    return in;
}

void CPreviewToolboxDlg::store(GallerySettings& gallery) const
{
    gallery.themeName = themeName();
    for (const NumberField& f : kNumberFields) findSetting(f.setting)->setNumber(gallery, spinPosition(f.spin));
    gallery.albumWidthUnit = static_cast<int32_t>(SendMessageW(item(IDC_ALBUM_WIDTH_UNIT), CB_GETCURSEL, 0, 0));
    for (size_t i = 0; i < kColourFields.size(); ++i)
        gallery.*kColourFields[i].field = static_cast<int32_t>(colours_[i]->colour());
    gallery.photoSize = static_cast<int32_t>(SendMessageW(item(IDC_PHOTO_SIZE), CB_GETCURSEL, 0, 0));
}

void CPreviewToolboxDlg::changed() const
{
    if (onChanged) onChanged();
}

void CPreviewToolboxDlg::onThemeSelected()
{
    if (onThemeChanged) onThemeChanged();
}

void CPreviewToolboxDlg::onUnitSelected() { changed(); }

void CPreviewToolboxDlg::onNumberChanged() { changed(); }

LRESULT CPreviewToolboxDlg::onColourConfirmed(WPARAM, LPARAM)
{
    changed();
    return 0;
}

LRESULT CPreviewToolboxDlg::onVerticalScroll(WPARAM request, LPARAM control)
{
    if (control) return 0;  // a spin's, not the panel's own scroll bar
    const int page = scrollRange_ > 0 ? scrollRange_ : 1;
    int target = scrollPosition_;
    switch (LOWORD(request)) {
    case SB_LINEUP: target -= 1; break;
    case SB_LINEDOWN: target += 1; break;
    case SB_PAGEUP: target -= page; break;
    case SB_PAGEDOWN: target += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: target = HIWORD(request); break;
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = scrollRange_; break;
    default: return 0;
    }
    target = clampTo(target, 0, scrollRange_);
    if (target == scrollPosition_) return 0;
    ScrollWindowEx(hwnd(), 0, (scrollPosition_ - target) * kScrollStep, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    scrollPosition_ = target;
    SetScrollPos(hwnd(), SB_VERT, scrollPosition_, TRUE);
    return 0;
}
