#pragma once
// The groups of a bar: adding one from the host's description (header window and dialog from
// the host's template), removing, expanding and collapsing, and the bar-wide interactive switch.

#include <windows.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// SIDEFOLD_BAR_ADD_GROUP: 1 when the group was added, 0 when the description or a window failed.
LRESULT addGroup(HWND bar, WPARAM position, const SidefoldGroupDescription* description);
// Unlinks the group, destroys its windows and frees it.
void removeGroup(BarRecord& bar, GroupRecord* group);
// Immediate expand and collapse (the animations build on these). 1 when the group exists.
LRESULT expandGroup(HWND bar, GroupRecord* group, DWORD animation);
LRESULT collapseGroup(HWND bar, GroupRecord* group, DWORD animation);
void setInteractive(const BarRecord& bar, bool interactive);

// The font the bar gives a group's controls and header.
HFONT groupFont(const BarRecord& bar, const GroupRecord& group);
// The theme's link colours for a group, to every task link of its dialog.
void giveLinkColours(const GroupRecord& group);

}  // namespace sidefold
