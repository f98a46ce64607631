#include "taskpane/control_state.h"

#include <commctrl.h>

#include <algorithm>

#include "taskpane/library.h"

namespace sidefold {

RECT hotArea(HWND window, const ControlState& s)
{
    if (!s.hotIsClient) return s.hot;
    RECT client;
    GetClientRect(window, &client);
    return client;
}

void repaint(HWND window, const ControlState& s)
{
    if (s.redraw) InvalidateRect(window, nullptr, FALSE);
}

int lookNow(HWND window, const ControlState& s)
{
    if (!s.enabled) return LookDisabled;
    if (!s.interactive) return LookNormal;
    if (s.keyPressed || s.heldDown) return LookPressed;
    const RECT hot = hotArea(window, s);
    const bool over = PtInRect(&hot, s.lastMouse) != 0;
    if (over && s.tracking) return s.buttonDown ? LookPressed : LookHot;
    if (s.buttonDown && GetCapture() == window) return LookHot;
    return LookNormal;
}

void refreshLook(HWND window, ControlState& s)
{
    const int look = lookNow(window, s);
    if (look == s.look) return;
    s.look = look;
    repaint(window, s);
}

void takeMouse(HWND window, bool takeFocus)
{
    if (takeFocus) SetFocus(window);
    SetCapture(window);
}

bool followMouse(HWND window, ControlState& s, UINT message, LPARAM lParam, bool takeFocus, bool doubleClickPresses)
{
    s.lastMouse = mousePoint(lParam);
    if (!s.enabled || !s.interactive) return false;
    if (message == WM_MOUSEMOVE && !s.tracking) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
        s.tracking = TrackMouseEvent(&track) != 0;
    } else if (message == WM_LBUTTONDOWN || (doubleClickPresses && message == WM_LBUTTONDBLCLK)) {
        s.buttonDown = s.tracking = true;
        takeMouse(window, takeFocus);
    } else if (message == WM_LBUTTONUP && s.buttonDown) {
        s.buttonDown = false;
        if (GetCapture() == window) ReleaseCapture();
        refreshLook(window, s);
        RECT client;
        GetClientRect(window, &client);
        return PtInRect(&client, s.lastMouse) != 0;
    }
    refreshLook(window, s);
    return false;
}

bool followKey(HWND window, ControlState& s, UINT message, WPARAM key, bool needsFocus)
{
    if (key != VK_SPACE || !s.enabled || !s.interactive) return false;
    if (message == WM_KEYDOWN) {
        s.keyPressed = s.focused || !needsFocus;
    } else if (s.keyPressed) {
        s.keyPressed = false;
        refreshLook(window, s);
        return true;
    }
    refreshLook(window, s);
    return false;
}

LRESULT mouseLeft(HWND window, ControlState& s)
{
    s.tracking = false;
    refreshLook(window, s);
    return 0;
}

LRESULT captureLost(HWND window, ControlState& s)
{
    s.buttonDown = s.heldDown = false;
    refreshLook(window, s);
    return 0;
}

LRESULT setFocused(HWND window, ControlState& s, bool focused, bool repaintAll)
{
    s.focused = focused;
    if (!focused) s.keyPressed = false;
    refreshLook(window, s);
    if (repaintAll) repaint(window, s);
    return 0;
}

LRESULT setEnabled(HWND window, ControlState& s, bool enabled)
{
    s.enabled = enabled;
    if (!enabled) s.buttonDown = s.keyPressed = s.heldDown = false;
    placeTooltip(window, s);
    refreshLook(window, s);
    return 0;
}

LRESULT setInteractive(HWND window, ControlState& s, bool interactive)
{
    s.interactive = interactive;
    if (!interactive) s.buttonDown = s.keyPressed = s.tracking = false;
    placeTooltip(window, s);
    refreshLook(window, s);
    return 0;
}

LRESULT setRedraw(HWND window, ControlState& s, bool on)
{
    const bool wasOn = s.redraw;
    s.redraw = on;
    if (on && !wasOn) InvalidateRect(window, nullptr, FALSE);
    return 0;
}

HWND makeTooltip(HWND control)
{
    HWND tooltip = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                                   libraryModule(), nullptr);
    if (!tooltip) return nullptr;
    // A popup made with a child window as its parent is owned by that child's top-level window;
    // the tooltip belongs to the control itself.
    SetWindowLongPtrA(tooltip, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(control));
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRANSPARENT;
    tool.hwnd = control;
    tool.uId = 1;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return tooltip;
}

void placeTooltip(HWND window, const ControlState& s)
{
    if (!s.tooltip) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window;
    tool.uId = 1;
    tool.rect = hotArea(window, s);
    SendMessageA(s.tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(s.tooltip, TTM_ACTIVATE, s.enabled && s.interactive, 0);
}

void relayToTooltip(HWND window, const ControlState& s, UINT message, WPARAM wParam, LPARAM lParam, bool relayPresses)
{
    if (!s.tooltip || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK) return;
    if (!relayPresses && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)) return;
    MSG msg{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    SendMessageA(s.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

LOGFONTA fontDescription(HFONT given)
{
    LOGFONTA lf{};
    if (!given || !GetObjectA(given, sizeof(lf), &lf)) GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    return lf;
}

HFONT fontOr(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

void freeFont(HFONT& font)
{
    if (font) DeleteObject(font);
    font = nullptr;
}

TextExtent measureText(HWND window, HFONT font, const char* text, int length, int width, UINT format)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT measured{0, 0, std::max(width, 0), 0};
    DrawTextA(dc, text, length, &measured, format | DT_CALCRECT);
    RECT line{0, 0, 0, 0};
    DrawTextA(dc, " ", 1, &line, DT_SINGLELINE | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return {measured.right - measured.left, measured.bottom - measured.top, line.bottom - line.top};
}

}  // namespace sidefold
