// TaskLink32, the task link: an icon and a text that underline and change colour under the
// mouse and send their dialog WM_COMMAND when clicked. It reacts to the mouse only over its
// icon and text, paints through a memory bitmap on its parent's background, and asks its
// dialog for its tooltip's text.

#include <windows.h>

#include <commctrl.h>

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

// Style bits (low word).
constexpr DWORD kTooltip = SIDEFOLD_LINK_TOOLTIP, kFocusRect = SIDEFOLD_LINK_FOCUS_RECT, kSound = SIDEFOLD_LINK_SOUND;
constexpr DWORD kNoFocusOnClick = SIDEFOLD_LINK_NO_FOCUS_ON_CLICK, kFill = SIDEFOLD_LINK_FILL;
constexpr DWORD kNoRelayPress = SIDEFOLD_LINK_NO_RELAY_PRESS, kBold = SIDEFOLD_LINK_BOLD;
constexpr DWORD kUnderlineNormal = SIDEFOLD_LINK_UNDERLINE_NORMAL, kUnderlineHot = SIDEFOLD_LINK_UNDERLINE_HOT;
constexpr DWORD kEllipsis = SIDEFOLD_LINK_ELLIPSIS, kWrap = SIDEFOLD_LINK_WRAP, kIconRight = SIDEFOLD_LINK_ICON_RIGHT;
constexpr DWORD kAlignRight = SIDEFOLD_LINK_ALIGN_RIGHT, kAlignCentre = SIDEFOLD_LINK_ALIGN_CENTRE;
constexpr DWORD kAlignTop = SIDEFOLD_LINK_ALIGN_TOP, kAlignBottom = SIDEFOLD_LINK_ALIGN_BOTTOM;

struct LinkRecord {
    RecordTag tag = RecordTag::Link;
    SIZE creationSize{};  // client size at creation
    bool multiLine = false;
    RECT textBox{};      // where the text goes
    RECT iconBox{};      // where the icon goes
    ControlState state;  // hot over the icon and the text only
    bool customColours = false;
    int iconGap = 6;  // at 96 DPI until a host gives its own
    bool iconGapGiven = false;
    HCURSOR cursor = nullptr;
    SidefoldImageListBlock images{};  // normal, hot and pressed, disabled (the host's)
    int imageIndex = -1;
    COLORREF colours[5]{};       // background, normal, hot, pressed, disabled
    HFONT givenFont = nullptr;   // from WM_SETFONT / SIDEFOLD_LINK_SET_FONT (not owned)
    HFONT normalFont = nullptr;  // made from it, owned
    HFONT hotFont = nullptr;
};

LinkRecord* linkOf(HWND window) { return recordOf<LinkRecord>(window, RecordTag::Link); }
DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool iconAtRight(HWND window)
{
    // Either asks for it; both together do not put it back at the left.
    return (styleOf(window) & kIconRight) != 0 || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
}

void systemColours(LinkRecord& r)
{
    r.colours[0] = GetSysColor(COLOR_BTNFACE);
    r.colours[1] = r.colours[2] = r.colours[3] = GetSysColor(COLOR_BTNTEXT);
    r.colours[4] = GetSysColor(COLOR_GRAYTEXT);
}

void makeFonts(HWND window, LinkRecord& r)
{
    freeFont(r.normalFont);
    freeFont(r.hotFont);
    LOGFONTA lf = fontDescription(r.givenFont);
    const DWORD style = styleOf(window);
    lf.lfWeight = (style & kBold) ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = (style & kUnderlineNormal) != 0;
    r.normalFont = CreateFontIndirectA(&lf);
    lf.lfUnderline = (style & kUnderlineHot) != 0;
    r.hotFont = CreateFontIndirectA(&lf);
}

HFONT fontFor(const LinkRecord& r, int look)
{
    return fontOr((look == LookHot || look == LookPressed) ? r.hotFont : r.normalFont);
}

UINT textFormat(HWND window, bool multiLine)
{
    const DWORD style = styleOf(window);
    UINT format = DT_NOPREFIX;
    if (multiLine && (style & kWrap))
        format |= DT_WORDBREAK;
    else
        format |= DT_SINGLELINE | ((style & kEllipsis) ? DT_END_ELLIPSIS : 0);
    bool right = (style & kAlignRight) != 0;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RIGHT) right = !right;
    format |= (style & kAlignCentre) ? DT_CENTER : right ? DT_RIGHT : DT_LEFT;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RTLREADING) format |= DT_RTLREADING;
    return format;
}

