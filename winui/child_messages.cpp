#include "winui/child_messages.h"

namespace winui {

namespace {

constexpr wchar_t kChildProperty[] = L"winui.child";
constexpr wchar_t kMenuProperty[] = L"winui.menu";

IChildMessages* boundTo(HWND window, const wchar_t* property)
{
    return window ? static_cast<IChildMessages*>(GetPropW(window, property)) : nullptr;
}

void bind(HWND window, const wchar_t* property, IChildMessages* wrapper)
{
    if (!window) return;
    if (wrapper)
        SetPropW(window, property, wrapper);
    else
        RemovePropW(window, property);
}

// The child a parent's message is about; null when it names none.
HWND childOf(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return header ? header->hwndFrom : nullptr;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? GetDlgItem(parent, static_cast<int>(wParam)) : nullptr;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<HWND>(lParam);
    default: return nullptr;
    }
}

bool isMenuMessage(UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_MENUCHAR: return true;
    case WM_DRAWITEM: return lParam && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU;
    case WM_MEASUREITEM: return lParam && reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlType == ODT_MENU;
    default: return false;
    }
}

}  // namespace

void bindChild(HWND control, IChildMessages* wrapper) { bind(control, kChildProperty, wrapper); }

void bindMenu(HWND owner, IChildMessages* menu) { bind(owner, kMenuProperty, menu); }

bool offerToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (isMenuMessage(message, lParam)) {
        IChildMessages* menu = boundTo(parent, kMenuProperty);
        return menu && menu->onParentMessage(message, wParam, lParam, result);
    }
    HWND child = childOf(parent, message, wParam, lParam);
    // Only a child of this parent: a notice forwarded from elsewhere is the parent's own business.
    if (!child || GetParent(child) != parent) return false;
    IChildMessages* wrapper = boundTo(child, kChildProperty);
    return wrapper && wrapper->onParentMessage(message, wParam, lParam, result);
}

}  // namespace winui
