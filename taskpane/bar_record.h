#pragma once
// The per-window records of the bar and its groups, and their own operations: finding a group,
// keeping the host's description, freeing. Each record lives in its window's user data and
// starts with a tag that every entry point checks, so a window whose user data is not ours (or
// no longer ours, once destruction began) is treated as having none. The bar's files stand on
// this one: record, then geometry and layout, then groups, then the windows; none includes a
// file of a floor above it.

#include <windows.h>

#include <list>
#include <string>
#include <vector>

#include "taskpane/include/sidefold.h"
#include "taskpane/pane_geometry.h"

namespace sidefold {

// The tags that open the records. A host can see them: the bar's record sits in its window's
// user data and a group's is what the owner's WM_INITDIALOG carries, so they keep the numbers a
// host may already check. Typed, a debugger shows each record's tag by its name.
enum class RecordTag : DWORD { Bar = 168, Group = 292, Header = 484, Link = 144, Button = 116, Label = 32 };

// A control of a group's dialog, in window order. A sub-section header owns the controls that
// follow it up to the dialog's end or the next static with an id of 32000 or more.
enum class ChildKind { Other, SectionHeader, Link, ComboBox, ComboBoxEx, EditLike, PushButton };

struct ChildLayout {
    HWND window = nullptr;  // the control
    int id = 0;             // its control id
    bool library = false;   // one of our classes (answers the size requests)
    ChildKind kind = ChildKind::Other;
    bool open = false;     // sub-section header: its section shows
    int section = -1;      // index of the sub-section header that holds it, or -1
    RECT templateRect{};   // where the template put it (dialog client coordinates)
    bool visible = true;   // no closed sub-section holds it
    RECT withScrollBar{};  // its place in the dialog at either group width
    RECT withoutScrollBar{};
};

// Geometry of a group for one pane width.
struct GroupGeometry {
    RECT header{};  // relative to the group's position
    RECT dialog{};  // relative to the group's position
    int collapsedHeight = 0;
    int expandedHeight = 0;
};

struct BarRecord;

struct GroupRecord {
    RecordTag tag = RecordTag::Group;
    GroupRecord* previous = nullptr;  // the stack, in display order
    GroupRecord* next = nullptr;
    BarRecord* bar = nullptr;
    POINT position{};                        // top left of the header in the bar's client area
    int contentTop = 0;                      // top of the header in the scrolled content
    SidefoldGroupDescription description{};  // as the host gave it
    HWND header = nullptr;
    HWND dialog = nullptr;
    bool expanded = false;
    std::vector<ChildLayout> children;
    HWND defaultButton = nullptr;  // the dialog's first default push button
    HWND shownDefault = nullptr;   // the button that shows the default look now
    // Expand/collapse notices posted to the dialog and not yet read: each keeps its own code
    // until the dialog has handed it on (a list, so that a notice never moves).
    std::list<NMHDR> notices;
    GroupGeometry withScrollBar;
    GroupGeometry withoutScrollBar;
};

// A layout message that arrived while the bar was busy, replayed in arrival order.
struct DeferredMessage {
    DeferredMessage* next = nullptr;
    unsigned sequence = 0;
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    SidefoldGroupDescription description{};  // the copy that an add carries
    std::string title;                       // and of its title, which the caller may free too
    const char* callerTitle = nullptr;       // the title pointer as the caller gave it
};

struct BarRecord {
    RecordTag tag = RecordTag::Bar;
    CRITICAL_SECTION lock;  // guards busy, the queue and the record's teardown
    HWND window = nullptr;
    HANDLE thread = nullptr;  // the bar's thread (set by ordinal 9, taken by ordinal 10)
    DWORD hostThread = 0;     // the thread that called ordinal 9 (input attached to it)
    HANDLE stopEvent = nullptr;
    DeferredMessage* deferredHead = nullptr;
    DeferredMessage* deferredTail = nullptr;
    unsigned nextSequence = 0;
    bool replaying = false;    // the message the replay hands to the window now takes its turn
    HFONT font = nullptr;      // for normal groups
    HFONT mainFont = nullptr;  // for the main group
    bool ownFonts = false;     // the bar made them and deletes them
    int busy = 0;              // layout work in progress
    bool paintPump = false;    // the paint-only pump is running
    bool scrollBarShown = false;
    bool scrolling = false;  // a scroll-bar drag is in progress
    int scrollPosition = 0;
    int wheelRest = 0;      // wheel movement short of a notch, kept for the next message
    int contentHeight = 0;  // of the stack in the current layout
    RECT client{};          // the client rectangle the layout was made for
    PaneMetrics metrics;
    int dpi = 96;                  // of the bar's window, that its fonts, metrics and theme were made for
    HBITMAP background = nullptr;  // the pane, as wide as the client and as tall as the content
    SIZE backgroundSize{};
    bool backgroundStale = true;     // the theme changed since it was made
    GroupRecord* opening = nullptr;  // laid out expanded but still shown shut: its animation runs
    GroupRecord* firstGroup = nullptr;
    GroupRecord* lastGroup = nullptr;
    // The window was destroyed while work was in progress: the record (and the groups it had,
    // kept in the graveyard) are freed when that work ends.
    bool dead = false;
    GroupRecord* graveyard = nullptr;
};

// The record of one of our windows, or null when the user data is not (or no longer) ours.
template <class Record, class Tag> Record* recordOf(HWND window, Tag tag)
{
    auto* r = reinterpret_cast<Record*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return r && r->tag == tag ? r : nullptr;
}
inline BarRecord* barOf(HWND window) { return recordOf<BarRecord>(window, RecordTag::Bar); }
// The record of a group's dialog.
GroupRecord* groupOf(HWND dialog);

// A group of the stack by its index, its id or its header window; null when none matches.
GroupRecord* groupAt(const BarRecord& bar, WPARAM index);
GroupRecord* groupWithId(const BarRecord& bar, WPARAM id);
GroupRecord* groupWithHeader(const BarRecord& bar, HWND header);

// A host's group description: readable whole and of the size this library knows.
bool validDescription(const SidefoldGroupDescription* description);
// The host's title, copied as far as it can be read (at most 1023 characters).
std::string copyTitle(const char* title);
// A replayed add ran on a copy of the title: the group keeps the caller's pointer, as given.
void restoreTitle(const BarRecord& bar, const char* copy, const char* callerTitle);

// Destroys the windows of a group that is already unlinked, and frees it.
void destroyGroup(GroupRecord* group);
// Frees the queued layout messages (the bar is being destroyed).
void freeDeferred(BarRecord& bar);
// Frees a bar record whose window is gone, with the groups and the queue it still kept.
void freeBarRecord(BarRecord* bar);

// Other threads (ordinals 9 and 10) reach a bar's record only under this lock, and the bar's
// window gives its record up only under it: neither finds a record that is being freed.
inline SRWLOCK barsLock = SRWLOCK_INIT;
// The bar record of a window of this process, under barsLock (the caller holds it). A window of
// another process carries a pointer that means nothing here.
inline BarRecord* barOfAnyThread(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() ? barOf(window) : nullptr;
}

// WM_NCCREATE of a control: its record made (with the size it was created at) and put in the
// window's user data. False when there is no memory for it, which fails the creation.
template <class Record> bool attachControlRecord(HWND window, LPARAM createParams, Record* fresh)
{
    if (!fresh) return false;
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createParams);
    fresh->creationSize = {create->cx, create->cy};
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
    return true;
}
// WM_NCDESTROY of a control: the user data emptied before the record is freed. Returns the
// message's result, 0.
template <class Record> LRESULT detachControlRecord(HWND window, Record* record)
{
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete record;
    return 0;
}

// A group's geometry in the bar's current layout.
inline const GroupGeometry& currentGeometry(const BarRecord& bar, const GroupRecord& g)
{
    return bar.scrollBarShown ? g.withScrollBar : g.withoutScrollBar;
}
inline int groupHeight(const BarRecord& bar, const GroupRecord& g)
{
    const GroupGeometry& geometry = currentGeometry(bar, g);
    return g.expanded ? geometry.expandedHeight : geometry.collapsedHeight;
}

}  // namespace sidefold
