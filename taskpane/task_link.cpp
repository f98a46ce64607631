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
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr DWORD kLinkTag = 144;

// Style bits (low word).
constexpr DWORD kTooltip = SIDEFOLD_LINK_TOOLTIP, kFocusRect = SIDEFOLD_LINK_FOCUS_RECT, kSound = SIDEFOLD_LINK_SOUND;
constexpr DWORD kNoFocusOnClick = SIDEFOLD_LINK_NO_FOCUS_ON_CLICK, kFill = SIDEFOLD_LINK_FILL;
constexpr DWORD kNoRelayPress = SIDEFOLD_LINK_NO_RELAY_PRESS, kBold = SIDEFOLD_LINK_BOLD;
constexpr DWORD kUnderlineNormal = SIDEFOLD_LINK_UNDERLINE_NORMAL, kUnderlineHot = SIDEFOLD_LINK_UNDERLINE_HOT;
constexpr DWORD kEllipsis = SIDEFOLD_LINK_ELLIPSIS, kWrap = SIDEFOLD_LINK_WRAP, kIconRight = SIDEFOLD_LINK_ICON_RIGHT;
constexpr DWORD kAlignRight = SIDEFOLD_LINK_ALIGN_RIGHT, kAlignCentre = SIDEFOLD_LINK_ALIGN_CENTRE;
constexpr DWORD kAlignTop = SIDEFOLD_LINK_ALIGN_TOP, kAlignBottom = SIDEFOLD_LINK_ALIGN_BOTTOM;

enum State { Disabled = -1, Normal = 0, Pressed = 1, Hot = 2 };

struct LinkRecord {
    DWORD tag = kLinkTag;
    SIZE creationSize{};  // client size at creation
    bool multiLine = false;
    RECT textBox{};  // where the text goes
    RECT iconBox{};  // where the icon goes
    int state = Normal;
    bool keyPressed = false;  // Space is held
    bool tracking = false;    // TrackMouseEvent is on
    bool buttonDown = false;  // pressed with the mouse inside, not yet released
    POINT lastMouse{};
    HWND tooltip = nullptr;
    bool enabled = true;
    bool interactive = true;
    bool focused = false;
    bool customColours = false;
    int iconGap = 6;
    HCURSOR cursor = nullptr;
    SidefoldImageListBlock images{};  // normal, hot and pressed, disabled (the host's)
    int imageIndex = -1;
    COLORREF colours[5]{};       // background, normal, hot, pressed, disabled
    HFONT givenFont = nullptr;   // from WM_SETFONT / SIDEFOLD_LINK_SET_FONT (not owned)
    HFONT normalFont = nullptr;  // made from it, owned
    HFONT hotFont = nullptr;
};

LinkRecord* linkOf(HWND window) { return recordOf<LinkRecord>(window, kLinkTag); }
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
    if (r.normalFont) DeleteObject(r.normalFont);
    if (r.hotFont) DeleteObject(r.hotFont);
    LOGFONTA lf{};
    GetObjectA(r.givenFont ? r.givenFont : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    const DWORD style = styleOf(window);
    lf.lfWeight = (style & kBold) ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = (style & kUnderlineNormal) != 0;
    r.normalFont = CreateFontIndirectA(&lf);
    lf.lfUnderline = (style & kUnderlineHot) != 0;
    r.hotFont = CreateFontIndirectA(&lf);
}

