#include "taskpane/bar_layout.h"

#include <algorithm>
#include <new>

#include "taskpane/bar_background.h"
#include "taskpane/bar_deferred.h"
#include "taskpane/library.h"

namespace sidefold {

namespace {

constexpr UINT kSwpMove = SWP_NOZORDER | SWP_NOACTIVATE;

Box box(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT rect(const Box& b) { return {b.left, b.top, b.right, b.bottom}; }

bool isMainGroup(const GroupRecord& g) { return (g.description.headerStyle & SIDEFOLD_HEADER_MAIN) != 0; }

// A library control's size at a width: {width, height}, or false when it does not answer.
bool measured(HWND control, int width, int size[2])
{
    size[0] = width;
    size[1] = 0;
    return SendMessageA(control, SIDEFOLD_MSG_MEASURE, reinterpret_cast<WPARAM>(size), width) != 0;
}

void measureAt(GroupRecord& g, const Box& border, int width, int dpi, GroupGeometry& geometry, bool withScrollBar)
{
    int size[2];
    const int headerHeight = measured(g.header, width, size) && size[1] > 0 ? size[1] : 0;
    const int controlWidth = flowControlWidth(width, border, dpi);
    std::vector<FlowItem> items;
    try {
        items.resize(g.children.size());
    } catch (const std::bad_alloc&) {
        items.clear();
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const ChildLayout& c = g.children[i];
        FlowItem& item = items[i];
        item.templateRect = box(c.templateRect);
        item.section = c.section;
        item.sectionHeader = c.kind == ChildKind::SectionHeader;
        item.open = c.open;
        if (c.library && measured(c.window, controlWidth, size)) {
            item.library = true;
            item.measuredWidth = size[0];
            item.measuredHeight = size[1];
        }
    }
    const FlowResult flow = flowControls(items, border, width, dpi);
    for (size_t i = 0; i < items.size(); ++i) {
        ChildLayout& c = g.children[i];
        (withScrollBar ? c.withScrollBar : c.withoutScrollBar) = rect(flow.rects[i]);
        c.visible = flow.visible[i];
    }
    geometry.header = {0, 0, width, headerHeight};
    geometry.dialog = {0, headerHeight, width, headerHeight + flow.dialogHeight};
    geometry.collapsedHeight = headerHeight;
    geometry.expandedHeight = headerHeight + flow.dialogHeight;
}

HFONT themeFont(const char* face, int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// The width of the scroll bar at the bar's DPI (the system's own where it knows per-DPI sizes).
int scrollBarWidth(int dpi)
{
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    static const auto call = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<MetricsForDpi>(
                          reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")))
                    : nullptr;
    }();
    if (dpi == kBaseDpi || !call) return GetSystemMetrics(SM_CXVSCROLL);
    return call(SM_CXVSCROLL, static_cast<UINT>(dpi));
}

// The stock GUI font, made for `dpi` when that is not the screen's (null when it is).
HFONT scaledGuiFont(int dpi)
{
    LOGFONTA lf{};
    if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf)) return nullptr;
    HDC screen = GetDC(nullptr);
    const int screenDpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    if (screenDpi <= 0 || dpi == screenDpi) return nullptr;
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, screenDpi);
    lf.lfWidth = 0;
    return CreateFontIndirectA(&lf);
}

bool scrollBarVisible(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL) != 0; }

// Shows or hides the scroll bar and sets its range. The WM_SIZE this causes waits in the queue
// (the bar is busy meanwhile) and only lays out again what is already laid out.
void setScrollBar(HWND window, BarRecord& bar, bool show)
{
    beginWork(bar);
    if (show) {
        ShowScrollBar(window, SB_VERT, TRUE);
        bar.scrollPosition = clampScroll(bar.scrollPosition, bar.contentHeight - 1, bar.client.bottom);
        SCROLLINFO info{sizeof(info),
                        SIF_RANGE | SIF_PAGE | SIF_POS,
                        0,
                        bar.contentHeight - 1,
                        static_cast<UINT>(bar.client.bottom),
                        bar.scrollPosition,
                        0};
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    } else {
        bar.scrollPosition = 0;
        SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        SetScrollInfo(window, SB_VERT, &info, FALSE);
        ShowScrollBar(window, SB_VERT, FALSE);
    }
    endWork(bar);
}

}  // namespace

void measureGroup(const BarRecord& bar, GroupRecord& g)
{
    const ThemeRef theme = libraryTheme(bar.dpi);
    const SidefoldTheme& t = *theme;
    const Box border = box(isMainGroup(g) ? t.mainTaskListBorderThickness : t.taskListBorderThickness);
    measureAt(g, border, bar.metrics.groupWidthWithBar, bar.dpi, g.withScrollBar, true);
    measureAt(g, border, bar.metrics.groupWidthWithoutBar, bar.dpi, g.withoutScrollBar, false);
}

