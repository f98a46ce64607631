// TaskLink32, the task link: a plain text control for now (plain_control.h); its record is tagged 144.

#include "taskpane/plain_control.h"
#include "taskpane/window_procs.h"

namespace sidefold {

LRESULT CALLBACK linkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return plainControlProc(144, WM_CTLCOLORSTATIC, window, message, wParam, lParam);
}

}  // namespace sidefold
