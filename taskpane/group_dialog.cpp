// The dialog procedure of every group: on WM_INITDIALOG it collects the dialog's controls and
// gives them the bar's font and the theme's colours; every message after that goes to the host
// (group_forwarding.h), except the background painting, which the library does itself.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "taskpane/bar_groups.h"
#include "taskpane/group_forwarding.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr int kSectionEndId = 32000;  // a Static from this id on ends the open sub-section

bool isClassName(HWND window, const char* name)
{
    char text[64] = {};
    return GetClassNameA(window, text, sizeof(text)) > 0 && lstrcmpiA(text, name) == 0;
}

ChildKind kindOf(HWND child, bool& library)
{
    library = isClass(child, WindowClass::Header) || isClass(child, WindowClass::Link) ||
              isClass(child, WindowClass::Label) || isClass(child, WindowClass::Button);
    if (isClass(child, WindowClass::Header)) return ChildKind::SectionHeader;
    if (isClass(child, WindowClass::Link)) return ChildKind::Link;
    if (isClassName(child, "ComboBox")) return ChildKind::ComboBox;
    if (isClassName(child, "ComboBoxEx32")) return ChildKind::ComboBoxEx;
    if (isClassName(child, "Edit") || isClassName(child, "ListBox") || isClassName(child, "ScrollBar"))
        return ChildKind::EditLike;
    if (isClassName(child, "Button")) {
        const LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return ChildKind::PushButton;
    }
    return ChildKind::Other;
}

