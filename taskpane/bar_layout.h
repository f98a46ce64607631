#pragma once
// Placing the stack of groups in the bar: each group measured at the two pane widths (with and
// without the scroll bar), the dialogs' controls flowed to that width, the scroll bar shown
// only while the stack is taller than the bar, and the windows moved where the layout says.
// Scrolling and the pane's background are in bar_scroll.h and bar_background.h.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// Recomputes everything and places every group.
void layoutBar(HWND bar);
// Measures a group's header and flows its dialog at both widths.
void measureGroup(const BarRecord& bar, GroupRecord& group);
// Height of the whole stack with the groups as measured, at either width.
int stackHeight(const BarRecord& bar, bool withScrollBar);
// Moves every header, dialog and control to its place for the current scroll position.
void placeGroups(BarRecord& bar);
// Moves one group's dialog controls to their places, showing those no closed section holds.
void placeControls(const BarRecord& bar, const GroupRecord& group);

// Lets this thread's pending paint messages through (and nothing else), never nested.
void pumpPaint(BarRecord& bar);

// The two fonts of the bar from the library's theme record (the stock GUI font in the system
// look); any fonts the bar made before are deleted.
void makeBarFonts(BarRecord& bar);
void deleteBarFonts(BarRecord& bar);

}  // namespace sidefold
