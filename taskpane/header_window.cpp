// The group header (CollapsibleHeader32): an optional icon, the title and an expand/collapse
// glyph, drawn from the theme record as a group header or as a plain sub-section header. A
// click (or Space) toggles it and tells the parent with WM_COMMAND SIDEFOLD_HEADER_NOW_EXPANDED or
// SIDEFOLD_HEADER_NOW_COLLAPSED; the bar then expands or collapses the group.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "taskpane/bar_record.h"
#include "taskpane/control_paint.h"
#include "taskpane/control_state.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr DWORD kTooltip = SIDEFOLD_HEADER_TOOLTIP, kFixedSize = SIDEFOLD_HEADER_FIXED_SIZE;
constexpr DWORD kNoRelayPress = SIDEFOLD_HEADER_NO_RELAY_PRESS, kFocusRect = SIDEFOLD_HEADER_FOCUS_RECT;
constexpr DWORD kNoFocusOnClick = SIDEFOLD_HEADER_NO_FOCUS_ON_CLICK, kEllipsis = SIDEFOLD_HEADER_ELLIPSIS;
constexpr DWORD kWrap = SIDEFOLD_HEADER_WRAP;
constexpr WORD kNowExpanded = SIDEFOLD_HEADER_NOW_EXPANDED, kNowCollapsed = SIDEFOLD_HEADER_NOW_COLLAPSED;

struct HeaderRecord {
    RecordTag tag = RecordTag::Header;
    SIZE creationSize{};  // client size at creation
    bool expanded = false;
    ControlState state;          // hot over the whole header
    HFONT normalFont = nullptr;  // owned, made from the look
    HFONT hotFont = nullptr;
    int indent = -1;  // text indent without an icon (SIDEFOLD_HEADER_SET_INDENT), -1 = none
    SidefoldHeaderLook look{};
    RECT iconBox{}, textBox{}, glyphBox{};
    bool multiLine = false;
};

HeaderRecord* headerOf(HWND window) { return recordOf<HeaderRecord>(window, RecordTag::Header); }
DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool isGroupHeader(HWND window) { return (styleOf(window) & SIDEFOLD_HEADER_GROUP) != 0; }
bool isMain(HWND window) { return (styleOf(window) & SIDEFOLD_HEADER_MAIN) != 0; }

// The look a header starts with, or returns to.
void defaultLook(HWND window, SidefoldHeaderLook& look)
{
    const HIMAGELIST images = look.images;
    const int imageIndex = look.imageIndex;
    look = SidefoldHeaderLook{};
    look.size = sizeof(look);
    look.images = images;
    look.imageIndex = imageIndex;
    look.cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // the hand
    const int dpi = windowDpi(window);
    look.glyphGap = scaled(4, dpi);
    if (isGroupHeader(window)) {
        const ThemeRef theme = themeFor(window);
        const SidefoldTheme& t = *theme;
        const bool main = isMain(window);
        lstrcpynA(look.fontFace, main ? t.mainHeaderFontFace : t.headerFontFace, sizeof(look.fontFace));
        look.fontHeight = main ? t.mainHeaderFontHeight : t.headerFontHeight;
        look.normalWeight = look.hotWeight = main ? t.mainHeaderFontWeight : t.headerFontWeight;
        look.text = main ? t.mainHeaderText : t.headerText;
        look.hotText = main ? t.mainHeaderHoverText : t.headerHoverText;
        const int align = main ? t.mainHeaderAlignment : t.headerAlignment;
        look.alignment = (align & 0x02) ? 1 : (align & 0x04) ? 2 : 0;
        look.paddingTop = look.paddingBottom = scaled(1, dpi);
        look.paddingLeft = look.paddingRight = scaled(4, dpi);
    } else {
        look.normalWeight = look.hotWeight = FW_BOLD;
        look.text = look.hotText = GetSysColor(COLOR_BTNTEXT);
    }
}

HFONT makeFont(const SidefoldHeaderLook& look, int weight, DWORD underline, DWORD italic)
{
    LOGFONTA lf = fontDescription(nullptr);
    if (look.fontHeight) {
        lf.lfHeight = look.fontHeight;
        lf.lfWidth = 0;
        lstrcpynA(lf.lfFaceName, look.fontFace, LF_FACESIZE);
    }
    lf.lfWeight = weight;
    lf.lfUnderline = static_cast<BYTE>(underline & 0xFF);
    lf.lfItalic = static_cast<BYTE>(italic & 0xFF);
    return CreateFontIndirectA(&lf);
}

