#pragma once
// Expanding and collapsing a group in ten frames 20 ms apart: rolling (the dialog's snapshot
// slides out from under the header) or stretching and fading (the snapshot squeezed to each
// frame's height and blended over the pane). The groups below move with every frame.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// The group's dialog is placed where the layout puts it (hidden for an opening, shown for a
// closing, which hides it after the frames); animate its opening or closing in `mode` (SIDEFOLD_ANIMATE_ROLL or
// SIDEFOLD_ANIMATE_STRETCH). False when no snapshot could be made: the change is then immediate.
bool animateGroup(HWND bar, BarRecord& record, GroupRecord& group, DWORD mode, bool opening);

}  // namespace sidefold
