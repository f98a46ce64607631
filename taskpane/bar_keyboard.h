#pragma once
// Keyboard navigation through a bar, taken from the bar thread's queue before dispatch: Tab and
// Down to the next stop, Shift+Tab and Up to the previous one (headers, and the enabled tab
// stops of open groups outside closed sub-sections), Enter for a focused task link or the
// default button. A key the pane does not take is offered to its host before it is dispatched.

#include <windows.h>

namespace sidefold {

// True when the key was taken (the message is then not dispatched).
bool navigateByKey(HWND bar, const MSG& msg);

// A key press (WM_KEYDOWN, WM_SYSKEYDOWN) with the focus in the bar that navigation did not take
// and the focused control does not ask for (DLGC_WANTALLKEYS, DLGC_WANTMESSAGE): handed to the
// host as a message of the group's dialog (the first group's for the bar itself), forwarded as
// every other. True when the host answered non-zero: it used the key, which is not dispatched.
// So the host's own keys (its pane switching, Esc back to its view) work from inside the pane.
bool offerKeyToHost(HWND bar, const MSG& msg);

}  // namespace sidefold