// The gap between icon and text: the host's, or the default for the link's DPI.
int iconGapOf(HWND window, const LinkRecord& r)
{
    return r.iconGapGiven ? r.iconGap : scaled(r.iconGap, windowDpi(window));
}

struct LinkLayout {
    RECT text{}, icon{};
    bool multiLine = false;
    int height = 0;
};

// Where icon and text go at a width; nothing of the window changes.
LinkLayout layoutAt(HWND window, const LinkRecord& r, int width, int clientHeight)
{
    LinkLayout out;
    const DWORD style = styleOf(window);
    int iw = 0, ih = 0;
    if (r.images.normal && r.imageIndex >= 0) ImageList_GetIconSize(r.images.normal, &iw, &ih);
    const int gap = iw ? iconGapOf(window, r) : 0;
    const bool right = iconAtRight(window);
    RECT area{right ? 0 : iw + gap, 0, right ? width - iw - gap : width, 0};
    if (area.right < area.left) area.right = area.left;
    out.icon = right ? RECT{width - iw, 0, width, ih} : RECT{0, 0, iw, ih};

    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    const UINT asked = (style & kWrap) ? DT_WORDBREAK : DT_SINGLELINE | ((style & kEllipsis) ? DT_END_ELLIPSIS : 0);
    const TextExtent measured =
        measureText(window, fontFor(r, LookHot), text, n, area.right - area.left, asked | DT_NOPREFIX);
    const int lineHeight = measured.lineHeight;
    int tw = measured.width, th = measured.height;
    out.multiLine = th >= 2 * lineHeight;
    if (!out.multiLine) th = lineHeight;
    if (style & kFocusRect) tw += 2, th += 2;
    tw = std::min<int>(tw, area.right - area.left);

    const UINT format = textFormat(window, out.multiLine);
    int x = area.left;
    if (format & DT_CENTER) x = area.left + (area.right - area.left - tw) / 2;
    if (format & DT_RIGHT) x = area.right - tw;
    int y = 0;
    if (style & kFill) {
        y = (style & kAlignTop) ? 0 : (style & kAlignBottom) ? clientHeight - th : (clientHeight - th) / 2;
    }
    out.text = {x, y, x + tw, y + th};
    // Icon and text centred on each other.
    if (!out.multiLine) {
        if (th < ih)
            OffsetRect(&out.text, 0, (ih - th) / 2);
        else if (ih < th)
            OffsetRect(&out.icon, 0, (th - ih) / 2 + y);
    } else if (th < ih) {
        OffsetRect(&out.text, 0, (ih - th) / 2);
    } else if (ih < lineHeight) {
        OffsetRect(&out.icon, 0, (lineHeight - ih) / 2 + y);
    }
    out.height = std::max(out.text.bottom, out.icon.bottom);
    return out;
}

// The icon and the text: the only place where the link meets the mouse.
RECT iconAndText(const LinkRecord& r)
{
    RECT u;
    if (IsRectEmpty(&r.iconBox)) return r.textBox;
    UnionRect(&u, &r.iconBox, &r.textBox);
    return u;
}

// Measures at the current width, takes the measured height (unless it fills its client) and
// repaints.
void relayout(HWND window, LinkRecord& r, bool resize)
{
    RECT client;
    GetClientRect(window, &client);
    const LinkLayout l = layoutAt(window, r, client.right, client.bottom);
    r.textBox = l.text;
    r.iconBox = l.icon;
    r.multiLine = l.multiLine;
    r.state.hot = iconAndText(r);
    if (resize && !(styleOf(window) & kFill) && l.height != client.bottom)
        SetWindowPos(window, nullptr, 0, 0, client.right, l.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placeTooltip(window, r.state);
    repaint(window, r.state);
}

void paintLink(HWND window, const LinkRecord& r, HDC dc, const RECT& client)
{
    const int look = r.state.look;
    if (r.images.normal && r.imageIndex >= 0) {
        HIMAGELIST list = look == LookDisabled                       ? r.images.disabled
                          : (look == LookHot || look == LookPressed) ? r.images.hot
                                                                     : r.images.normal;
        if (!list) list = r.images.normal;
        ImageList_Draw(list, r.imageIndex, dc, r.iconBox.left, r.iconBox.top, ILD_TRANSPARENT);
    }
    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, fontFor(r, look));
    const COLORREF colour = look == LookDisabled  ? r.colours[4]
                            : look == LookHot     ? r.colours[2]
                            : look == LookPressed ? r.colours[3]
                                                  : r.colours[1];
    SetTextColor(dc, colour & 0xFFFFFF);
    SetBkMode(dc, TRANSPARENT);
    RECT box = r.textBox;
    const bool focusRect = (styleOf(window) & kFocusRect) && r.state.focused;
    if (styleOf(window) & kFocusRect) InflateRect(&box, -1, -1);
    box.right = std::min(box.right, client.right);
    DrawTextA(dc, text, n, &box, textFormat(window, r.multiLine));
    SelectObject(dc, old);
    if (focusRect) DrawFocusRect(dc, &r.textBox);
}

