#pragma once
// Scrolling the bar (WM_VSCROLL, the mouse wheel) and making a group visible
// (SIDEFOLD_BAR_SHOW_AT/_ID, and before every expansion).

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Moves the view to `position` (kept inside the range); the groups move with it.
void scrollBarTo(HWND window, BarRecord& bar, int position);
// WM_VSCROLL with its scroll code.
void scrollByCode(HWND window, BarRecord& bar, int code);
// WM_MOUSEWHEEL: by the system's lines per notch (a page when it says so), like the scroll bar's
// arrows; what is less than a notch is kept for the next message.
void scrollByWheel(HWND window, BarRecord& bar, int delta);
// A wheel message taken from the bar thread's queue: the system gives it to the window with the
// focus; it goes to the window under the pointer instead (as newer systems do), when that is
// another window of the bar's top-level window. True when it was handed on (not to be dispatched).
bool wheelToPointer(HWND window, const MSG& msg);
// Scrolls so that the whole group shows, or as much of it as fits, header first.
void showGroup(HWND window, BarRecord& bar, const GroupRecord& group);
// Scrolls so that a control inside a group's dialog shows (the keyboard moved the focus to it).
void showControl(HWND window, BarRecord& bar, HWND control);

}  // namespace sidefold
