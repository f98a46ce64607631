// CBStatic32, the label: a text in its own bold, underlined or italic font, wrapped or cut
// with an ellipsis, placed by its alignment bits on its parent's background; or, owner-drawn,
// a WM_DRAWITEM to its parent. With the notify bit it tells its parent of clicks, double
// clicks and being enabled or disabled.

#include <windows.h>

#include <algorithm>
#include <new>

#include "taskpane/bar_record.h"
#include "taskpane/control_paint.h"
#include "taskpane/control_state.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr DWORD kBold = SIDEFOLD_LABEL_BOLD, kUnderline = SIDEFOLD_LABEL_UNDERLINE, kItalic = SIDEFOLD_LABEL_ITALIC;
constexpr DWORD kEndEllipsis = SIDEFOLD_LABEL_END_ELLIPSIS, kWordEllipsis = SIDEFOLD_LABEL_WORD_ELLIPSIS;
constexpr DWORD kPathEllipsis = SIDEFOLD_LABEL_PATH_ELLIPSIS, kWrap = SIDEFOLD_LABEL_WRAP;
constexpr DWORD kCentre = SIDEFOLD_LABEL_CENTRE, kRight = SIDEFOLD_LABEL_RIGHT, kTop = SIDEFOLD_LABEL_TOP;
constexpr DWORD kBottom = SIDEFOLD_LABEL_BOTTOM, kNoPrefix = SIDEFOLD_LABEL_NO_PREFIX;
constexpr DWORD kOwnerDraw = SIDEFOLD_LABEL_OWNER_DRAW, kNotify = SIDEFOLD_LABEL_NOTIFY;
constexpr DWORD kEditBreaks = SIDEFOLD_LABEL_EDIT_BREAKS;

// The notices of a label with kNotify (WM_COMMAND codes).
constexpr WORD kClicked = SIDEFOLD_LABEL_CLICKED, kDoubleClicked = SIDEFOLD_LABEL_DOUBLE_CLICKED;
constexpr WORD kEnabled = SIDEFOLD_LABEL_ENABLED, kDisabled = SIDEFOLD_LABEL_DISABLED;

struct LabelRecord {
    RecordTag tag = RecordTag::Label;
    SIZE creationSize{};        // client size at creation
    ControlState state;         // enabled or not; never pressed nor hot
    HFONT givenFont = nullptr;  // from WM_SETFONT (not owned)
    HFONT font = nullptr;       // made from it with the style's bold, underline and italic (owned)
    LPARAM callerValue = 0;     // SIDEFOLD_LABEL_SET_VALUE: the item data of owner drawing
    SIZE textSize{};            // the text measured at the client width
};

LabelRecord* labelOf(HWND window) { return recordOf<LabelRecord>(window, RecordTag::Label); }
DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

void makeFont(HWND window, LabelRecord& l)
{
    freeFont(l.font);
    LOGFONTA lf = fontDescription(l.givenFont);
    const DWORD style = styleOf(window);
    if (style & kBold) lf.lfWeight = FW_BOLD;
    if (style & kUnderline) lf.lfUnderline = TRUE;
    if (style & kItalic) lf.lfItalic = TRUE;
    l.font = CreateFontIndirectA(&lf);
}

// The DT_ flags of the text's breaking and cutting.
UINT textFormat(HWND window)
{
    const DWORD style = styleOf(window);
    UINT format = (style & kNoPrefix) ? DT_NOPREFIX : 0;
    if (style & kWrap)
        format |= DT_WORDBREAK | ((style & kEditBreaks) ? DT_EDITCONTROL : 0);
    else if (style & kEndEllipsis)
        format |= DT_SINGLELINE | DT_END_ELLIPSIS;
    else if (style & kWordEllipsis)
        format |= DT_SINGLELINE | DT_WORD_ELLIPSIS;
    else if (style & kPathEllipsis)
        format |= DT_SINGLELINE | DT_PATH_ELLIPSIS;
    else
        format |= DT_SINGLELINE;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RTLREADING) format |= DT_RTLREADING;
    return format;
}

// What the text needs at a width: wrapped at it, or one line (an ellipsised line at most that
// wide). Nothing of the window changes.
SIZE measureAt(HWND window, const LabelRecord& l, int width)
{
    char text[1024] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    UINT format = textFormat(window) & ~static_cast<UINT>(DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS);
    const TextExtent measured = measureText(window, fontOr(l.font), n ? text : " ", n ? n : 1, width, format);
    SIZE size{measured.width, measured.height};
    if (!n) size.cx = 0;
    if (styleOf(window) & (kEndEllipsis | kWordEllipsis | kPathEllipsis)) size.cx = std::min<LONG>(size.cx, width);
    return size;
}

void remeasure(HWND window, LabelRecord& l, bool repaintNow = true)
{
    RECT client;
    GetClientRect(window, &client);
    l.textSize = measureAt(window, l, client.right);
    if (repaintNow) repaint(window, l.state);
}

