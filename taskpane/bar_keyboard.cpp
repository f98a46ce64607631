#include "taskpane/bar_keyboard.h"

#include <vector>

#include "taskpane/bar_deferred.h"
#include "taskpane/bar_record.h"
#include "taskpane/bar_scroll.h"

namespace sidefold {

namespace {

struct Stop {
    HWND window;
    GroupRecord* group;
    bool header;
};

bool isClassName(HWND window, const char* name)
{
    char text[32] = {};
    return GetClassNameA(window, text, sizeof(text)) > 0 && lstrcmpiA(text, name) == 0;
}

std::vector<Stop> stopsOf(const BarRecord& bar)
{
    std::vector<Stop> stops;
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        stops.push_back({g->header, g, true});
        if (!g->expanded) continue;
        for (const ChildLayout& c : g->children)
            if (c.visible && IsWindowEnabled(c.window) && (GetWindowLongA(c.window, GWL_STYLE) & WS_TABSTOP))
                stops.push_back({c.window, g, false});
    }
    return stops;
}

// An edit or list inside a combo box counts as the combo box.
HWND focusedControl()
{
    HWND focus = GetFocus();
    for (HWND w = focus; w; w = GetParent(w))
        if (isClassName(w, "ComboBox") || isClassName(w, "ComboBoxEx32")) return w;
    return focus;
}

bool keepsArrows(HWND control)
{
    return isClassName(control, "ComboBox") || isClassName(control, "ComboBoxEx32") || isClassName(control, "Edit") ||
           isClassName(control, "ListBox") || isClassName(control, "ScrollBar");
}

HWND defaultButtonOf(const GroupRecord& g) { return g.shownDefault ? g.shownDefault : g.defaultButton; }

bool pressEnter(const std::vector<Stop>& stops, int at, HWND focus)
{
    if (at >= 0 && !stops[static_cast<size_t>(at)].header && isClassName(focus, "Button")) {
        const LONG type = GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            PostMessageA(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    // The default button of the focused header's group, or of the nearest group above.
    for (int i = at; i >= 0; --i) {
        if (!stops[static_cast<size_t>(i)].header) continue;
        if (HWND button = defaultButtonOf(*stops[static_cast<size_t>(i)].group)) {
            PostMessageA(button, BM_CLICK, 0, 0);
            return true;
        }
        if (i == at) return false;  // a header whose group has none
    }
    return false;
}

}  // namespace

bool navigateByKey(HWND window, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN) return false;
    const WPARAM key = msg.wParam;
    if (key != VK_TAB && key != VK_RETURN && key != VK_UP && key != VK_DOWN) return false;
    BarRecord* bar = barOf(window);
    if (!bar) return false;
    const HWND focus = focusedControl();
    if (!focus || (focus != window && !IsChild(window, focus))) return false;
    std::vector<Stop> stops;
    try {
        stops = stopsOf(*bar);
    } catch (...) {
        return false;
    }
    if (stops.empty()) return false;
    int at = -1;
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i].window == focus) at = static_cast<int>(i);

    if (at >= 0 && focus != window) {
        MSG copy = msg;
        const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&copy));
        if (code & DLGC_WANTALLKEYS) return false;
        if (key == VK_TAB && (code & DLGC_WANTTAB)) return false;
        if ((key == VK_UP || key == VK_DOWN) && ((code & DLGC_WANTARROWS) || keepsArrows(focus))) return false;
    }
    if (key == VK_RETURN) return pressEnter(stops, at, focus);

    const bool back = key == VK_UP || (key == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000));
    int next;
    if (at < 0) {
        if (key != VK_TAB && focus != window) return false;
        next = back ? static_cast<int>(stops.size()) - 1 : 0;
    } else {
        const int n = static_cast<int>(stops.size());
        next = ((back ? at - 1 : at + 1) % n + n) % n;
    }
    const Stop& target = stops[static_cast<size_t>(next)];
    if (GetForegroundWindow() != GetAncestor(window, GA_ROOT)) SetForegroundWindow(GetAncestor(window, GA_ROOT));
    // Scrolling moves the dialogs, whose messages go to the host: the bar is busy meanwhile, so
    // that what the host sends back (a group removed, the bar destroyed) waits for the scroll.
    beginWork(*bar);
    if (target.header)
        showGroup(window, *bar, *target.group);
    else
        showControl(window, *bar, target.window);
    const HWND to = target.window;
    endWork(*bar);
    SetFocus(to);
    return true;
}

}  // namespace sidefold
