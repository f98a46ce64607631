// The bar window (CollapseXPStyleBar32): its record, its message set, and its teardown.
// Layout messages go through the busy check first (bar_deferred.h); everything that answers
// a question about the groups is handled at once.

#include <windows.h>

#include <commctrl.h>

#include <new>

#include "taskpane/bar_background.h"
#include "taskpane/bar_deferred.h"
#include "taskpane/bar_groups.h"
#include "taskpane/bar_layout.h"
#include "taskpane/bar_scroll.h"
#include "taskpane/group_forwarding.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

BOOL Bar_NcCreate(HWND window)
{
    auto* bar = new (std::nothrow) BarRecord;
    if (!bar) return FALSE;
    bar->stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!bar->stopEvent) {
        delete bar;
        return FALSE;
    }
    InitializeCriticalSection(&bar->lock);
    bar->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    return TRUE;
}

LRESULT Bar_Create(HWND window, BarRecord& bar)
{
    bar.dpi = windowDpi(window);
    makeBarFonts(bar);
    return 0;
}

// Under the lock the record leaves the window, so that nothing finds it any more; then the
// groups, fonts and queue go. While layout work is still running further up the stack (the
// host destroyed the parent while the bar waited on it), the record stays until that ends.
void Bar_Destroy(HWND window, BarRecord* bar)
{
    AcquireSRWLockExclusive(&barsLock);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    // A bar that dies with its parent was never handed to ordinal 10: its thread handle goes here.
    HANDLE thread = bar->thread;
    bar->thread = nullptr;
    ReleaseSRWLockExclusive(&barsLock);
    if (thread) CloseHandle(thread);
    EnterCriticalSection(&bar->lock);
    GroupRecord* groups = bar->firstGroup;
    bar->firstGroup = bar->lastGroup = nullptr;
    LeaveCriticalSection(&bar->lock);

    for (GroupRecord* g = groups; g; g = g->next) {
        if (g->dialog && IsWindow(g->dialog)) DestroyWindow(g->dialog);
        if (g->header && IsWindow(g->header)) DestroyWindow(g->header);
    }
    deleteBarFonts(*bar);
    deleteBackground(*bar);
    if (bar->hostThread) AttachThreadInput(GetCurrentThreadId(), bar->hostThread, FALSE);
    EnterCriticalSection(&bar->lock);
    if (bar->stopEvent) CloseHandle(bar->stopEvent);
    bar->stopEvent = nullptr;
    bar->graveyard = groups;
    const bool inUse = bar->busy > 0;
    bar->dead = inUse;
    LeaveCriticalSection(&bar->lock);
    freeDeferred(*bar);
    if (!inUse) freeBarRecord(bar);
    PostThreadMessageA(GetCurrentThreadId(), SIDEFOLD_MSG_STOP, 0, 0);
}

// A header asks for its background: the part of the pane under it, copied into its DC.
LRESULT Bar_CtlColor(HWND window, const BarRecord& bar, HDC dc, HWND child)
{
    RECT r{};
    if (!child || !GetWindowRect(child, &r)) return 0;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    copyBackground(bar, dc, 0, 0, r);
    SetBkMode(dc, TRANSPARENT);
    return 1;
}

LRESULT Bar_Notify(const BarRecord& bar, NMHDR* header)
{
    if (!readable(header, sizeof(NMHDR))) return 0;
    if (static_cast<int>(header->code) == SIDEFOLD_NOTIFY_HEADER_TOOLTIP)
        if (GroupRecord* g = groupWithHeader(bar, header->hwndFrom))
            return forwardHeaderTooltip(*g, reinterpret_cast<NMTTDISPINFOA*>(header));
    return 0;
}

// The fonts made again and handed to every group; each header takes its look from the new
// theme at once, so that the layout that follows measures it as it will be drawn.
void remakeLook(HWND window, BarRecord& bar, UINT message)
{
    makeBarFonts(bar);
    bar.backgroundStale = true;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        SendMessageA(g->header, WM_THEMECHANGED, 0, 0);
        PostMessageA(g->dialog, message, 0, 0);
        SendMessageA(g->header, WM_SETFONT, reinterpret_cast<WPARAM>(groupFont(bar, *g)), FALSE);
        for (const ChildLayout& c : g->children)
            SendMessageA(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(groupFont(bar, *g)), FALSE);
        giveLinkColours(*g);
    }
    layoutBar(window);
    InvalidateRect(window, nullptr, TRUE);
}