HFONT fontFor(const LinkRecord& r, int state)
{
    HFONT f = (state == Hot || state == Pressed) ? r.hotFont : r.normalFont;
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
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
    const int gap = iw ? r.iconGap : 0;
    const bool right = iconAtRight(window);
    RECT area{right ? 0 : iw + gap, 0, right ? width - iw - gap : width, 0};
    if (area.right < area.left) area.right = area.left;
    out.icon = right ? RECT{width - iw, 0, width, ih} : RECT{0, 0, iw, ih};

    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, fontFor(r, Hot));
    RECT measured{0, 0, area.right - area.left, 0};
    const UINT asked = (style & kWrap) ? DT_WORDBREAK : DT_SINGLELINE | ((style & kEllipsis) ? DT_END_ELLIPSIS : 0);
    DrawTextA(dc, text, n, &measured, asked | DT_NOPREFIX | DT_CALCRECT);
    RECT line{0, 0, area.right - area.left, 0};
    DrawTextA(dc, n ? text : " ", n ? n : 1, &line, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    const int lineHeight = line.bottom - line.top;
    int tw = measured.right - measured.left, th = measured.bottom - measured.top;
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

RECT hotArea(const LinkRecord& r)
{
    RECT u;
    if (IsRectEmpty(&r.iconBox)) return r.textBox;
    UnionRect(&u, &r.iconBox, &r.textBox);
    return u;
}

void updateTool(HWND window, const LinkRecord& r)
{
    if (!r.tooltip) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window;
    tool.uId = 1;
    tool.rect = hotArea(r);
    SendMessageA(r.tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(r.tooltip, TTM_ACTIVATE, r.enabled && r.interactive, 0);
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
    if (resize && !(styleOf(window) & kFill) && l.height != client.bottom)
        SetWindowPos(window, nullptr, 0, 0, client.right, l.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    updateTool(window, r);
    InvalidateRect(window, nullptr, FALSE);
}

int stateNow(HWND window, const LinkRecord& r)
{
    if (!r.enabled) return Disabled;
    if (!r.interactive) return Normal;
    if (r.keyPressed) return Pressed;
    const RECT hot = hotArea(r);
    const bool over = PtInRect(&hot, r.lastMouse) != 0;
    if (over && r.tracking) return r.buttonDown ? Pressed : Hot;
    if (r.buttonDown && GetCapture() == window) return Hot;
    return Normal;
}

void refreshState(HWND window, LinkRecord& r)
{
    const int state = stateNow(window, r);
    if (state == r.state) return;
    r.state = state;
    InvalidateRect(window, nullptr, FALSE);
}

void paintLink(HWND window, const LinkRecord& r, HDC dc, const RECT& client)
{
    const int state = r.state;
    if (r.images.normal && r.imageIndex >= 0) {
        HIMAGELIST list = state == Disabled                    ? r.images.disabled
                          : (state == Hot || state == Pressed) ? r.images.hot
                                                               : r.images.normal;
        if (!list) list = r.images.normal;
        ImageList_Draw(list, r.imageIndex, dc, r.iconBox.left, r.iconBox.top, ILD_TRANSPARENT);
    }
    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, fontFor(r, state));
    const COLORREF colour = state == Disabled  ? r.colours[4]
                            : state == Hot     ? r.colours[2]
                            : state == Pressed ? r.colours[3]
                                               : r.colours[1];
    SetTextColor(dc, colour & 0xFFFFFF);
    SetBkMode(dc, TRANSPARENT);
    RECT box = r.textBox;
    const bool focusRect = (styleOf(window) & kFocusRect) && r.focused;
    if (styleOf(window) & kFocusRect) InflateRect(&box, -1, -1);
    box.right = std::min(box.right, client.right);
    DrawTextA(dc, text, n, &box, textFormat(window, r.multiLine));
    SelectObject(dc, old);
    if (focusRect) DrawFocusRect(dc, &r.textBox);
}

void click(HWND window, const LinkRecord& r)
{
    if (!r.enabled || !r.interactive) return;
    if (styleOf(window) & kSound) playSystemSound("Explorer\\Navigating");
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), 0), reinterpret_cast<LPARAM>(window));
}

