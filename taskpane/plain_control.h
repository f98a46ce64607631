#pragma once
// A plain text control with a tagged record (the task link, label and button classes use it
// until their own drawing and behaviour replace it).

#include <windows.h>

namespace sidefold {

// The window procedure body: `tag` identifies the record, `backgroundMessage` is how the
// control asks its parent for its background (WM_CTLCOLORSTATIC or WM_CTLCOLORBTN).
LRESULT plainControlProc(DWORD tag, UINT backgroundMessage, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sidefold