void Bar_ThemeChanged(HWND window, BarRecord& bar, UINT message)
{
    refreshLibraryTheme();
    remakeLook(window, bar, message);
}

// The bar's window now has another DPI (its top-level window moved to a monitor of another
// scale): fonts, sizes and glyphs are made for it and the groups measured and laid out again.
void Bar_DpiChanged(HWND window, BarRecord& bar)
{
    const int dpi = windowDpi(window);
    if (dpi == bar.dpi) return;
    bar.dpi = dpi;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        const ThemeRef theme = libraryTheme(dpi);
        const bool main = (g->description.headerStyle & SIDEFOLD_HEADER_MAIN) != 0;
        const LONG border = main ? theme->mainTaskListBorderThickness.left : theme->taskListBorderThickness.left;
        SendMessageA(g->header, SIDEFOLD_HEADER_SET_INDENT, static_cast<WPARAM>(border + scaled(10, dpi)), 0);
    }
    remakeLook(window, bar, WM_DPICHANGED_AFTERPARENT);
}

// A sub-section inside a group's dialog opened or closed: the group is measured again and the
// stack laid out at once, keeping the focus where it was.
LRESULT Bar_SectionToggled(HWND window, BarRecord& bar, GroupRecord* toggled)
{
    GroupRecord* g = bar.firstGroup;
    while (g && g != toggled) g = g->next;
    if (!g) return 0;
    HWND focus = GetFocus();
    layoutBar(window);
    if (focus && GetFocus() != focus && IsWindowVisible(focus)) SetFocus(focus);
    InvalidateRect(g->dialog, nullptr, TRUE);
    return 1;
}

// A group header toggled by the user: the group opens or shuts as the header now shows it.
LRESULT Bar_HeaderCommand(HWND window, GroupRecord* g, UINT code)
{
    if (!g) return 0;
    const DWORD mode = g->description.headerStyle & (SIDEFOLD_ANIMATE_STRETCH | SIDEFOLD_ANIMATE_ROLL);
    if (code == SIDEFOLD_HEADER_NOW_EXPANDED)
        expandGroup(window, g, mode);
    else if (code == SIDEFOLD_HEADER_NOW_COLLAPSED)
        collapseGroup(window, g, mode);
    return 0;
}

