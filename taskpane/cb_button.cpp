// CBButton32, the button: a plain text control for now (plain_control.h); its record is tagged 116.

#include "taskpane/plain_control.h"
#include "taskpane/window_procs.h"

namespace sidefold {

LRESULT CALLBACK buttonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return plainControlProc(116, WM_CTLCOLORBTN, window, message, wParam, lParam);
}

}  // namespace sidefold