void makeFonts(HeaderRecord& h)
{
    freeFont(h.normalFont);
    freeFont(h.hotFont);
    h.normalFont = makeFont(h.look, h.look.normalWeight, h.look.normalUnderline, h.look.normalItalic);
    h.hotFont = makeFont(h.look, h.look.hotWeight, h.look.hotUnderline, h.look.hotItalic);
}

HFONT fontFor(const HeaderRecord& h, int look)
{
    return fontOr((look == LookHot || look == LookPressed) ? h.hotFont : h.normalFont);
}

// The glyph array the header draws from (in the theme record the caller holds), and the size
// of its glyphs.
const HBITMAP* glyphs(const SidefoldTheme& t, HWND window, SIZE& size)
{
    if (isGroupHeader(window) && isMain(window)) {
        size = {t.mainArrowWidth, t.mainArrowHeight};
        return t.mainArrowGlyphs;
    }
    if (!isGroupHeader(window) && t.systemLook) {
        size = {t.triangleWidth, t.triangleHeight};
        return t.triangleGlyphs;
    }
    size = {t.arrowWidth, t.arrowHeight};
    return t.arrowGlyphs;
}

UINT textFormat(HWND window, const HeaderRecord& h, bool multiLine)
{
    const DWORD style = styleOf(window);
    UINT format = DT_NOPREFIX;
    if (multiLine && (style & kWrap))
        format |= DT_WORDBREAK;
    else
        format |= DT_SINGLELINE | ((style & kEllipsis) ? DT_END_ELLIPSIS : 0);
    int align = h.look.alignment;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RIGHT) align = align == 0 ? 2 : align == 2 ? 0 : 1;
    format |= align == 1 ? DT_CENTER : align == 2 ? DT_RIGHT : DT_LEFT;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_RTLREADING) format |= DT_RTLREADING;
    return format;
}

struct HeaderLayout {
    RECT icon{}, text{}, glyph{};
    bool multiLine = false;
    int height = 0;
};

HeaderLayout layoutAt(HWND window, const HeaderRecord& h, int width)
{
    HeaderLayout out;
    const DWORD style = styleOf(window);
    const SidefoldHeaderLook& look = h.look;
    int iw = 0, ih = 0;
    const bool icon = isGroupHeader(window) && look.images && ImageList_GetIconSize(look.images, &iw, &ih);
    if (icon) out.icon = {2, 0, 2 + iw, ih};
    const int textLeft = (icon ? 2 + iw : 0) + ((icon || h.indent < 0) ? look.paddingLeft : h.indent);
    SIZE g{};
    glyphs(*themeFor(window), window, g);
    out.glyph = {width - look.paddingRight - g.cx, look.paddingTop, width - look.paddingRight, look.paddingTop + g.cy};
    const int textRight = std::max<int>(textLeft, out.glyph.left - look.glyphGap);

    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    const UINT asked = (style & kWrap) ? DT_WORDBREAK : DT_SINGLELINE | ((style & kEllipsis) ? DT_END_ELLIPSIS : 0);
    const TextExtent measured =
        measureText(window, fontFor(h, LookHot), text, n, textRight - textLeft, asked | DT_NOPREFIX);
    const int lineHeight = measured.lineHeight;
    int th = measured.height;
    out.multiLine = th >= 2 * lineHeight;
    if (!out.multiLine) th = lineHeight;
    if (style & kFocusRect) th += 2;
    const int tw = std::min<int>(measured.width + ((style & kFocusRect) ? 2 : 0), textRight - textLeft);
    const UINT format = textFormat(window, h, out.multiLine);
    int x = textLeft;
    if (format & DT_CENTER) x = textLeft + (textRight - textLeft - tw) / 2;
    if (format & DT_RIGHT) x = textRight - tw;
    int y = look.paddingTop;
    if (!out.multiLine && th < g.cy) y += (g.cy - th) / 2;
    out.text = {x, y, x + tw, y + th};
    out.height = std::max<int>(g.cy, th) + look.paddingTop + look.paddingBottom;
    // An icon taller than text and glyph: they move down so the header is as tall as the icon.
    if (ih > out.height) {
        OffsetRect(&out.text, 0, ih - out.height);
        OffsetRect(&out.glyph, 0, ih - out.height);
        out.height = ih;
    }
    return out;
}