LRESULT Bar_RemoveGroup(HWND window, BarRecord& bar, GroupRecord* g)
{
    if (!g) return 0;
    removeGroup(bar, g);
    layoutBar(window);
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

LRESULT Bar_ShowGroup(HWND window, BarRecord& bar, const GroupRecord* g)
{
    if (!g) return 0;
    showGroup(window, bar, *g);
    return 1;
}

// The layout messages, once the bar is known not to be busy.
LRESULT Bar_LayoutMessage(HWND window, BarRecord& bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: layoutBar(window); return 0;
    case WM_VSCROLL: scrollByCode(window, bar, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: scrollByWheel(window, bar, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: Bar_ThemeChanged(window, bar, message); return 0;
    case WM_DPICHANGED:
    case WM_DPICHANGED_AFTERPARENT: Bar_DpiChanged(window, bar); return 0;
    case WM_COMMAND:
        return Bar_HeaderCommand(window, groupWithHeader(bar, reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
    case SIDEFOLD_BAR_ADD_GROUP:
        return addGroup(window, wParam, reinterpret_cast<const SidefoldGroupDescription*>(lParam));
    case SIDEFOLD_BAR_REMOVE_AT: return Bar_RemoveGroup(window, bar, groupAt(bar, wParam));
    case SIDEFOLD_BAR_REMOVE_ID: return Bar_RemoveGroup(window, bar, groupWithId(bar, wParam));
    case SIDEFOLD_BAR_EXPAND_AT: return expandGroup(window, groupAt(bar, wParam), static_cast<DWORD>(lParam));
    case SIDEFOLD_BAR_EXPAND_ID: return expandGroup(window, groupWithId(bar, wParam), static_cast<DWORD>(lParam));
    case SIDEFOLD_BAR_COLLAPSE_AT: return collapseGroup(window, groupAt(bar, wParam), static_cast<DWORD>(lParam));
    case SIDEFOLD_BAR_COLLAPSE_ID: return collapseGroup(window, groupWithId(bar, wParam), static_cast<DWORD>(lParam));
    case SIDEFOLD_BAR_SHOW_AT: return Bar_ShowGroup(window, bar, groupAt(bar, wParam));
    case SIDEFOLD_BAR_SHOW_ID: return Bar_ShowGroup(window, bar, groupWithId(bar, wParam));
    case SIDEFOLD_MSG_SECTION_TOGGLED: return Bar_SectionToggled(window, bar, reinterpret_cast<GroupRecord*>(wParam));
    default: return 0;
    }
}

LRESULT Bar_CopyDescription(GroupRecord* g, LPARAM lParam)
{
    auto* out = reinterpret_cast<SidefoldGroupDescription*>(lParam);
    if (!g || !writable(out, sizeof(*out)) || out->size != sizeof(SidefoldGroupDescription)) return 0;
    *out = g->description;
    return 1;
}

LRESULT Bar_HeaderOf(const GroupRecord* g) { return g ? reinterpret_cast<LRESULT>(g->header) : 0; }
LRESULT Bar_DialogOf(const GroupRecord* g) { return g ? reinterpret_cast<LRESULT>(g->dialog) : 0; }

LRESULT Bar_PrintClient(HWND window, const BarRecord& bar, HDC dc)
{
    RECT r;
    GetClientRect(window, &r);
    copyBackground(bar, dc, 0, 0, r);
    return 0;
}

// Layout work never nests: a layout message that finds the bar busy waits in its queue.
LRESULT Bar_Layout(HWND window, BarRecord& bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (deferIfBusy(bar, window, message, wParam, lParam, result)) return result;
    result = Bar_LayoutMessage(window, bar, message, wParam, lParam);
    endWork(bar);
    return result;
}

}  // namespace

LRESULT CALLBACK barWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) return Bar_NcCreate(window) ? DefWindowProcA(window, message, wParam, lParam) : FALSE;
    BarRecord* bar = barOf(window);
    if (!bar) return DefWindowProcA(window, message, wParam, lParam);
    if (isLayoutMessage(*bar, message, lParam)) return Bar_Layout(window, *bar, message, wParam, lParam);

    switch (message) {
    case WM_CREATE: return Bar_Create(window, *bar);
    case WM_DESTROY: Bar_Destroy(window, bar); return 0;
    case WM_ERASEBKGND: return 1;  // all painting on WM_PAINT
    case WM_PAINT: paintBar(window, *bar); return 0;
    case WM_PRINTCLIENT: return Bar_PrintClient(window, *bar, reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        return Bar_CtlColor(window, *bar, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return Bar_Notify(*bar, reinterpret_cast<NMHDR*>(lParam));
    case SIDEFOLD_BAR_INTERACTIVE: setInteractive(*bar, wParam != 0); return 1;
    case SIDEFOLD_BAR_HEADER_AT: return Bar_HeaderOf(groupAt(*bar, wParam));
    case SIDEFOLD_BAR_HEADER_ID: return Bar_HeaderOf(groupWithId(*bar, wParam));
    case SIDEFOLD_BAR_DIALOG_AT: return Bar_DialogOf(groupAt(*bar, wParam));
    case SIDEFOLD_BAR_DIALOG_ID: return Bar_DialogOf(groupWithId(*bar, wParam));
    case SIDEFOLD_BAR_DESCRIPTION_AT: return Bar_CopyDescription(groupAt(*bar, wParam), lParam);
    case SIDEFOLD_BAR_DESCRIPTION_ID: return Bar_CopyDescription(groupWithId(*bar, wParam), lParam);
    case SIDEFOLD_BAR_RESERVED_14:
    case SIDEFOLD_BAR_RESERVED_15:
    case SIDEFOLD_BAR_RESERVED_2:
    case SIDEFOLD_BAR_RESERVED_16: return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
