#pragma once
// Handing a group dialog's messages to the host: to the group's callback when it has one,
// else to the owner window as SIDEFOLD_MSG_FORWARDED, sent with a time-out so that a host that
// stops answering cannot hold the bar's thread for ever.

#include <windows.h>

#include <commctrl.h>

#include "taskpane/bar_record.h"

namespace sidefold {

// The host's answer, or 0 when there is no receiver or it did not answer in time.
LRESULT forwardToHost(const GroupRecord& group, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Records of sends that timed out, which the owner might still have been reading; freed when the
// library unloads.
void freeAbandonedForwards();

// A group header's tooltip asks for its text: forwarded as WM_NOTIFY with idFrom = group id.
LRESULT forwardHeaderTooltip(const GroupRecord& group, NMTTDISPINFOA* request);

}  // namespace sidefold
