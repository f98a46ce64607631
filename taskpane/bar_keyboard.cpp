#include "taskpane/bar_keyboard.h"

#include <vector>

#include "taskpane/bar_deferred.h"
#include "taskpane/bar_record.h"
#include "taskpane/bar_scroll.h"
#include "taskpane/button_face.h"
#include "taskpane/group_forwarding.h"
#include "taskpane/library.h"

namespace sidefold {

namespace {

// The navigation list in display order: the bar, then per group its header, its dialog and the
// dialog's controls in window order. Only headers and the reachable tab stops are stops.
struct Entry {
    HWND window;
    GroupRecord* group;  // null for the bar
    bool header;
    bool stop;
};

bool isClassName(HWND window, const char* name)
{
    char text[32] = {};
    return GetClassNameA(window, text, sizeof(text)) > 0 && lstrcmpiA(text, name) == 0;
}

std::vector<Entry> entriesOf(HWND window, const BarRecord& bar)
{
    std::vector<Entry> entries{{window, nullptr, false, false}};
    for (GroupRecord* g = bar.firstGroup; g; g = g->next) {
        entries.push_back({g->header, g, true, true});
        entries.push_back({g->dialog, g, false, false});
        for (const ChildLayout& c : g->children) {
            const bool stop = g->expanded && c.visible && IsWindowEnabled(c.window) &&
                              (GetWindowLongA(c.window, GWL_STYLE) & WS_TABSTOP);
            entries.push_back({c.window, g, false, stop});
        }
    }
    return entries;
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

// A push button, ours or the system's.
bool isPushButton(HWND control)
{
    if (isClassName(control, "Button")) {
        const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
    }
    return isClassName(control, SIDEFOLD_CLASS_BUTTON) && isPushKind(buttonKind(control));
}

// Enter: a focused task link runs itself (the key is left to it); the focused push button, else
// the default button of the group the focus is in (the nearest header at or above it); never
// another group's.
bool pressEnter(const Entry& focused)
{
    if (isClass(focused.window, WindowClass::Link)) return false;
    HWND button = nullptr;
    if (focused.group && !focused.header && isPushButton(focused.window))
        button = focused.window;
    else if (focused.group)
        button = focused.group->shownDefault ? focused.group->shownDefault : focused.group->defaultButton;
    if (!button || !IsWindowEnabled(button)) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

int stepToStop(const std::vector<Entry>& entries, int from, bool back)
{
    const int n = static_cast<int>(entries.size());
    for (int step = 1; step <= n; ++step) {
        const int i = ((back ? from - step : from + step) % n + n) % n;
        if (entries[static_cast<size_t>(i)].stop) return i;
    }
    return -1;
}

// The group whose header or dialog holds the window; the first group for the bar itself.
GroupRecord* groupHolding(HWND window, const BarRecord& bar, HWND focus)
{
    for (GroupRecord* g = bar.firstGroup; g; g = g->next)
        if (focus == g->header || focus == g->dialog || IsChild(g->dialog, focus)) return g;
    return focus == window ? bar.firstGroup : nullptr;
}

}  // namespace

bool offerKeyToHost(HWND window, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    BarRecord* bar = barOf(window);
    const HWND focus = GetFocus();
    if (!bar || !focus || (focus != window && !IsChild(window, focus))) return false;
    MSG copy = msg;
    const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy));
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
    GroupRecord* g = groupHolding(window, *bar, focus);
    return g && forwardToHost(*g, g->dialog, msg.message, msg.wParam, msg.lParam) != 0;
}

bool navigateByKey(HWND window, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN) return false;
    const WPARAM key = msg.wParam;
    if (key != VK_TAB && key != VK_RETURN && key != VK_UP && key != VK_DOWN) return false;
    BarRecord* bar = barOf(window);
    if (!bar) return false;
    const HWND focus = focusedControl();
    if (!focus || (focus != window && !IsChild(window, focus))) return false;
    std::vector<Entry> entries;
    try {
        entries = entriesOf(window, *bar);
    } catch (...) {
        return false;
    }
    int at = -1;
    for (size_t i = 0; i < entries.size() && at < 0; ++i)
        if (entries[i].window == focus) at = static_cast<int>(i);
    const bool back = key == VK_UP || (key == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000));

    int next;
    if (at < 0) {
        // A window the list does not know (inside one of the controls): Tab goes to the bar
        // itself, Shift+Tab to the last stop.
        if (key != VK_TAB) return false;
        if (!back) {
            SetFocus(window);
            return true;
        }
        next = stepToStop(entries, 0, true);
    } else {
        if (at > 0) {
            MSG copy = msg;
            const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&copy));
            if (code & DLGC_WANTALLKEYS) return false;
            if (key == VK_TAB && (code & DLGC_WANTTAB)) return false;
            if ((key == VK_UP || key == VK_DOWN) && ((code & DLGC_WANTARROWS) || keepsArrows(focus))) return false;
        }
        if (key == VK_RETURN) return pressEnter(entries[static_cast<size_t>(at)]);
        next = stepToStop(entries, at, back);
    }
    if (next < 0) return false;
    const Entry& target = entries[static_cast<size_t>(next)];
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
