#include "taskpane/bar_groups.h"

#include <new>
#include <string>

#include "taskpane/bar_animation.h"
#include "taskpane/bar_deferred.h"
#include "taskpane/bar_layout.h"
#include "taskpane/bar_scroll.h"
#include "taskpane/library.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

void linkIn(BarRecord& bar, GroupRecord* g, WPARAM position)
{
    GroupRecord* before = position == static_cast<WPARAM>(-1) ? nullptr : groupAt(bar, position);
    g->next = before;
    g->previous = before ? before->previous : bar.lastGroup;
    (g->previous ? g->previous->next : bar.firstGroup) = g;
    (before ? before->previous : bar.lastGroup) = g;
}

void unlink(BarRecord& bar, GroupRecord* g)
{
    (g->previous ? g->previous->next : bar.firstGroup) = g->next;
    (g->next ? g->next->previous : bar.lastGroup) = g->previous;
    g->previous = g->next = nullptr;
}

void postNotice(GroupRecord* g, UINT code)
{
    NMHDR* notice = nullptr;
    try {
        notice = &g->notices.emplace_back();
    } catch (const std::bad_alloc&) {
        return;
    }
    notice->hwndFrom = g->dialog;
    notice->idFrom = static_cast<UINT_PTR>(g->description.groupId);
    notice->code = code;
    if (!PostMessageA(g->dialog, WM_NOTIFY, static_cast<WPARAM>(g->description.groupId),
                      reinterpret_cast<LPARAM>(notice)))
        g->notices.pop_back();
}

// The animation a change runs: none while the bar cannot be seen (a host adds its groups open
// before it shows its window; ten frames there would only hold the host up).
DWORD shownMode(HWND barWindow, DWORD animation)
{
    return IsWindowVisible(barWindow) ? animation & (SIDEFOLD_ANIMATE_STRETCH | SIDEFOLD_ANIMATE_ROLL) : 0;
}

}  // namespace

HFONT groupFont(const BarRecord& bar, const GroupRecord& group)
{
    return (group.description.headerStyle & SIDEFOLD_HEADER_MAIN) ? bar.mainFont : bar.font;
}

void giveLinkColours(const GroupRecord& group)
{
    const ThemeRef theme = libraryTheme();
    const SidefoldTheme& t = *theme;
    const bool main = (group.description.headerStyle & SIDEFOLD_HEADER_MAIN) != 0;
    COLORREF colours[5] = {0, main ? t.mainLinkColour : t.linkColour, main ? t.mainLinkHoverColour : t.linkHoverColour,
                           main ? t.mainLinkHoverColour : t.linkHoverColour, GetSysColor(COLOR_GRAYTEXT)};
    for (const ChildLayout& c : group.children)
        if (c.kind == ChildKind::Link)
            SendMessageA(c.window, SIDEFOLD_LINK_SET_COLOURS, reinterpret_cast<WPARAM>(colours), 0);
}

