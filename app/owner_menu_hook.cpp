// Subclassing of the system's menu windows for the time an owner-drawn menu is open.

#include "app/owner_menu_hook.h"

#include "app/owner_menu_bitmaps.h"
#include "winui/handles.h"

namespace {

constexpr wchar_t kOldProcProperty[] = L"OldMenuProc";

thread_local HHOOK hook = nullptr;
thread_local int users = 0;

LRESULT CALLBACK menuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOldProcProperty));
    if (!old) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_NCPAINT: {
        const winui::WindowDc dc(hwnd);
        if (dc.get()) COwnerMenuHook::drawBorder(hwnd, dc.get());
        return 0;
    }
    case WM_PRINT: {
        LRESULT result = CallWindowProcW(old, hwnd, msg, wParam, lParam);
        if (lParam & PRF_NONCLIENT) COwnerMenuHook::drawBorder(hwnd, reinterpret_cast<HDC>(wParam));
        return result;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropW(hwnd, kOldProcProperty);
        return CallWindowProcW(old, hwnd, msg, wParam, lParam);
    default: return CallWindowProcW(old, hwnd, msg, wParam, lParam);
    }
}

bool isMenuWindow(HWND hwnd)
{
    wchar_t name[16] = {};
    return GetClassNameW(hwnd, name, 16) && lstrcmpW(name, L"#32768") == 0;
}

LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (cwp->message == WM_CREATE && isMenuWindow(cwp->hwnd) && !GetPropW(cwp->hwnd, kOldProcProperty)) {
            const LONG_PTR old = GetWindowLongPtrW(cwp->hwnd, GWLP_WNDPROC);
            if (SetPropW(cwp->hwnd, kOldProcProperty, reinterpret_cast<HANDLE>(old)))
                SetWindowLongPtrW(cwp->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(menuProc));
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

COwnerMenuHook::COwnerMenuHook()
{
    if (users++ == 0) hook = SetWindowsHookExW(WH_CALLWNDPROC, hookProc, nullptr, GetCurrentThreadId());
}

COwnerMenuHook::~COwnerMenuHook()
{
    if (--users == 0 && hook) {
        UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
}

bool COwnerMenuHook::isSubclassed(HWND menuWindow)
{
    return GetPropW(menuWindow, kOldProcProperty) != nullptr &&
           GetWindowLongPtrW(menuWindow, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(menuProc);
}

// A one-pixel frame in the shadow colour; the rest of the non-client band in the menu colour,
// so the items' gutter and background meet the edge without the system's raised look.
void COwnerMenuHook::drawBorder(HWND menuWindow, HDC windowDc)
{
    RECT window, client;
    GetWindowRect(menuWindow, &window);
    GetClientRect(menuWindow, &client);
    MapWindowPoints(menuWindow, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    OffsetRect(&window, -window.left, -window.top);

    const int saved = SaveDC(windowDc);
    ExcludeClipRect(windowDc, client.left, client.top, client.right, client.bottom);
    SetBkColor(windowDc, COwnerMenuBitmaps::colours().background);
    ExtTextOutW(windowDc, 0, 0, ETO_OPAQUE, &window, nullptr, 0, nullptr);
    FrameRect(windowDc, &window, GetSysColorBrush(COLOR_3DSHADOW));
    RestoreDC(windowDc, saved);
}