void click(HWND window, const LinkRecord& r)
{
    if (!r.state.enabled || !r.state.interactive) return;
    if (styleOf(window) & kSound) playSystemSound("Explorer\\Navigating");
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), 0), reinterpret_cast<LPARAM>(window));
}

// The handlers of the link's messages, in the order of its window procedure; each returns the
// message's result.

LRESULT onCreate(HWND window, LinkRecord& r)
{
    r.cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // the hand
    r.state.enabled = IsWindowEnabled(window) != 0;
    r.state.hotIsClient = false;
    systemColours(r);
    makeFonts(window, r);
    if (styleOf(window) & kTooltip) {
        r.state.tooltip = makeTooltip(window);
        if (!r.state.tooltip) return -1;
    }
    relayout(window, r, true);
    return 0;
}

LRESULT onDestroy(LinkRecord& r)
{
    if (r.state.tooltip) DestroyWindow(r.state.tooltip);
    r.state.tooltip = nullptr;
    freeFont(r.normalFont);
    freeFont(r.hotFont);
    return 0;
}

LRESULT onPaint(HWND window, const LinkRecord& r, UINT message, WPARAM wParam, LPARAM lParam)
{
    return paintControl(window, message, wParam, lParam, WM_CTLCOLORSTATIC,
                        [&](HDC dc, const RECT& client) { paintLink(window, r, dc, client); });
}

LRESULT onSize(HWND window, LinkRecord& r)
{
    relayout(window, r, false);
    return 0;
}

LRESULT onSetText(HWND window, LinkRecord& r, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcA(window, WM_SETTEXT, wParam, lParam);
    relayout(window, r, true);
    return result;
}

// WM_SETFONT (0, repainted only when asked) or SIDEFOLD_LINK_SET_FONT (1, always repainted).
LRESULT onSetFont(HWND window, LinkRecord& r, HFONT font, bool repaintNow, bool ownMessage)
{
    r.givenFont = font;
    makeFonts(window, r);
    relayout(window, r, true);
    if (!ownMessage && !repaintNow) ValidateRect(window, nullptr);
    return ownMessage ? 1 : 0;
}

LRESULT onSetColours(HWND window, LinkRecord& r, const COLORREF* colours)
{
    if (readable(colours, sizeof(r.colours))) {
        std::copy_n(colours, 5, r.colours);
        r.customColours = true;
    } else {
        systemColours(r);
        r.customColours = false;
    }
    relayout(window, r, true);
    return 1;
}

LRESULT onSetImages(HWND window, LinkRecord& r, int index, const SidefoldImageListBlock* block)
{
    if (!readable(block, sizeof(*block))) return 0;
    r.images = *block;
    r.imageIndex = index;
    relayout(window, r, true);
    return 1;
}

LRESULT onChooseCursor(LinkRecord& r, HCURSOR cursor)
{
    r.cursor = cursor ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    return 1;
}

LRESULT onSetIconGap(HWND window, LinkRecord& r, int gap)
{
    r.iconGap = gap;
    r.iconGapGiven = true;
    relayout(window, r, true);
    return 1;
}

LRESULT onMeasure(HWND window, const LinkRecord& r, int* size, int width)
{
    if (!writable(size, 2 * sizeof(int))) return 0;
    RECT client;
    GetClientRect(window, &client);
    if (styleOf(window) & kFill) {
        size[0] = client.right;
        size[1] = client.bottom;
        return 1;
    }
    size[0] = width;
    size[1] = layoutAt(window, r, width, client.bottom).height;
    return 1;
}

// Only the icon and the text are the link's: elsewhere the mouse goes through to the dialog.
LRESULT onHitTest(HWND window, const LinkRecord& r, POINT screen)
{
    ScreenToClient(window, &screen);
    return PtInRect(&r.state.hot, screen) ? HTCLIENT : HTNOWHERE;
}