LRESULT addGroup(HWND barWindow, WPARAM position, const SidefoldGroupDescription* description)
{
    BarRecord* bar = barOf(barWindow);
    if (!bar || !validDescription(description) || description->templateId > 0xFFFF) return 0;
    auto* g = new (std::nothrow) GroupRecord;
    if (!g) return 0;
    g->description = *description;
    g->bar = bar;
    const ThemeRef theme = libraryTheme(bar->dpi);
    const SidefoldTheme& t = *theme;
    const bool main = (description->headerStyle & SIDEFOLD_HEADER_MAIN) != 0;
    const DWORD style =
        (description->headerStyle | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SIDEFOLD_HEADER_GROUP) &
        ~static_cast<DWORD>(WS_VISIBLE | SIDEFOLD_HEADER_EXPANDED);
    std::string title;
    try {
        title = copyTitle(description->title);
    } catch (const std::bad_alloc&) {
        delete g;
        return 0;
    }
    g->header = CreateWindowExA(description->headerExStyle, SIDEFOLD_CLASS_HEADER, title.c_str(), style, 0, 0, 0, 0,
                                barWindow, nullptr, libraryModule(), nullptr);
    if (g->header) {
        const LONG border = main ? t.mainTaskListBorderThickness.left : t.taskListBorderThickness.left;
        SendMessageA(g->header, SIDEFOLD_HEADER_SET_INDENT, static_cast<WPARAM>(border + scaled(10, bar->dpi)), 0);
        if (description->headerImages)
            SendMessageA(g->header, SIDEFOLD_HEADER_SET_ICON, reinterpret_cast<WPARAM>(description->headerImages),
                         description->headerImageIndex);
        HWND dialog = CreateDialogParamA(description->templateModule, MAKEINTRESOURCEA(description->templateId),
                                         barWindow, &groupDialogProc, reinterpret_cast<LPARAM>(g));
        g->dialog = dialog;
    }
    // The host may have destroyed the bar's parent while it was told about the new dialog.
    if (!g->header || !g->dialog || barOf(barWindow) != bar) {
        destroyGroup(g);
        return 0;
    }
    ShowWindow(g->dialog, SW_HIDE);
    linkIn(*bar, g, position);
    layoutBar(barWindow);
    if (description->headerStyle & SIDEFOLD_HEADER_EXPANDED)
        expandGroup(barWindow, g, description->headerStyle & (SIDEFOLD_ANIMATE_STRETCH | SIDEFOLD_ANIMATE_ROLL));
    return 1;
}

void removeGroup(BarRecord& bar, GroupRecord* group)
{
    unlink(bar, group);
    destroyGroup(group);
}

LRESULT expandGroup(HWND barWindow, GroupRecord* g, DWORD animation)
{
    BarRecord* bar = barOf(barWindow);
    if (!bar || !g) return 0;
    showGroup(barWindow, *bar, *g);
    if (g->expanded) return 1;
    g->expanded = true;
    const DWORD mode = shownMode(barWindow, animation);
    if (mode) {
        // Laid out with the group open (a scroll bar it needs shows first), shown shut, then
        // opened frame by frame.
        bar->opening = g;
        layoutBar(barWindow);
        bar->opening = nullptr;
        if (barOf(barWindow) == bar) animateGroup(barWindow, *bar, *g, mode, true);
    }
    SendMessageA(g->header, SIDEFOLD_HEADER_SET_EXPANDED, 1, 1);
    layoutBar(barWindow);
    postNotice(g, SIDEFOLD_NOTIFY_EXPANDED);
    RedrawWindow(barWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return 1;
}

LRESULT collapseGroup(HWND barWindow, GroupRecord* g, DWORD animation)
{
    BarRecord* bar = barOf(barWindow);
    if (!bar || !g) return 0;
    if (!g->expanded) return 1;
    for (const ChildLayout& c : g->children)
        if (c.kind == ChildKind::ComboBox || c.kind == ChildKind::ComboBoxEx)
            SendMessageA(c.window, CB_SHOWDROPDOWN, FALSE, 0);
    // The frames are drawn over the dialog, which they hide after the last one.
    const DWORD mode = shownMode(barWindow, animation);
    if (mode) {
        animateGroup(barWindow, *bar, *g, mode, false);
        if (barOf(barWindow) != bar) return 1;
    }
    ShowWindow(g->dialog, SW_HIDE);
    g->expanded = false;
    SendMessageA(g->header, SIDEFOLD_HEADER_SET_EXPANDED, 0, 1);
    layoutBar(barWindow);
    postNotice(g, SIDEFOLD_NOTIFY_COLLAPSED);
    RedrawWindow(barWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return 1;
}

void setInteractive(const BarRecord& bar, bool interactive)
{
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        SendMessageA(g->header, SIDEFOLD_HEADER_SET_INTERACTIVE, interactive, 0);
        for (const ChildLayout& c : g->children) {
            if (c.kind == ChildKind::SectionHeader)
                SendMessageA(c.window, SIDEFOLD_HEADER_SET_INTERACTIVE, interactive, 0);
            else if (c.kind == ChildKind::Link)
                SendMessageA(c.window, SIDEFOLD_LINK_SET_INTERACTIVE, interactive, 0);
        }
    }
}

}  // namespace sidefold
