#pragma once
// Child-first routing: what a parent window is told about one of its children is offered to that
// child's wrapper before the parent's own handling, so a control class keeps its drawing and its
// clicks to itself and never has to subclass the window it sits in. The messages offered:
// WM_COMMAND from a control, WM_NOTIFY from it, WM_DRAWITEM and WM_MEASUREITEM for it (by its
// id), and WM_CTLCOLOR* for it. An owner-drawn popup menu is its owner's "child" for the
// menu messages (WM_MEASUREITEM and WM_DRAWITEM of menu items, WM_MENUCHAR) while it is tracked.
//
// The framework's windows and dialogs offer these messages by themselves; a parent window of
// another kind (a test's plain window) calls offerToChild first in its window procedure.

#include <windows.h>

namespace winui {

class IChildMessages {
public:
    virtual ~IChildMessages() = default;
    // True when handled, with the parent's answer in `result`.
    virtual bool onParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

// Binds a control's wrapper to the control (null unbinds). The wrapper unbinds before it goes.
void bindChild(HWND control, IChildMessages* wrapper);
// Binds the owner-drawn menu being tracked for `owner` (null unbinds).
void bindMenu(HWND owner, IChildMessages* menu);

// Offers a message that `parent` received to the wrapper of the child it is about; true when
// that wrapper handled it, with the answer in `result`.
bool offerToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace winui
