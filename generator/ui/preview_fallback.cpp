#include "generator/ui/preview_fallback.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/resource.h"
#include "winui/dpi.h"

namespace {

constexpr int kMargin = 24;
constexpr int kTextHeight = 64;
constexpr int kLinkHeight = 24;

constexpr wchar_t kExplanation[] =
    L"The preview cannot be shown inside this window: this system has no web browser control that can display "
    L"pages. Every setting on the right still works, and the page is made again after each change.";
constexpr wchar_t kLinkText[] = L"<a>Open the preview in your web browser</a>";

}  // namespace

bool CPreviewFallback::create(HWND parent, const RECT& where)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    text_ =
        CreateWindowExW(0, L"STATIC", kExplanation, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREVIEW_FALLBACK_TEXT)), instance, nullptr);
    INITCOMMONCONTROLSEX links{sizeof(links), ICC_LINK_CLASS};
    InitCommonControlsEx(&links);
    link_ =
        CreateWindowExW(0, WC_LINK, kLinkText, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREVIEW_FALLBACK_LINK)), instance, nullptr);
    if (!link_) {
        // Without the link control a button does the same.
        link_ = CreateWindowExW(0, L"BUTTON", L"Open the preview in your web browser",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREVIEW_FALLBACK_LINK)), instance,
                                nullptr);
    }
    for (HWND child : {text_, link_})
        if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    move(where);
    return text_ && link_;
}

void CPreviewFallback::move(const RECT& where)
{
    // The sizes are at 96 DPI; the stand-in shows at its dialog's.
    const int dpi = winui::dpiOf(text_ ? GetParent(text_) : nullptr);
    const int margin = winui::scaled(kMargin, dpi), textHeight = winui::scaled(kTextHeight, dpi);
    const int width = std::max<int>(where.right - where.left - 2 * margin, 0);
    if (text_)
        SetWindowPos(text_, nullptr, where.left + margin, where.top + margin, width, textHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (link_)
        SetWindowPos(link_, nullptr, where.left + margin, where.top + margin + textHeight + winui::scaled(8, dpi),
                     width, winui::scaled(kLinkHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    // A static keeps its old picture when it only shrinks: the text is wrapped again for the new width.
    if (text_) InvalidateRect(text_, nullptr, TRUE);
}

bool CPreviewFallback::visible() const { return text_ && link_ && IsWindowVisible(text_) && IsWindowVisible(link_); }

void CPreviewFallback::openInBrowser(HWND owner) const
{
    if (!address_.empty()) winui::seam().shellOpen(owner, address_);
}