// Measures at the current width and, unless its size is fixed, takes the height.
void resize(HWND window, HeaderRecord& h)
{
    RECT client;
    GetClientRect(window, &client);
    const HeaderLayout l = layoutAt(window, h, client.right);
    h.iconBox = l.icon, h.textBox = l.text, h.glyphBox = l.glyph, h.multiLine = l.multiLine;
    if (!(styleOf(window) & kFixedSize) && client.right > 0 && l.height != client.bottom)
        SetWindowPos(window, nullptr, 0, 0, client.right, l.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placeTooltip(window, h.state);
    repaint(window, h.state);
}

// The theme's header bitmap over the header in three slices: the 2-pixel edges stretched only
// vertically, the middle both ways.
void drawHeaderBitmap(HDC dc, HBITMAP bitmap, const RECT& r)
{
    BITMAP b{};
    if (!GetObjectA(bitmap, sizeof(b), &b) || b.bmWidth < 5) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const int w = r.right - r.left, h = r.bottom - r.top, edge = 2;
    GdiAlphaBlend(dc, r.left, r.top, edge, h, memory, 0, 0, edge, b.bmHeight, blend);
    GdiAlphaBlend(dc, r.left + edge, r.top, w - 2 * edge, h, memory, edge, 0, b.bmWidth - 2 * edge, b.bmHeight, blend);
    GdiAlphaBlend(dc, r.right - edge, r.top, edge, h, memory, b.bmWidth - edge, 0, edge, b.bmHeight, blend);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void paintHeader(HWND window, const HeaderRecord& h, HDC dc, const RECT& client)
{
    const ThemeRef theme = themeFor(window);
    const SidefoldTheme& t = *theme;
    const bool group = isGroupHeader(window), main = isMain(window);
    if (group) {
        HBITMAP face = main ? t.mainHeaderBackground : t.headerBackground;
        if (face) {
            drawHeaderBitmap(dc, face, client);
        } else if (t.systemLook) {
            SetBkColor(dc, GetSysColor(main ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
            ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
        }
    }
    SIZE g{};
    const HBITMAP* set = glyphs(t, window, g);
    const int half = h.expanded ? 0 : 3, look = h.state.look;
    HBITMAP glyph = set[half + (look == LookHot ? 1 : look == LookPressed ? 2 : 0)];
    if (look == LookPressed && !glyph) glyph = set[half + 1];
    drawGlyph(dc, glyph, h.glyphBox.left, h.glyphBox.top);
    if (group && t.systemLook && (look == LookHot || look == LookPressed)) {
        RECT frame = h.glyphBox;
        DrawEdge(dc, &frame, look == LookHot ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
    if (!IsRectEmpty(&h.iconBox))
        ImageList_Draw(h.look.images, h.look.imageIndex, dc, h.iconBox.left, h.iconBox.top, ILD_TRANSPARENT);
    char text[512] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, fontFor(h, look));
    SetTextColor(dc, look == LookDisabled ? GetSysColor(COLOR_GRAYTEXT)
                                          : ((look == LookNormal ? h.look.text : h.look.hotText) & 0xFFFFFF));
    SetBkMode(dc, TRANSPARENT);
    RECT box = h.textBox;
    if (styleOf(window) & kFocusRect) InflateRect(&box, -1, -1);
    DrawTextA(dc, text, n, &box, textFormat(window, h, h.multiLine));
    SelectObject(dc, old);
    if ((styleOf(window) & kFocusRect) && h.state.focused) DrawFocusRect(dc, &h.textBox);
}

void setExpanded(HWND window, HeaderRecord& h, bool expanded, bool repaintNow)
{
    if (h.expanded != expanded && (styleOf(window) & SIDEFOLD_HEADER_SOUNDS))
        playSystemSound(expanded ? ".Default\\Maximize" : ".Default\\Minimize");
    h.expanded = expanded;
    if (repaintNow) repaint(window, h.state);
}

void toggle(HWND window, HeaderRecord& h)
{
    if (!h.state.enabled || !h.state.interactive) return;
    setExpanded(window, h, !h.expanded, true);
    SendMessageA(GetParent(window), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(window), h.expanded ? kNowExpanded : kNowCollapsed),
                 reinterpret_cast<LPARAM>(window));
}

// The handlers of the header's messages, in the order of its window procedure; each returns
// the message's result.

LRESULT onCreate(HWND window, HeaderRecord& h)
{
    h.state.enabled = IsWindowEnabled(window) != 0;
    h.expanded = (styleOf(window) & SIDEFOLD_HEADER_EXPANDED) != 0;
    defaultLook(window, h.look);
    makeFonts(h);
    if (styleOf(window) & kTooltip) {
        h.state.tooltip = makeTooltip(window);
        if (!h.state.tooltip) return -1;
    }
    resize(window, h);
    return 0;
}

LRESULT onDestroy(HeaderRecord& h)
{
    if (h.state.tooltip) DestroyWindow(h.state.tooltip);
    h.state.tooltip = nullptr;
    freeFont(h.normalFont);
    freeFont(h.hotFont);
    return 0;
}

LRESULT onPaint(HWND window, const HeaderRecord& h, UINT message, WPARAM wParam, LPARAM lParam)
{
    return paintControl(window, message, wParam, lParam, WM_CTLCOLORSTATIC,
                        [&](HDC dc, const RECT& client) { paintHeader(window, h, dc, client); });
}

// The boxes placed anew at the new size; the size itself stays.
LRESULT onSize(HWND window, HeaderRecord& h)
{
    RECT client;
    GetClientRect(window, &client);
    const HeaderLayout l = layoutAt(window, h, client.right);
    h.iconBox = l.icon, h.textBox = l.text, h.glyphBox = l.glyph, h.multiLine = l.multiLine;
    placeTooltip(window, h.state);
    return 0;
}

LRESULT onSetText(HWND window, HeaderRecord& h, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcA(window, WM_SETTEXT, wParam, lParam);
    resize(window, h);
    return result;
}

// A group header keeps the theme's fonts; a plain one takes the face and height given.
LRESULT onSetFont(HWND window, HeaderRecord& h, HFONT font)
{
    LOGFONTA lf{};
    if (isGroupHeader(window) || !font || !GetObjectA(font, sizeof(lf), &lf)) return 0;
    h.look.fontHeight = lf.lfHeight;
    lstrcpynA(h.look.fontFace, lf.lfFaceName, sizeof(h.look.fontFace));
    makeFonts(h);
    resize(window, h);
    return 0;
}

LRESULT onThemeChanged(HWND window, HeaderRecord& h)
{
    if (isGroupHeader(window)) {
        defaultLook(window, h.look);
        makeFonts(h);
    }
    resize(window, h);
    return 0;
}

LRESULT onSetLook(HWND window, HeaderRecord& h, const SidefoldHeaderLook* look)
{
    if (!readable(look, sizeof(DWORD)) || !readable(look, sizeof(*look))) {
        defaultLook(window, h.look);
    } else {
        if (look->size != sizeof(SidefoldHeaderLook)) return 0;
        if (isGroupHeader(window)) {
            // A group header keeps the theme's font and colours; the rest is the caller's.
            const size_t from = offsetof(SidefoldHeaderLook, paddingTop);
            std::memcpy(reinterpret_cast<char*>(&h.look) + from, reinterpret_cast<const char*>(look) + from,
                        sizeof(SidefoldHeaderLook) - from);
        } else {
            h.look = *look;
            h.look.fontFace[sizeof(h.look.fontFace) - 1] = 0;
        }
    }
    makeFonts(h);
    resize(window, h);
    return 1;
}

LRESULT onGetLook(const HeaderRecord& h, WPARAM size, SidefoldHeaderLook* out)
{
    if (size != sizeof(SidefoldHeaderLook) || !writable(out, sizeof(*out))) return 0;
    *out = h.look;
    return 1;
}

// SIDEFOLD_HEADER_SET_EXPANDED: lParam 0 repaints.
LRESULT onSetExpanded(HWND window, HeaderRecord& h, bool expanded, bool repaintNow)
{
    setExpanded(window, h, expanded, repaintNow);
    return 0;
}

LRESULT onSetIndent(HWND window, HeaderRecord& h, int indent)
{
    h.indent = indent;
    resize(window, h);
    return 1;
}

LRESULT onSetIcon(HWND window, HeaderRecord& h, HIMAGELIST images, int index)
{
    h.look.images = images;
    h.look.imageIndex = index;
    resize(window, h);
    return 1;
}

LRESULT onMeasure(HWND window, const HeaderRecord& h, int* size, int width)
{
    if (!writable(size, 2 * sizeof(int))) return 0;
    size[0] = width;
    size[1] = layoutAt(window, h, width).height;
    return 1;
}

LRESULT onSetCursor(HWND window, const HeaderRecord& h, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT || !h.look.cursor) return DefWindowProcA(window, WM_SETCURSOR, wParam, lParam);
    SetCursor(h.look.cursor);
    return TRUE;
}

LRESULT onMouse(HWND window, HeaderRecord& h, UINT message, WPARAM wParam, LPARAM lParam)
{
    relayToTooltip(window, h.state, message, wParam, lParam, !(styleOf(window) & kNoRelayPress));
    if (followMouse(window, h.state, message, lParam, !(styleOf(window) & kNoFocusOnClick), false)) toggle(window, h);
    return 0;
}

LRESULT onKey(HWND window, HeaderRecord& h, UINT message, WPARAM key)
{
    if (followKey(window, h.state, message, key, false)) toggle(window, h);
    return 0;
}

// The tooltip asks for its text: the parent is asked with code -10001, from the header.
LRESULT onNotify(HWND window, const HeaderRecord& h, NMHDR* notice)
{
    askParentForTooltipText(window, h.state.tooltip, notice, SIDEFOLD_NOTIFY_HEADER_TOOLTIP);
    return 0;
}

}  // namespace

LRESULT CALLBACK headerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!attachControlRecord(window, lParam, new (std::nothrow) HeaderRecord)) return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HeaderRecord* h = headerOf(window);
    if (!h) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return onCreate(window, *h);
    case WM_DESTROY: return onDestroy(*h);
    case WM_NCDESTROY: return detachControlRecord(window, h);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: return onPaint(window, *h, message, wParam, lParam);
    case WM_SIZE: return onSize(window, *h);
    case WM_SETTEXT: return onSetText(window, *h, wParam, lParam);
    case WM_SETFONT: return onSetFont(window, *h, reinterpret_cast<HFONT>(wParam));
    case WM_GETFONT: return reinterpret_cast<LRESULT>(h->normalFont);
    case WM_SETREDRAW: return setRedraw(window, h->state, wParam != 0);
    case WM_THEMECHANGED: return onThemeChanged(window, *h);
    case SIDEFOLD_HEADER_SET_LOOK: return onSetLook(window, *h, reinterpret_cast<const SidefoldHeaderLook*>(lParam));
    case SIDEFOLD_HEADER_GET_LOOK: return onGetLook(*h, wParam, reinterpret_cast<SidefoldHeaderLook*>(lParam));
    case SIDEFOLD_HEADER_GET_TOOLTIP: return reinterpret_cast<LRESULT>(h->state.tooltip);
    case SIDEFOLD_HEADER_SET_EXPANDED: return onSetExpanded(window, *h, wParam != 0, lParam == 0);
    case SIDEFOLD_HEADER_IS_EXPANDED: return h->expanded ? 1 : 0;
    case SIDEFOLD_HEADER_SET_INTERACTIVE: return setInteractive(window, h->state, wParam != 0);
    case SIDEFOLD_HEADER_SET_INDENT: return onSetIndent(window, *h, static_cast<int>(wParam));
    case SIDEFOLD_HEADER_SET_ICON:
        return onSetIcon(window, *h, reinterpret_cast<HIMAGELIST>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_MEASURE: return onMeasure(window, *h, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE: return answerCreationSize(h->creationSize, wParam, lParam);
    case WM_SETCURSOR: return onSetCursor(window, *h, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return onMouse(window, *h, message, wParam, lParam);
    case WM_MOUSELEAVE: return mouseLeft(window, h->state);
    case WM_CAPTURECHANGED: return captureLost(window, h->state);
    case WM_KEYDOWN:
    case WM_KEYUP: return onKey(window, *h, message, wParam);
    case WM_GETDLGCODE: return DLGC_BUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return setFocused(window, h->state, message == WM_SETFOCUS, (styleOf(window) & kFocusRect) != 0);
    case WM_ENABLE: return setEnabled(window, h->state, wParam != 0);
    case WM_NOTIFY: return onNotify(window, *h, reinterpret_cast<NMHDR*>(lParam));
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