void relayMouse(const LinkRecord& r, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!r.tooltip || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK) return;
    if ((styleOf(window) & kNoRelayPress) &&
        (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN))
        return;
    MSG msg{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    SendMessageA(r.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

LRESULT Link_Create(HWND window, LinkRecord& r)
{
    r.cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // the hand
    r.enabled = IsWindowEnabled(window) != 0;
    systemColours(r);
    makeFonts(window, r);
    if (styleOf(window) & kTooltip) {
        r.tooltip = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                    libraryModule(), nullptr);
        if (!r.tooltip) return -1;
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_TRANSPARENT;
        tool.hwnd = window;
        tool.uId = 1;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(r.tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    relayout(window, r, true);
    return 0;
}

void Link_Destroy(LinkRecord& r)
{
    if (r.tooltip) DestroyWindow(r.tooltip);
    if (r.normalFont) DeleteObject(r.normalFont);
    if (r.hotFont) DeleteObject(r.hotFont);
    r.tooltip = nullptr;
    r.normalFont = r.hotFont = nullptr;
}

LRESULT Link_Measure(HWND window, const LinkRecord& r, int* size, int width)
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

LRESULT Link_Mouse(HWND window, LinkRecord& r, UINT message, WPARAM wParam, LPARAM lParam)
{
    relayMouse(r, window, message, wParam, lParam);
    r.lastMouse = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (!r.enabled || !r.interactive) return 0;
    switch (message) {
    case WM_MOUSEMOVE:
        if (!r.tracking) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
            r.tracking = TrackMouseEvent(&track) != 0;
        }
        break;
    case WM_LBUTTONDOWN:
        r.buttonDown = true;
        r.tracking = true;
        if (!(styleOf(window) & kNoFocusOnClick)) SetFocus(window);
        SetCapture(window);
        break;
    case WM_LBUTTONUP: {
        if (!r.buttonDown) break;
        r.buttonDown = false;
        if (GetCapture() == window) ReleaseCapture();
        RECT client;
        GetClientRect(window, &client);
        refreshState(window, r);
        if (PtInRect(&client, r.lastMouse)) click(window, r);
        return 0;
    }
    default: break;
    }
    refreshState(window, r);
    return 0;
}

LRESULT Link_Key(HWND window, LinkRecord& r, UINT message, WPARAM key)
{
    if (key != VK_SPACE || !r.enabled || !r.interactive) return 0;
    if (message == WM_KEYDOWN) {
        r.keyPressed = true;
    } else if (r.keyPressed) {
        r.keyPressed = false;
        refreshState(window, r);
        click(window, r);
        return 0;
    }
    refreshState(window, r);
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
    case WM_CREATE: return Link_Create(window, *r);
    case WM_DESTROY: Link_Destroy(*r); return 0;
    case WM_NCDESTROY: detachControlRecord(window, r); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return paintControl(window, message, wParam, lParam, WM_CTLCOLORSTATIC,
                            [&](HDC dc, const RECT& client) { paintLink(window, *r, dc, client); });
    case WM_SIZE: relayout(window, *r, false); return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        relayout(window, *r, true);
        return result;
    }
    case WM_SETFONT:
    case SIDEFOLD_LINK_SET_FONT:
        r->givenFont = reinterpret_cast<HFONT>(wParam);
        makeFonts(window, *r);
        relayout(window, *r, true);
        if (message == WM_SETFONT && !LOWORD(lParam)) ValidateRect(window, nullptr);
        return message == WM_SETFONT ? 0 : 1;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(r->givenFont);
    case SIDEFOLD_LINK_SET_COLOURS:
        if (readable(reinterpret_cast<const void*>(wParam), sizeof(r->colours))) {
            std::copy_n(reinterpret_cast<const COLORREF*>(wParam), 5, r->colours);
            r->customColours = true;
        } else {
            systemColours(*r);
            r->customColours = false;
        }
        relayout(window, *r, true);
        return 1;
    case SIDEFOLD_LINK_SET_IMAGES: {
        const auto* block = reinterpret_cast<const SidefoldImageListBlock*>(lParam);
        if (!readable(block, sizeof(*block))) return 0;
        r->images = *block;
        r->imageIndex = static_cast<int>(wParam);
        relayout(window, *r, true);
        return 1;
    }
    case SIDEFOLD_LINK_GET_TOOLTIP: return reinterpret_cast<LRESULT>(r->tooltip);
    case SIDEFOLD_LINK_SET_CURSOR:
        r->cursor = wParam ? reinterpret_cast<HCURSOR>(wParam) : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
        return 1;
    case SIDEFOLD_LINK_SET_ICON_GAP:
        r->iconGap = static_cast<int>(wParam);
        relayout(window, *r, true);
        return 1;
    case SIDEFOLD_LINK_GET_ICON_GAP: return r->iconGap;
    case SIDEFOLD_LINK_SET_INTERACTIVE:
        r->interactive = wParam != 0;
        if (!r->interactive) r->buttonDown = r->keyPressed = r->tracking = false;
        updateTool(window, *r);
        refreshState(window, *r);
        return 0;
    case SIDEFOLD_MSG_MEASURE:
        return Link_Measure(window, *r, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE: return answerCreationSize(r->creationSize, wParam, lParam);
    case WM_NCHITTEST: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(window, &p);
        const RECT hot = hotArea(*r);
        return PtInRect(&hot, p) ? HTCLIENT : HTNOWHERE;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && r->cursor) {
            SetCursor(r->cursor);
            return TRUE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return Link_Mouse(window, *r, message, wParam, lParam);
    case WM_MOUSELEAVE:
        r->tracking = false;
        refreshState(window, *r);
        return 0;
    case WM_CAPTURECHANGED:
        r->buttonDown = false;
        refreshState(window, *r);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: return Link_Key(window, *r, message, wParam);
    case WM_GETDLGCODE: return DLGC_BUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        r->focused = message == WM_SETFOCUS;
        if (!r->focused) r->keyPressed = false;
        refreshState(window, *r);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        r->enabled = wParam != 0;
        if (!r->enabled) r->buttonDown = r->keyPressed = false;
        updateTool(window, *r);
        refreshState(window, *r);
        return 0;
    case WM_SYSCOLORCHANGE:
        if (!r->customColours) systemColours(*r);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_NOTIFY:
        // The tooltip asks for its text: the dialog is asked with code -10000, from the link.
        askParentForTooltipText(window, r->tooltip, reinterpret_cast<NMHDR*>(lParam), SIDEFOLD_NOTIFY_LINK_TOOLTIP);
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
