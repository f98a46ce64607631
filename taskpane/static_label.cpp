// CBStatic32, the label: a plain text control for now (plain_control.h); its record is tagged 32.

#include "taskpane/plain_control.h"
#include "taskpane/window_procs.h"

namespace sidefold {

LRESULT CALLBACK labelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return plainControlProc(32, WM_CTLCOLORSTATIC, window, message, wParam, lParam);
}

}  // namespace sidefold
