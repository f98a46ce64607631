#include "winui/panel_keys.h"

#include <commctrl.h>

#include <cwchar>

namespace winui {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B455953;  // "KEYS"

bool isEnterOrEsc(WPARAM key) { return key == VK_RETURN || key == VK_ESCAPE; }

bool isKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR; }

// refData: 1 for a combo box, whose open list is the one thing these keys act on.
LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData)
{
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(control, message, wParam, lParam);
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && isKeyMessage(msg->message) && isEnterOrEsc(msg->wParam)) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (isEnterOrEsc(wParam) && !(refData == 1 && SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0))) return 0;
        break;
    case WM_NCDESTROY: RemoveWindowSubclass(control, controlProc, kSubclassId); break;
    default: break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

BOOL CALLBACK keepKeys(HWND control, LPARAM)
{
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    const DWORD_PTR combo = _wcsicmp(name, L"ComboBox") == 0 ? 1 : 0;
    SetWindowSubclass(control, controlProc, kSubclassId, combo);
    return TRUE;
}

}  // namespace

void keepPanelKeys(HWND panel)
{
    if (panel) EnumChildWindows(panel, keepKeys, 0);
}

}  // namespace winui
