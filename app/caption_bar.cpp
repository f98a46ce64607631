// Caption bands of the resizable bars.

#include "app/caption_bar.h"

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
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, foundFamily, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

HFONT CCaptionBar::captionFont() const
{
    if (!systemFont_) {
        NONCLIENTMETRICSW ncm{};
        ncm.cbSize = sizeof(ncm);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
            systemFont_.reset(CreateFontIndirectW(&ncm.lfSmCaptionFont));
    }
    return systemFont_.get();
}

int CCaptionBar::captionHeight() const
{
    HFONT font = captionFont();
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return static_cast<int>(tm.tmHeight) + 8;
}

void CCaptionBar::paintCaption(HDC dc, const RECT& band) const
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
    RECT line = band;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_BOTTOM);
    const std::wstring text = winui::windowText(hwnd());
    HFONT font = captionFont();
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT r = band;
    r.left += 6;
    r.right -= 4;
    r.bottom -= 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (old) SelectObject(dc, old);
}

CCaptionFontBar::CCaptionFontBar() : fontName_(fontFamilyInstalled(L"Tahoma") ? L"Tahoma" : L"Arial")
{
    LOGFONTW lf{};
    HDC dc = GetDC(nullptr);
    lf.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, fontName_.c_str(), LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&lf));
}