// The controls in window order, each in the sub-section of the header above it; a static with
// an id of 32000 or more is destroyed and closes the innermost open sub-section.
void collectChildren(GroupRecord& g)
{
    g.children.clear();
    int section = -1;
    HWND child = GetWindow(g.dialog, GW_CHILD);
    while (child) {
        HWND next = GetWindow(child, GW_HWNDNEXT);
        const int id = GetDlgCtrlID(child);
        if (isClassName(child, "Static") && id >= kSectionEndId) {
            DestroyWindow(child);
            if (section >= 0) section = g.children[static_cast<size_t>(section)].section;
            child = next;
            continue;
        }
        ChildLayout c;
        c.window = child;
        c.id = id;
        c.kind = kindOf(child, c.library);
        c.section = section;
        if (c.kind == ChildKind::SectionHeader)
            c.open = (GetWindowLongA(child, GWL_STYLE) & SIDEFOLD_HEADER_EXPANDED) != 0;
        GetWindowRect(child, &c.templateRect);
        MapWindowPoints(nullptr, g.dialog, reinterpret_cast<POINT*>(&c.templateRect), 2);
        if (c.kind == ChildKind::PushButton && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            // One default button per dialog: the first.
            if (!g.defaultButton)
                g.defaultButton = g.shownDefault = child;
            else
                SendMessageA(child, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
        }
        g.children.push_back(c);
        if (c.kind == ChildKind::SectionHeader) section = static_cast<int>(g.children.size() - 1);
        child = next;
    }
}

void prepareControls(GroupRecord& g)
{
    const HFONT font = g.bar ? groupFont(*g.bar, g) : nullptr;
    if (font) SendMessageA(g.header, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (const ChildLayout& c : g.children) {
        if (font) SendMessageA(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (c.kind == ChildKind::SectionHeader)
            SendMessageA(c.window, SIDEFOLD_HEADER_SET_INTERACTIVE, 1, 0);
        else if (c.kind == ChildKind::Link)
            SendMessageA(c.window, SIDEFOLD_LINK_SET_INTERACTIVE, 1, 0);
    }
    SendMessageA(g.header, SIDEFOLD_HEADER_SET_INTERACTIVE, 1, 0);
    giveLinkColours(g);
}

RECT borders(const GroupRecord& g)
{
    const ThemeRef theme = themeFor(g.dialog);
    const SidefoldTheme& t = *theme;
    return (g.description.headerStyle & SIDEFOLD_HEADER_MAIN) ? t.mainTaskListBorderThickness
                                                              : t.taskListBorderThickness;
}

COLORREF colour(const GroupRecord& g, bool border)
{
    const ThemeRef theme = libraryTheme();
    const SidefoldTheme& t = *theme;
    const bool main = (g.description.headerStyle & SIDEFOLD_HEADER_MAIN) != 0;
    const COLORREF c = border ? (main ? t.mainTaskListBorderColour : t.taskListBorderColour)
                              : (main ? t.mainTaskListBackground : t.taskListBackground);
    return c & 0xFFFFFF;
}

void fill(HDC dc, const RECT& r, COLORREF c)
{
    SetBkColor(dc, c);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// With SIDEFOLD_HEADER_OWNER_PAINTS the owner may paint the dialog's background itself.
bool ownerPainted(const GroupRecord& g, HDC dc, const RECT& all)
{
    if (!(g.description.headerStyle & SIDEFOLD_HEADER_OWNER_PAINTS)) return false;
    SidefoldPaintRequest request{
        sizeof(SidefoldPaintRequest), dc, all.right - all.left, all.bottom - all.top, colour(g, true), nullptr};
    return forwardToHost(g, g.dialog, SIDEFOLD_MSG_PAINT_BACKGROUND, reinterpret_cast<WPARAM>(&request), 0) != 0;
}

// The task-list box: its background, then the border rows and columns.
void Dialog_EraseBackground(const GroupRecord& g, HDC dc)
{
    RECT all;
    GetClientRect(g.dialog, &all);
    if (ownerPainted(g, dc, all)) return;
    fill(dc, all, colour(g, false));
    const RECT b = borders(g);
    const COLORREF edge = colour(g, true);
    fill(dc, {all.left, all.top, all.left + b.left, all.bottom}, edge);
    fill(dc, {all.right - b.right, all.top, all.right, all.bottom}, edge);
    fill(dc, {all.left, all.top, all.right, all.top + b.top}, edge);
    fill(dc, {all.left, all.bottom - b.bottom, all.right, all.bottom}, edge);
}

// A control asks for its background. A library control gets the task-list colour under it
// already painted (a non-zero answer says so); an ordinary static, check box, radio button or
// group box gets a real brush of that colour, and its text goes on transparently.
INT_PTR Dialog_CtlColor(const GroupRecord& g, HDC dc, HWND control)
{
    const bool library = std::any_of(g.children.begin(), g.children.end(),
                                     [&](const ChildLayout& c) { return c.window == control && c.library; });
    const COLORREF background = colour(g, false);
    SetBkMode(dc, TRANSPARENT);
    if (library) {
        RECT r;
        GetClientRect(control, &r);
        fill(dc, r, background);
        return 1;
    }
    SetBkColor(dc, background);
    SetDCBrushColor(dc, background);
    return reinterpret_cast<INT_PTR>(GetStockObject(DC_BRUSH));
}

INT_PTR Dialog_Init(HWND dialog, GroupRecord* g, WPARAM focus)
{
    if (!g || g->tag != RecordTag::Group) return FALSE;
    g->dialog = dialog;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g));
    try {
        collectChildren(*g);
    } catch (const std::bad_alloc&) {
        g->children.clear();
    }
    prepareControls(*g);
    return forwardToHost(*g, dialog, WM_INITDIALOG, focus, reinterpret_cast<LPARAM>(g));
}

// The host's answer is the dialog procedure's result; for the messages whose result the dialog
// manager takes from DWLP_MSGRESULT it goes there too, so that the sender sees it.
INT_PTR answer(HWND dialog, UINT message, LRESULT result)
{
    const bool direct = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
                        message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
                        message == WM_INITDIALOG;
    if (result && !direct) SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return result;
}

// A sub-section header inside the dialog was toggled: its section opens or closes (a closing
// one first shuts the drop-down lists inside it) and the bar lays the group out again.
void Dialog_SectionToggled(HWND dialog, GroupRecord& g, HWND header, bool open)
{
    int index = -1;
    for (size_t i = 0; i < g.children.size(); ++i)
        if (g.children[i].window == header && g.children[i].kind == ChildKind::SectionHeader)
            index = static_cast<int>(i);
    if (index < 0) return;
    g.children[static_cast<size_t>(index)].open = open;
    if (!open) {
        for (const ChildLayout& c : g.children) {
            int s = c.section;
            while (s >= 0 && s != index) s = g.children[static_cast<size_t>(s)].section;
            if (s == index && (c.kind == ChildKind::ComboBox || c.kind == ChildKind::ComboBoxEx))
                SendMessageA(c.window, CB_SHOWDROPDOWN, FALSE, 0);
        }
    }
    SendMessageA(GetParent(dialog), SIDEFOLD_MSG_SECTION_TOGGLED, reinterpret_cast<WPARAM>(&g),
                 reinterpret_cast<LPARAM>(header));
}

// A push button with the focus shows as the default; when it loses it, the dialog's default
// button takes the look back.
void Dialog_ButtonFocus(GroupRecord& g, HWND button, bool focused)
{
    const bool push = std::any_of(g.children.begin(), g.children.end(), [&](const ChildLayout& c) {
        return c.window == button && c.kind == ChildKind::PushButton;
    });
    if (!push) return;
    HWND next = focused ? button : g.defaultButton;
    if (g.shownDefault && g.shownDefault != next) SendMessageA(g.shownDefault, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (next) SendMessageA(next, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    g.shownDefault = next;
}

void Dialog_Command(HWND dialog, GroupRecord& g, WPARAM wParam, HWND control)
{
    const UINT code = HIWORD(wParam);
    if (code == SIDEFOLD_HEADER_NOW_EXPANDED || code == SIDEFOLD_HEADER_NOW_COLLAPSED)
        Dialog_SectionToggled(dialog, g, control, code == SIDEFOLD_HEADER_NOW_EXPANDED);
    else if (code == BN_SETFOCUS || code == BN_KILLFOCUS)
        Dialog_ButtonFocus(g, control, code == BN_SETFOCUS);
}

// A notice the bar posted: handed on, then done with. Any other WM_NOTIFY is handed on as it is.
INT_PTR Dialog_Notify(HWND dialog, GroupRecord& g, WPARAM wParam, LPARAM lParam)
{
    auto posted = std::find_if(g.notices.begin(), g.notices.end(),
                               [&](const NMHDR& n) { return reinterpret_cast<LPARAM>(&n) == lParam; });
    const LRESULT result = forwardToHost(g, dialog, WM_NOTIFY, wParam, lParam);
    // The host may have removed the group meanwhile, and its notices with it.
    if (posted != g.notices.end() && groupOf(dialog) == &g) g.notices.erase(posted);
    return answer(dialog, WM_NOTIFY, result);
}

// The child whose id is in wParam, as the dialog's message result.
INT_PTR Dialog_ChildById(HWND dialog, int id)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(GetDlgItem(dialog, id)));
    return TRUE;
}

// The library's own handling first (sub-sections, the default look), then the host's.
INT_PTR Dialog_CommandMessage(HWND dialog, GroupRecord& g, WPARAM wParam, LPARAM lParam)
{
    Dialog_Command(dialog, g, wParam, reinterpret_cast<HWND>(lParam));
    if (!groupOf(dialog)) return FALSE;
    return answer(dialog, WM_COMMAND, forwardToHost(g, dialog, WM_COMMAND, wParam, lParam));
}

// The last message: the record leaves the window first, so nothing that happens while the host
// hears of it reaches the host again.
INT_PTR Dialog_NcDestroy(HWND dialog, GroupRecord& g, WPARAM wParam, LPARAM lParam)
{
    SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
    return forwardToHost(g, dialog, WM_NCDESTROY, wParam, lParam);
}

INT_PTR Dialog_Forward(HWND dialog, GroupRecord& g, UINT message, WPARAM wParam, LPARAM lParam)
{
    return answer(dialog, message, forwardToHost(g, dialog, message, wParam, lParam));
}

}  // namespace

INT_PTR CALLBACK groupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return Dialog_Init(dialog, reinterpret_cast<GroupRecord*>(lParam), wParam);
    GroupRecord* g = groupOf(dialog);
    if (!g) return FALSE;
    switch (message) {
    case SIDEFOLD_MSG_CHILD_BY_ID: return Dialog_ChildById(dialog, static_cast<int>(wParam));
    case WM_ERASEBKGND: Dialog_EraseBackground(*g, reinterpret_cast<HDC>(wParam)); return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return Dialog_CtlColor(*g, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_PAINT: return FALSE;
    case WM_NOTIFY: return Dialog_Notify(dialog, *g, wParam, lParam);
    case WM_COMMAND: return Dialog_CommandMessage(dialog, *g, wParam, lParam);
    case WM_NCDESTROY: return Dialog_NcDestroy(dialog, *g, wParam, lParam);
    default: return Dialog_Forward(dialog, *g, message, wParam, lParam);
    }
}

}  // namespace sidefold
