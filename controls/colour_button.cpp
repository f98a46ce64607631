// The colour picker button: owner-drawn face, drop arrow, and the conversation with its popup.

#include "controls/colour_button.h"

#include <commctrl.h>

#include <algorithm>

#include "winui/dpi.h"

namespace {

constexpr UINT_PTR kButtonSubclassId = 1;

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void drawArrow(HDC dc, const RECT& box, COLORREF colour)
{
    const int w = std::max(3, static_cast<int>((box.right - box.left) / 3) | 1);  // odd, so the tip is one pixel
    const int h = w / 2 + 1;
    const int left = box.left + (box.right - box.left - w) / 2;
    const int top = box.top + (box.bottom - box.top - h) / 2;
    for (int row = 0; row < h; ++row) {
        RECT line{left + row, top + row, left + w - row, top + row + 1};
        fill(dc, line, colour);
    }
}

// Black on light colours, white on dark ones (by the colour's luma).
COLORREF readableOn(COLORREF ground)
{
    const int luma = (299 * GetRValue(ground) + 587 * GetGValue(ground) + 114 * GetBValue(ground)) / 1000;
    return luma < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

std::wstring windowText(HWND hwnd)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

CColourButton::CColourButton() : background_(GetSysColor(COLOR_BTNFACE)) {}

CColourButton::~CColourButton() { detach(); }

bool CColourButton::attach(HWND button)
{
    if (button_ || !IsWindow(button)) return false;
    HWND parent = GetParent(button);
    if (!parent) return false;
    if (!SetWindowSubclass(button, buttonProc, kButtonSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    winui::bindChild(button, this);  // its parent offers this button's drawing and clicks here first
    button_ = button;
    parent_ = parent;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    fitSize();
    return true;
}

void CColourButton::detach()
{
    if (popup_ && IsWindow(popup_)) DestroyWindow(popup_);  // reports a cancel while we still listen
    popup_ = nullptr;
    popupActive_ = false;
    if (button_ && IsWindow(button_)) RemoveWindowSubclass(button_, buttonProc, kButtonSubclassId);
    winui::bindChild(button_, nullptr);
    button_ = parent_ = nullptr;
}

// The button keeps its place; it becomes as high as the arrow plus two edges, and at least
// wide enough for the arrow and a colour well of the same size.
void CColourButton::fitSize()
{
    const int dpi = winui::dpiOf(button_);
    const int cxEdge = winui::systemMetric(SM_CXEDGE, dpi), cyEdge = winui::systemMetric(SM_CYEDGE, dpi);
    arrowSize_ = std::max(
        {5 * cxEdge, 5 * cyEdge, winui::systemMetric(SM_CXHTHUMB, dpi), winui::systemMetric(SM_CYVTHUMB, dpi)});
    const int arrow = arrowSize_;
    RECT rc;
    GetWindowRect(button_, &rc);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rc), 2);
    int width = rc.right - rc.left;
    const int height = arrow + 2 * cyEdge;
    if (width < 2 * (arrow + cxEdge)) width = 2 * (arrow + cxEdge);
    SetWindowPos(button_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A square at the right, inset by one edge from the right, top and bottom.
RECT CColourButton::arrowIn(const RECT& bounds) const
{
    const int dpi = winui::dpiOf(button_);
    const int cxEdge = winui::systemMetric(SM_CXEDGE, dpi), cyEdge = winui::systemMetric(SM_CYEDGE, dpi);
    return RECT{bounds.right - cxEdge - arrowSize_, bounds.top + cyEdge, bounds.right - cxEdge, bounds.bottom - cyEdge};
}

RECT CColourButton::arrowRect() const
{
    RECT client{};
    if (button_) GetClientRect(button_, &client);
    return arrowIn(client);
}

void CColourButton::setColour(COLORREF colour)
{
    background_ = colour;
    if (button_) InvalidateRect(button_, nullptr, FALSE);
}

void CColourButton::storeColour(COLORREF colour)
{
    setColour(colour);
    if (button_) UpdateWindow(button_);
}

void CColourButton::draw(HDC dc, const RECT& bounds, UINT state) const
{
    const bool disabled = (state & ODS_DISABLED) != 0;
    const int dpi = winui::dpiOf(button_);
    const int cxEdge = winui::systemMetric(SM_CXEDGE, dpi), cyEdge = winui::systemMetric(SM_CYEDGE, dpi);
    RECT frame = bounds;
    DrawFrameControl(dc, &frame, DFC_BUTTON,
                     DFCS_BUTTONPUSH | (popupActive_ || (state & ODS_SELECTED) ? DFCS_PUSHED : 0));

    const RECT arrow = arrowIn(bounds);
    drawArrow(dc, arrow, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));

    RECT well{bounds.left + cxEdge, bounds.top + cyEdge, arrow.left, bounds.bottom - cyEdge};
    DrawEdge(dc, &well, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const bool automatic = background_ == kDefaultColour;
    fill(dc, well, disabled || automatic ? GetSysColor(COLOR_BTNFACE) : background_);

    const std::wstring text = button_ ? windowText(button_) : std::wstring();
    if (!text.empty()) {
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button_, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
        RECT r = well;
        if (disabled) {
            OffsetRect(&r, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
            OffsetRect(&r, -1, -1);
            SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        } else {
            // The name stands on the chosen colour: black or white, whichever reads on it.
            SetTextColor(dc, readableOn(automatic ? GetSysColor(COLOR_BTNFACE) : background_));
        }
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
        if (oldFont) SelectObject(dc, oldFont);
    }
    if (state & ODS_FOCUS) {
        RECT focus = well;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(dc, &focus);
    }
}

void CColourButton::notifyParent(UINT message, COLORREF colour) const
{
    if (parent_) SendMessageW(parent_, message, colour, GetDlgCtrlID(button_));
}

void CColourButton::openPopup()
{
    if (popupActive_) return;
    popupActive_ = true;
    colourAtOpen_ = colour();
    InvalidateRect(button_, nullptr, FALSE);
    notifyParent(kColourDropDown, colourAtOpen_);
    RECT rc;
    GetWindowRect(button_, &rc);
    popup_ = CColourPopup::open(button_, POINT{rc.left, rc.bottom}, {colourAtOpen_, defaultText_, customText_});
    if (!popup_) {
        popupActive_ = false;
        InvalidateRect(button_, nullptr, FALSE);
        notifyParent(kColourCloseUp, colourAtOpen_);
    }
}

void CColourButton::onPopupReport(UINT message, COLORREF colour)
{
    if (message == kColourSelChange) {
        if (trackSelection_) storeColour(colour);
        notifyParent(kColourSelChange, colour);
        return;
    }
    const bool confirmed = message == kColourSelEndOk;
    popupActive_ = false;
    popup_ = nullptr;
    storeColour(confirmed ? colour : colourAtOpen_);
    notifyParent(kColourCloseUp, this->colour());
    notifyParent(confirmed ? kColourSelEndOk : kColourSelEndCancel, this->colour());
}

LRESULT CALLBACK CColourButton::buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    auto* me = reinterpret_cast<CColourButton*>(self);
    switch (msg) {
    case kColourSelChange:
    case kColourSelEndOk:
    case kColourSelEndCancel: me->onPopupReport(msg, static_cast<COLORREF>(wParam)); return 0;
    case WM_GETDLGCODE:
        // While the palette is open every key is ours, Enter and Escape included.
        if (me->popupActive_) return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wParam, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (me->popupActive_) {
            if (me->popup_) SendMessageW(me->popup_, WM_KEYDOWN, wParam, lParam);
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        if (me->popupActive_) return 0;
        break;
    case WM_DESTROY:
        if (me->popup_ && IsWindow(me->popup_)) DestroyWindow(me->popup_);
        break;
    case WM_NCDESTROY: {
        LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
        me->detach();
        return result;
    }
    default: break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool CColourButton::onParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        draw(item->hDC, item->rcItem, item->itemState);
        result = TRUE;
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        openPopup();
        result = 0;
        return true;
    }
    return false;
}
