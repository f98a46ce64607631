#pragma once
// Scrolling the bar (WM_VSCROLL) and making a group visible (WM_USER+19/+20, and before every
// expansion).

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Moves the view to `position` (kept inside the range); the groups move with it.
void scrollBarTo(HWND window, BarRecord& bar, int position);
// WM_VSCROLL with its scroll code.
void scrollByCode(HWND window, BarRecord& bar, int code);
// Scrolls so that the whole group shows, or as much of it as fits, header first.
void showGroup(HWND window, BarRecord& bar, const GroupRecord& group);

}  // namespace sidefold