LRESULT onSetCursor(HWND window, const LinkRecord& r, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT || !r.cursor) return DefWindowProcA(window, WM_SETCURSOR, wParam, lParam);
    SetCursor(r.cursor);
    return TRUE;
}

LRESULT onMouse(HWND window, LinkRecord& r, UINT message, WPARAM wParam, LPARAM lParam)
{
    relayToTooltip(window, r.state, message, wParam, lParam, !(styleOf(window) & kNoRelayPress));
    if (followMouse(window, r.state, message, lParam, !(styleOf(window) & kNoFocusOnClick), false)) click(window, r);
    return 0;
}

// Space pressed and released clicks; Enter clicks at once, as it runs a button.
LRESULT onKey(HWND window, LinkRecord& r, UINT message, WPARAM key)
{
    if (message == WM_KEYDOWN && key == VK_RETURN && r.state.focused) click(window, r);
    if (followKey(window, r.state, message, key, false)) click(window, r);
    return 0;
}

LRESULT onSysColorChange(HWND window, LinkRecord& r)
{
    if (!r.customColours) systemColours(r);
    repaint(window, r.state);
    return 0;
}

// The tooltip asks for its text: the dialog is asked with code -10000, from the link.
LRESULT onNotify(HWND window, const LinkRecord& r, NMHDR* notice)
{
    askParentForTooltipText(window, r.state.tooltip, notice, SIDEFOLD_NOTIFY_LINK_TOOLTIP);
    return 0;
}

}  // namespace

LRESULT CALLBACK linkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!attachControlRecord(window, lParam, new (std::nothrow) LinkRecord)) return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LinkRecord* r = linkOf(window);
    if (!r) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return onCreate(window, *r);
    case WM_DESTROY: return onDestroy(*r);
    case WM_NCDESTROY: return detachControlRecord(window, r);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: return onPaint(window, *r, message, wParam, lParam);
    case WM_SIZE: return onSize(window, *r);
    case WM_SETTEXT: return onSetText(window, *r, wParam, lParam);
    case WM_SETFONT: return onSetFont(window, *r, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0, false);
    case SIDEFOLD_LINK_SET_FONT: return onSetFont(window, *r, reinterpret_cast<HFONT>(wParam), true, true);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(r->givenFont);
    case WM_SETREDRAW: return setRedraw(window, r->state, wParam != 0);
    case SIDEFOLD_LINK_SET_COLOURS: return onSetColours(window, *r, reinterpret_cast<const COLORREF*>(wParam));
    case SIDEFOLD_LINK_SET_IMAGES:
        return onSetImages(window, *r, static_cast<int>(wParam),
                           reinterpret_cast<const SidefoldImageListBlock*>(lParam));
    case SIDEFOLD_LINK_GET_TOOLTIP: return reinterpret_cast<LRESULT>(r->state.tooltip);
    case SIDEFOLD_LINK_SET_CURSOR: return onChooseCursor(*r, reinterpret_cast<HCURSOR>(wParam));
    case SIDEFOLD_LINK_SET_ICON_GAP: return onSetIconGap(window, *r, static_cast<int>(wParam));
    case SIDEFOLD_LINK_GET_ICON_GAP: return iconGapOf(window, *r);
    case SIDEFOLD_LINK_SET_INTERACTIVE: return setInteractive(window, r->state, wParam != 0);
    case SIDEFOLD_MSG_MEASURE: return onMeasure(window, *r, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE: return answerCreationSize(r->creationSize, wParam, lParam);
    case WM_NCHITTEST: return onHitTest(window, *r, mousePoint(lParam));
    case WM_SETCURSOR: return onSetCursor(window, *r, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return onMouse(window, *r, message, wParam, lParam);
    case WM_MOUSELEAVE: return mouseLeft(window, r->state);
    case WM_CAPTURECHANGED: return captureLost(window, r->state);
    case WM_KEYDOWN:
    case WM_KEYUP: return onKey(window, *r, message, wParam);
    case WM_GETDLGCODE: return DLGC_BUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return setFocused(window, r->state, message == WM_SETFOCUS, true);
    case WM_ENABLE: return setEnabled(window, r->state, wParam != 0);
    case WM_SYSCOLORCHANGE: return onSysColorChange(window, *r);
    case WM_NOTIFY: return onNotify(window, *r, reinterpret_cast<NMHDR*>(lParam));
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
