#include "controls/styled_label.h"

#include <commctrl.h>

#include "winui/seam.h"
#include "winui/text.h"
#include "winui/window.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x5354;  // "ST"

// DrawText flags for the static's alignment style.
UINT textFormat(LONG_PTR style)
{
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_CENTERIMAGE) format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if ((style & SS_ELLIPSISMASK) == SS_PATHELLIPSIS)
        format |= DT_PATH_ELLIPSIS | DT_SINGLELINE;
    else if ((style & SS_ELLIPSISMASK) == SS_ENDELLIPSIS)
        format |= DT_END_ELLIPSIS | DT_SINGLELINE;
    return format;
}

}  // namespace

CStyledLabel::~CStyledLabel() { detach(); }

bool CStyledLabel::attach(HWND label)
{
    if (label_ || !IsWindow(label)) return false;
    if (!SetWindowSubclass(label, labelProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    label_ = label;
    auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    if (!font || !GetObjectW(font, sizeof description_, &description_))
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description_, &description_);
    remakeFont();
    return true;
}

void CStyledLabel::detach()
{
    if (!label_) return;
    RemoveWindowSubclass(label_, labelProc, kSubclassId);
    label_ = nullptr;
}

CStyledLabel& CStyledLabel::setBackgroundColour(COLORREF colour)
{
    customBrush_.reset(CreateSolidBrush(colour));
    repaint();
    return *this;
}

CStyledLabel& CStyledLabel::setTextColour(COLORREF colour)
{
    textColour_ = colour;
    repaint();
    return *this;
}

CStyledLabel& CStyledLabel::setText(std::wstring_view text)
{
    if (label_) SetWindowTextW(label_, std::wstring(text).c_str());  // repaints through WM_SETTEXT
    return *this;
}

CStyledLabel& CStyledLabel::setBold(bool bold)
{
    description_.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    remakeFont();
    return *this;
}

CStyledLabel& CStyledLabel::setUnderline(bool underline)
{
    description_.lfUnderline = underline;
    remakeFont();
    return *this;
}

CStyledLabel& CStyledLabel::setItalic(bool italic)
{
    description_.lfItalic = italic;
    remakeFont();
    return *this;
}

CStyledLabel& CStyledLabel::setTransparent(bool transparent)
{
    transparent_ = transparent;
    if (label_) {
        const LONG_PTR ex = GetWindowLongPtrW(label_, GWL_EXSTYLE);
        SetWindowLongPtrW(label_, GWL_EXSTYLE, transparent ? ex | WS_EX_TRANSPARENT : ex & ~WS_EX_TRANSPARENT);
    }
    repaint();
    return *this;
}

CStyledLabel& CStyledLabel::setLink(bool link, bool notifyParent)
{
    link_ = link;
    notifyParent_ = notifyParent;
    if (label_) {
        // Without SS_NOTIFY a static lets clicks through to its parent.
        const LONG_PTR style = GetWindowLongPtrW(label_, GWL_STYLE);
        SetWindowLongPtrW(label_, GWL_STYLE, link ? style | SS_NOTIFY : style & ~static_cast<LONG_PTR>(SS_NOTIFY));
    }
    return *this;
}

CStyledLabel& CStyledLabel::setLinkTarget(std::wstring target)
{
    target_ = std::move(target);
    return *this;
}

void CStyledLabel::remakeFont()
{
    font_.reset(CreateFontIndirectW(&description_));
    repaint();
}

void CStyledLabel::repaint() const
{
    if (!label_) return;
    if (transparent_) {
        // What lies beneath is the parent's: it has to be painted again before the text.
        HWND parent = GetParent(label_);
        RECT r{};
        GetWindowRect(label_, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        InvalidateRect(parent, &r, TRUE);
    }
    InvalidateRect(label_, nullptr, TRUE);
}

void CStyledLabel::paint(HDC dc) const
{
    if (!label_) return;
    const RECT client = winui::clientRect(label_);
    const std::wstring text = winui::windowText(label_);
    const UINT format = textFormat(GetWindowLongPtrW(label_, GWL_STYLE));
    auto drawText = [&](HDC into) {
        winui::SelectGuard font(into, font_.get());
        SetBkMode(into, TRANSPARENT);
        SetTextColor(into, textColour_);
        RECT box = client;
        DrawTextW(into, text.c_str(), static_cast<int>(text.size()), &box, format);
    };
    if (transparent_) {
        drawText(dc);
        return;
    }
    // Filled and written off-screen, then copied in one step: no flicker.
    const int width = client.right, height = client.bottom;
    winui::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    winui::UniqueBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
    if (!memory || !bitmap) return;
    {
        winui::SelectGuard select(memory.get(), bitmap.get());
        FillRect(memory.get(), &client, customBrush_ ? customBrush_.get() : faceBrush_.get());
        drawText(memory.get());
        BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    }
}

void CStyledLabel::onClick()
{
    if (notifyParent_) {
        NMHDR header{label_, static_cast<UINT_PTR>(GetDlgCtrlID(label_)), kClickNotification};
        SendMessageW(GetParent(label_), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    } else if (link_) {
        winui::seam().shellOpen(GetParent(label_), target_.empty() ? winui::windowText(label_) : target_);
    }
}

LRESULT CALLBACK CStyledLabel::labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data)
{
    auto* self = reinterpret_cast<CStyledLabel*>(data);
    switch (message) {
    case WM_PAINT: {
        winui::PaintDc dc(window);
        self->paint(dc.get());
        return 0;
    }
    case WM_PRINTCLIENT: self->paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;  // painted whole in WM_PAINT
    case WM_SETTEXT: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        self->repaint();
        return result;
    }
    case WM_LBUTTONDOWN: self->onClick(); break;  // the static's STN_CLICKED follows
    case WM_SETCURSOR:
        if (self->link_) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_SYSCOLORCHANGE: self->faceBrush_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))); break;
    case WM_NCDESTROY: {
        self->detach();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
