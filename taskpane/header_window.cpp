// The group header (CollapsibleHeader32), as far as the bar needs it today: its record, its
// expanded state, indent, icon and interactive switch, its size at a width, and a plain
// painting of its text on the theme's header colours.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "taskpane/bar_record.h"
#include "taskpane/include/sidefold.h"
#include "taskpane/library.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr DWORD kHeaderTag = 484;

struct HeaderRecord {
    DWORD tag = kHeaderTag;
    SIZE creationSize{};          // client size at creation
    bool expanded = false;        // the group shows its dialog
    bool interactive = true;      // reacts to the mouse and keyboard
    int indent = -1;              // text indent without an icon (WM_USER+7), -1 = none set
    HIMAGELIST images = nullptr;  // icon list (the host's)
    int imageIndex = 0;
    HFONT font = nullptr;  // the font given with WM_SETFONT (not owned)
};

HeaderRecord* headerOf(HWND window) { return recordOf<HeaderRecord>(window, kHeaderTag); }

bool isGroupHeader(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & SIDEFOLD_HEADER_GROUP) != 0; }
bool isMain(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & SIDEFOLD_HEADER_MAIN) != 0; }

int textHeight(HWND window, const HeaderRecord& h)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, h.font ? h.font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA m{};
    GetTextMetricsA(dc, &m);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return m.tmHeight;
}

LRESULT Header_Measure(HWND window, const HeaderRecord& h, int* size, int width)
{
    if (!writable(size, 2 * sizeof(int))) return 0;
    const SidefoldTheme& t = libraryTheme();
    const int glyph = isMain(window) ? t.mainArrowHeight : t.arrowHeight;
    int icon = 0, iconWidth = 0;
    if (h.images) ImageList_GetIconSize(h.images, &iconWidth, &icon);
    size[0] = width;
    size[1] = std::max({glyph, textHeight(window, h), icon}) + 2;
    return 1;
}

void Header_Paint(HWND window, const HeaderRecord& h)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    const SidefoldTheme& t = libraryTheme();
    const bool main = isMain(window);
    SetBkColor(dc, isGroupHeader(window) ? GetSysColor(main ? COLOR_HIGHLIGHT : COLOR_BTNFACE)
                                         : (t.paneBackground & 0xFFFFFF));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    int x = h.indent >= 0 ? h.indent : 4;
    if (h.images) {
        int w = 0, ih = 0;
        ImageList_GetIconSize(h.images, &w, &ih);
        ImageList_Draw(h.images, h.imageIndex, dc, 2, (r.bottom - ih) / 2, ILD_TRANSPARENT);
        x = 2 + w + 4;
    }
    char text[256] = {};
    const int n = GetWindowTextA(window, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, h.font ? h.font : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, (main ? t.mainHeaderText : t.headerText) & 0xFFFFFF);
    SetBkMode(dc, TRANSPARENT);
    RECT textBox{x, r.top, r.right - 4, r.bottom};
    DrawTextA(dc, text, n, &textBox, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window, &ps);
}

}  // namespace

LRESULT CALLBACK headerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* h = new (std::nothrow) HeaderRecord;
        if (!h) return FALSE;
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        h->creationSize = {create->cx, create->cy};
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(h));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HeaderRecord* h = headerOf(window);
    if (!h) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete h;
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Header_Paint(window, *h); return 0;
    case WM_SETFONT:
        h->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(h->font);
    case WM_USER + 3: return 0;  // no tooltip window yet
    case WM_USER + 4:
        h->expanded = wParam != 0;
        if (lParam == 0) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_USER + 5: return h->expanded ? 1 : 0;
    case WM_USER + 6: h->interactive = wParam != 0; return 0;
    case WM_USER + 7:
        h->indent = static_cast<int>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 1;
    case WM_USER + 8:
        h->images = reinterpret_cast<HIMAGELIST>(wParam);
        h->imageIndex = static_cast<int>(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return 1;
    case SIDEFOLD_MSG_MEASURE:
        return Header_Measure(window, *h, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE:
        if (writable(reinterpret_cast<int*>(wParam), sizeof(int))) *reinterpret_cast<int*>(wParam) = h->creationSize.cx;
        if (writable(reinterpret_cast<int*>(lParam), sizeof(int))) *reinterpret_cast<int*>(lParam) = h->creationSize.cy;
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