// The text rectangle: the measured size (no larger than the client) placed by the alignment.
RECT textRect(HWND window, const LabelRecord& l, const RECT& client)
{
    const DWORD style = styleOf(window);
    const int w = std::min<int>(l.textSize.cx, client.right), h = std::min<int>(l.textSize.cy, client.bottom);
    const int x = (style & kCentre) ? (client.right - w) / 2 : (style & kRight) ? client.right - w : 0;
    const int y = (style & kTop) ? 0 : (style & kBottom) ? client.bottom - h : (client.bottom - h) / 2;
    return {x, y, x + w, y + h};
}

void paintLabel(HWND window, const LabelRecord& l, HDC dc, const RECT& client)
{
    if (styleOf(window) & kOwnerDraw) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
        item.itemID = static_cast<UINT>(-1);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = l.state.enabled ? 0 : ODS_DISABLED;
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = client;
        item.itemData = static_cast<ULONG_PTR>(l.callerValue);
        SendMessageA(GetParent(window), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return;
    }
    char text[1024] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, fontOr(l.font));
    SetTextColor(dc, GetSysColor(l.state.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    RECT box = textRect(window, l, client);
    const DWORD style = styleOf(window);
    const UINT align = (style & kCentre) ? DT_CENTER : (style & kRight) ? DT_RIGHT : DT_LEFT;
    DrawTextA(dc, text, n, &box, textFormat(window) | align);
    SelectObject(dc, old);
}

// A notice to the parent when the label has the notify bit. Returns the message's result, 0.
LRESULT notify(HWND window, WORD code)
{
    if (!(styleOf(window) & kNotify)) return 0;
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), code),
                 reinterpret_cast<LPARAM>(window));
    return 0;
}

// The handlers of the label's messages, in the order of its window procedure; each returns the
// message's result.

// At creation the label takes the height its text needs at its width.
LRESULT onCreate(HWND window, LabelRecord& l)
{
    l.state.enabled = IsWindowEnabled(window) != 0;
    makeFont(window, l);
    remeasure(window, l);
    RECT client;
    GetClientRect(window, &client);
    if (client.right > 0 && l.textSize.cy != client.bottom)
        SetWindowPos(window, nullptr, 0, 0, client.right, l.textSize.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT onDestroy(LabelRecord& l)
{
    freeFont(l.font);
    return 0;
}

LRESULT onPaint(HWND window, const LabelRecord& l, UINT message, WPARAM wParam, LPARAM lParam)
{
    return paintControl(window, message, wParam, lParam, WM_CTLCOLORSTATIC,
                        [&](HDC dc, const RECT& client) { paintLabel(window, l, dc, client); });
}

LRESULT onSize(HWND window, LabelRecord& l)
{
    remeasure(window, l);
    return 0;
}

LRESULT onSetText(HWND window, LabelRecord& l, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcA(window, WM_SETTEXT, wParam, lParam);
    remeasure(window, l);
    return result;
}

LRESULT onSetFont(HWND window, LabelRecord& l, HFONT font, bool repaintNow)
{
    l.givenFont = font;
    makeFont(window, l);
    remeasure(window, l, repaintNow);
    return 0;
}

LRESULT onSetValue(LabelRecord& l, LPARAM value)
{
    l.callerValue = value;
    return 1;
}

// The text's size at a width; a centred or right-aligned label needs the whole width to stand
// where its bits say.
LRESULT onMeasure(HWND window, const LabelRecord& l, int* size, int width)
{
    if (!writable(size, 2 * sizeof(int))) return 0;
    const SIZE needed = measureAt(window, l, width);
    size[0] = (styleOf(window) & (kCentre | kRight)) ? width : std::min<int>(needed.cx, width);
    size[1] = needed.cy;
    return 1;
}

LRESULT onEnable(HWND window, LabelRecord& l, bool enabled)
{
    l.state.enabled = enabled;
    repaint(window, l.state);
    return notify(window, enabled ? kEnabled : kDisabled);
}

}  // namespace

LRESULT CALLBACK labelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!attachControlRecord(window, lParam, new (std::nothrow) LabelRecord)) return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LabelRecord* l = labelOf(window);
    if (!l) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return onCreate(window, *l);
    case WM_DESTROY: return onDestroy(*l);
    case WM_NCDESTROY: return detachControlRecord(window, l);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: return onPaint(window, *l, message, wParam, lParam);
    case WM_SIZE: return onSize(window, *l);
    case WM_SETTEXT: return onSetText(window, *l, wParam, lParam);
    case WM_SETFONT: return onSetFont(window, *l, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(l->givenFont);
    case WM_SETREDRAW: return setRedraw(window, l->state, wParam != 0);
    case SIDEFOLD_LABEL_SET_VALUE: return onSetValue(*l, lParam);
    case SIDEFOLD_LABEL_GET_VALUE: return l->callerValue;
    case SIDEFOLD_MSG_MEASURE: return onMeasure(window, *l, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE: return answerCreationSize(l->creationSize, wParam, lParam);
    case WM_LBUTTONDOWN: return notify(window, kClicked);
    case WM_LBUTTONDBLCLK: return notify(window, kDoubleClicked);
    case WM_ENABLE: return onEnable(window, *l, wParam != 0);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
