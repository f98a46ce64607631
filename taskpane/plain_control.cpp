// The common body of the task link, label and button classes while they are plain text
// controls: a tagged record, the size requests answered with the size the control was created
// with, a font, and its text painted on its parent's background.

#include <windows.h>

#include <new>

#include "taskpane/bar_record.h"
#include "taskpane/include/sidefold.h"
#include "taskpane/library.h"
#include "taskpane/plain_control.h"

namespace sidefold {

namespace {

struct PlainRecord {
    DWORD tag;
    SIZE creationSize{};   // client size at creation
    HFONT font = nullptr;  // from WM_SETFONT (not owned)
};

}  // namespace

LRESULT plainControlProc(DWORD tag, UINT backgroundMessage, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!attachControlRecord(window, lParam, new (std::nothrow) PlainRecord{tag})) return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    PlainRecord* r = recordOf<PlainRecord>(window, tag);
    if (!r) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY: detachControlRecord(window, r); return 0;
    case WM_SETFONT:
        r->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(r->font);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT box;
        GetClientRect(window, &box);
        // The parent paints the background under us (an answer of 1 says it is done).
        const LRESULT brush = SendMessageA(GetParent(window), backgroundMessage, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(window));
        if (brush > 1) FillRect(dc, &box, reinterpret_cast<HBRUSH>(brush));
        char text[512] = {};
        const int n = GetWindowTextA(window, text, sizeof(text));
        HGDIOBJ old = SelectObject(dc, r->font ? r->font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(window) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextA(dc, text, n, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
        EndPaint(window, &ps);
        return 0;
    }
    case SIDEFOLD_MSG_MEASURE: {
        auto* size = reinterpret_cast<int*>(wParam);
        if (!writable(size, 2 * sizeof(int))) return 0;
        size[0] = static_cast<int>(lParam);
        size[1] = r->creationSize.cy;
        return 1;
    }
    case SIDEFOLD_MSG_CREATION_SIZE:
        if (writable(reinterpret_cast<int*>(wParam), sizeof(int))) *reinterpret_cast<int*>(wParam) = r->creationSize.cx;
        if (writable(reinterpret_cast<int*>(lParam), sizeof(int))) *reinterpret_cast<int*>(lParam) = r->creationSize.cy;
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
