#pragma once
// Keyboard navigation through a bar, taken from the bar thread's queue before dispatch: Tab and
// Down to the next stop, Shift+Tab and Up to the previous one (headers, and the enabled tab
// stops of open groups outside closed sub-sections), Enter for the default button.

#include <windows.h>

namespace sidefold {

// True when the key was taken (the message is then not dispatched).
bool navigateByKey(HWND bar, const MSG& msg);

}  // namespace sidefold
