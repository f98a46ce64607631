#include "controls/web_link.h"

#include <commctrl.h>

#include "controls/hyperlink.h"
#include "winui/text.h"
#include "winui/window.h"

namespace {

constexpr UINT_PTR kControlSubclassId = 0x574C;  // "WL"

// The pointing hand kept in the Windows folder's help viewer, when the system has one; else the
// system's own hand.
HCURSOR linkCursor()
{
    static const HCURSOR cursor = [] {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            const std::wstring helper = std::wstring(folder) + L"\\winhlp32.exe";
            const winui::UniqueModule module(LoadLibraryExW(helper.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
            // A copy, so the cursor outlives the module it comes from.
            HCURSOR found = module ? LoadCursorW(module.get(), MAKEINTRESOURCEW(106)) : nullptr;
            HCURSOR copy = found ? static_cast<HCURSOR>(CopyImage(found, IMAGE_CURSOR, 0, 0, 0)) : nullptr;
            if (copy) return copy;
        }
        return LoadCursorW(nullptr, IDC_HAND);
    }();
    return cursor;
}

RECT rectInParent(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

CWebLink::~CWebLink() { detach(); }

bool CWebLink::attach(HWND control)
{
    if (control_ || !IsWindow(control)) return false;
    HWND parent = GetParent(control);
    if (!SetWindowSubclass(control, controlProc, kControlSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    winui::bindChild(control, this);  // its parent offers this link's colour and clicks here first
    control_ = control;
    parent_ = parent;
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);  // clicks reported

    const std::wstring text = winui::windowText(control);
    if (url_.empty()) url_ = text;
    if (text.empty()) SetWindowTextW(control, url_.c_str());

    LOGFONTW description{};
    auto current = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    description.lfUnderline = underline_;
    font_.reset(CreateFontIndirectW(&description));
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    adjustSize();
    cursor_ = linkCursor();

    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = control;
        tool.uId = 1;
        tool.rect = winui::clientRect(control);
        tool.lpszText = url_.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

void CWebLink::detach()
{
    if (!control_) return;
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    RemoveWindowSubclass(control_, controlProc, kControlSubclassId);
    winui::bindChild(control_, nullptr);
    if (GetCapture() == control_) ReleaseCapture();
    control_ = parent_ = nullptr;
}

void CWebLink::setUrl(std::wstring url)
{
    url_ = std::move(url);
    if (!control_) return;
    adjustSize();
    updateTooltip();
}

void CWebLink::setColours(COLORREF link, COLORREF visited, COLORREF hover)
{
    link_ = link;
    visitedColour_ = visited;
    hover_ = hover;
    repaint();
}

void CWebLink::setVisited(bool visited)
{
    visited_ = visited;
    repaint();
}

void CWebLink::setAdjustToSize(bool adjust)
{
    adjustToSize_ = adjust;
    adjustSize();
}

COLORREF CWebLink::textColour() const
{
    if (over_) return hover_ == kSystemHighlight ? GetSysColor(COLOR_HIGHLIGHT) : hover_;
    return visited_ ? visitedColour_ : link_;
}

void CWebLink::adjustSize()
{
    if (!adjustToSize_ || !control_) return;
    const std::wstring text = winui::windowText(control_);
    SIZE extent{};
    {
        winui::ClientDc dc(control_);
        winui::SelectGuard font(dc.get(), font_.get());
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }
    RECT r = rectInParent(control_);
    const LONG_PTR style = GetWindowLongPtrW(control_, GWL_STYLE);
    if (style & SS_CENTERIMAGE) {
        r.top += (r.bottom - r.top - extent.cy) / 2;
    }
    r.bottom = r.top + extent.cy;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: r.left += (r.right - r.left - extent.cx) / 2; break;
    case SS_RIGHT: r.left = r.right - extent.cx; break;
    default: break;
    }
    r.right = r.left + extent.cx;
    SetWindowPos(control_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWebLink::updateTooltip()
{
    if (!tooltip_) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = 1;
    tool.rect = winui::clientRect(control_);
    tool.lpszText = url_.data();
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CWebLink::repaint() const
{
    if (!control_) return;
    // The link draws no background: what lies beneath is painted again first.
    const RECT r = rectInParent(control_);
    InvalidateRect(parent_, &r, TRUE);
    InvalidateRect(control_, nullptr, TRUE);
    UpdateWindow(parent_);
}

void CWebLink::onMouseMove(POINT at)
{
    if (!over_) {
        over_ = true;
        repaint();
        SetCapture(control_);
        return;
    }
    const RECT client = winui::clientRect(control_);
    if (GetCapture() == control_ && !PtInRect(&client, at)) {
        over_ = false;
        ReleaseCapture();
        repaint();
    }
}

void CWebLink::open()
{
    over_ = false;
    const std::wstring target = url_.empty() ? winui::windowText(control_) : url_;
    const HyperlinkResult result = openHyperlink(parent_, target, SW_SHOW);
    visited_ = result.opened;
    repaint();
    if (!result.opened) reportHyperlinkError(parent_, result.code);
}

LRESULT CALLBACK CWebLink::controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data)
{
    auto* self = reinterpret_cast<CWebLink*>(data);
    if (self->tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageW(self->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_MOUSEMOVE:
        self->onMouseMove(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        break;
    case WM_LBUTTONDOWN: {
        // While captured, a press outside the text is not a click on the link.
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const RECT client = winui::clientRect(window);
        if (!PtInRect(&client, at)) {
            if (GetCapture() == window) ReleaseCapture();
            return 0;
        }
        break;
    }
    case WM_CAPTURECHANGED:
        if (self->over_ && reinterpret_cast<HWND>(lParam) != window) {
            self->over_ = false;
            self->repaint();
        }
        break;
    case WM_SETCURSOR:
        if (self->cursor_) {
            SetCursor(self->cursor_);
            return TRUE;
        }
        break;
    case WM_NCDESTROY: self->detach(); break;
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

bool CWebLink::onParentMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, textColour());
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        open();
        result = 0;
        return true;
    }
    return false;
}