int stackHeight(const BarRecord& bar, bool withScrollBar)
{
    int height = bar.metrics.topMargin + bar.metrics.bottomMargin;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        const GroupGeometry& geometry = withScrollBar ? g->withScrollBar : g->withoutScrollBar;
        height += g->expanded ? geometry.expandedHeight : geometry.collapsedHeight;
        if (g->next) height += bar.metrics.gap;
    }
    return height;
}

void layoutBar(HWND window)
{
    BarRecord* bar = barOf(window);
    if (!bar) return;
    const ThemeRef theme = libraryTheme(bar->dpi);
    const SidefoldTheme& t = *theme;
    GetClientRect(window, &bar->client);
    bar->scrollBarShown = scrollBarVisible(window);
    bar->metrics = paneMetrics(bar->client.right, bar->scrollBarShown, scrollBarWidth(bar->dpi), box(t.panePadding),
                               box(t.paneBorderThickness), bar->dpi);
    for (GroupRecord* g = bar->firstGroup; g; g = g->next) measureGroup(*bar, *g);
    const int without = stackHeight(*bar, false);
    const bool overflow = without > bar->client.bottom;
    bar->contentHeight = overflow ? stackHeight(*bar, true) : without;
    setScrollBar(window, *bar, overflow);
    if (!barOf(window)) return;
    GetClientRect(window, &bar->client);
    bar->scrollBarShown = scrollBarVisible(window);
    // What was painted from the old background no longer matches it anywhere: paint it all again.
    if (makeBackground(*bar)) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    placeGroups(*bar);
}

void placeControls(const BarRecord& bar, const GroupRecord& g)
{
    for (const ChildLayout& c : g.children) {
        const RECT& r = bar.scrollBarShown ? c.withScrollBar : c.withoutScrollBar;
        SetWindowPos(c.window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     kSwpMove | (c.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
}

void placeGroups(BarRecord& bar)
{
    const int left = bar.metrics.leftMargin;
    int y = bar.metrics.topMargin;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        const GroupGeometry& geometry = currentGeometry(bar, *g);
        g->contentTop = y;
        g->position = {left, y - bar.scrollPosition};
        SetWindowPos(g->header, nullptr, left, g->position.y, geometry.header.right, geometry.header.bottom,
                     kSwpMove | SWP_SHOWWINDOW);
        if (g->expanded) {
            placeControls(bar, *g);
            RECT before{};
            GetClientRect(g->dialog, &before);
            const int w = geometry.dialog.right, h = geometry.dialog.bottom - geometry.dialog.top;
            SetWindowPos(g->dialog, nullptr, left, g->position.y + geometry.dialog.top, w, h,
                         kSwpMove | (g == bar.opening ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
            // The task-list box's borders run along the dialog's edges: a new size paints it anew.
            if (before.right != w || before.bottom != h)
                RedrawWindow(g->dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        } else {
            ShowWindow(g->dialog, SW_HIDE);
        }
        pumpPaint(bar);
        y += (g == bar.opening ? geometry.collapsedHeight : groupHeight(bar, *g)) + bar.metrics.gap;
    }
}

void pumpPaint(BarRecord& bar)
{
    if (bar.paintPump) return;
    bar.paintPump = true;
    MSG msg;
    // Bounded: a window that never validates itself must not hold the layout here. WM_QUIT lies
    // inside the range; one taken here goes back for the thread's own loop.
    for (int i = 0; i < 256 && PeekMessageA(&msg, nullptr, WM_PAINT, WM_ERASEBKGND, PM_REMOVE | PM_QS_PAINT); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchMessageA(&msg);
    }
    bar.paintPump = false;
}

void makeBarFonts(BarRecord& bar)
{
    deleteBarFonts(bar);
    const ThemeRef theme = libraryTheme(bar.dpi);
    const SidefoldTheme& t = *theme;
    if (!t.systemLook) {
        bar.font = themeFont(t.headerFontFace, t.headerFontHeight);
        bar.mainFont = themeFont(t.mainHeaderFontFace, t.mainHeaderFontHeight);
        bar.ownFonts = true;
        if (bar.font && bar.mainFont) return;
        deleteBarFonts(bar);
    }
    if (HFONT own = scaledGuiFont(bar.dpi)) {
        bar.font = bar.mainFont = own;
        bar.ownFonts = true;
        return;
    }
    bar.font = bar.mainFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void deleteBarFonts(BarRecord& bar)
{
    if (bar.ownFonts) {
        if (bar.font) DeleteObject(bar.font);
        if (bar.mainFont && bar.mainFont != bar.font) DeleteObject(bar.mainFont);
    }
    bar.font = bar.mainFont = nullptr;
    bar.ownFonts = false;
}

}  // namespace sidefold
