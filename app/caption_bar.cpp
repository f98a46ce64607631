// Caption bands of the resizable bars.

#include "app/caption_bar.h"

#include "winui/dpi.h"
#include "winui/text.h"

namespace {

int CALLBACK foundFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

}  // namespace

bool fontFamilyInstalled(const wchar_t* name)
{
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name, LF_FACESIZE);
    bool found = false;
    winui::ClientDc screen(nullptr);
    EnumFontFamiliesExW(screen.get(), &lf, foundFamily, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

int CCaptionBar::dpi() const { return winui::dpiOf(hwnd()); }

HFONT CCaptionBar::captionFont() const
{
    if (!systemFont_ || systemFontDpi_ != dpi()) {
        systemFontDpi_ = dpi();
        const LOGFONTW caption = winui::nonClientMetrics(systemFontDpi_).lfSmCaptionFont;
        systemFont_.reset(CreateFontIndirectW(&caption));
    }
    return systemFont_.get();
}

int CCaptionBar::captionHeight() const
{
    winui::ClientDc screen(nullptr);
    winui::SelectGuard font(screen.get(), captionFont());
    TEXTMETRICW tm{};
    GetTextMetricsW(screen.get(), &tm);
    return static_cast<int>(tm.tmHeight) + winui::scaled(8, dpi());
}

void CCaptionBar::paintCaption(HDC dc, const RECT& band) const
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
    RECT line = band;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_BOTTOM);
    const std::wstring text = winui::windowText(hwnd());
    winui::SelectGuard font(dc, captionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT r = band;
    r.left += winui::scaled(6, dpi());
    r.right -= winui::scaled(4, dpi());
    r.bottom -= winui::scaled(2, dpi());
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

CCaptionFontBar::CCaptionFontBar() : fontName_(fontFamilyInstalled(L"Tahoma") ? L"Tahoma" : L"Arial") {}

HFONT CCaptionFontBar::captionFont() const
{
    if (!font_ || fontDpi_ != dpi()) {
        fontDpi_ = dpi();
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(8, fontDpi_, 72);
        lf.lfWeight = FW_BOLD;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, fontName_.c_str(), LF_FACESIZE);
        font_.reset(CreateFontIndirectW(&lf));
    }
    return font_.get();
}
