#include "taskpane/bar_layout.h"

#include <algorithm>

#include "taskpane/library.h"

namespace sidefold {

namespace {

// One and a half times a padding, at least 4.
int widened(LONG v) { return std::max(4, static_cast<int>(v + v / 2)); }

int headerHeight(HWND header, int width)
{
    int size[2] = {width, 0};
    if (SendMessageA(header, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(size), width) && size[1] > 0)
        return size[1];
    return 25;
}

HFONT themeFont(const char* face, int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

void layoutBar(HWND window)
{
    BarRecord* bar = barOf(window);
    if (!bar) return;
    const SidefoldTheme& t = libraryTheme();
    RECT client;
    GetClientRect(window, &client);
    const int left = widened(t.panePadding.left) + t.paneBorderThickness.left;
    const int right = widened(t.panePadding.right) + t.paneBorderThickness.right;
    const int gap = widened(std::max(t.panePadding.top, t.panePadding.bottom));
    const int width = std::max(1, static_cast<int>(client.right) - left - right);
    int y = t.paneBorderThickness.top + gap;
    for (GroupRecord* g = bar->firstGroup; g; g = g->next) {
        const int h = headerHeight(g->header, width);
        g->position = {left, y};
        SetWindowPos(g->header, nullptr, left, y, width, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        y += h;
        RECT dialog{};
        GetWindowRect(g->dialog, &dialog);
        const int dh = dialog.bottom - dialog.top;
        if (g->expanded) {
            SetWindowPos(g->dialog, nullptr, left, y, width, dh, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            y += dh;
        } else {
            ShowWindow(g->dialog, SW_HIDE);
        }
        y += gap;
    }
    // The scroll bar only when the stack is taller than the bar (scrolling itself comes with the
    // full layout); its WM_SIZE is queued, the bar being busy here.
    const int content = y + t.paneBorderThickness.bottom;
    const bool overflow = content > client.bottom;
    SCROLLINFO info{
        sizeof(info), SIF_RANGE | SIF_PAGE, 0, overflow ? content - 1 : 0, static_cast<UINT>(client.bottom), 0, 0};
    SetScrollInfo(window, SB_VERT, &info, FALSE);
    const bool shown = (GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL) != 0;
    if (shown != overflow) {
        ShowScrollBar(window, SB_VERT, overflow);
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void makeBarFonts(BarRecord& bar)
{
    deleteBarFonts(bar);
    const SidefoldTheme& t = libraryTheme();
    if (!t.systemLook) {
        bar.font = themeFont(t.headerFontFace, t.headerFontHeight);
        bar.mainFont = themeFont(t.mainHeaderFontFace, t.mainHeaderFontHeight);
        bar.ownFonts = true;
        if (bar.font && bar.mainFont) return;
        deleteBarFonts(bar);
    }
    bar.font = bar.mainFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void deleteBarFonts(BarRecord& bar)
{
    if (bar.ownFonts) {
        if (bar.font) DeleteObject(bar.font);
        if (bar.mainFont) DeleteObject(bar.mainFont);
    }
    bar.font = bar.mainFont = nullptr;
    bar.ownFonts = false;
}

}  // namespace sidefold
