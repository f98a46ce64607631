// CBButton32, the button: a push button, check box, radio button or three-state check box
// that draws itself (button_face.h) on its parent's background, shows checked items in bold
// and hot ones underlined, and sends its parent WM_COMMAND when clicked (code 3 when the click
// ended a double click).

#include <windows.h>

#include <algorithm>
#include <new>

#include "taskpane/bar_record.h"
#include "taskpane/button_face.h"
#include "taskpane/control_paint.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

constexpr WORD kClicked = SIDEFOLD_BUTTON_CLICKED, kDoubleClicked = SIDEFOLD_BUTTON_DOUBLE_CLICKED;

ButtonRecord* buttonOf(HWND window) { return recordOf<ButtonRecord>(window, RecordTag::Button); }
DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

// The visual style draws the button unless the pane shows the system look.
bool themedLook() { return themedDrawing() && !libraryTheme()->systemLook; }

// Glyph and text placed anew at the client size; `repaint` false leaves the window's update
// region as it is (WM_SETFONT and SIDEFOLD_BUTTON_SET_STYLE ask for no repaint).
void relayout(HWND window, ButtonRecord& b, bool repaintNow = true)
{
    RECT client;
    GetClientRect(window, &client);
    const ButtonLayout l = buttonLayoutAt(window, b, client.right, client.bottom);
    b.glyphBox = l.glyph;
    b.textBox = l.text;
    b.multiLine = l.multiLine;
    if (repaintNow) repaint(window, b.state);
}

// The kind's check change, then the notice. The window may be gone when the parent returns.
void click(HWND window, ButtonRecord& b, bool doubleClick)
{
    const DWORD kind = buttonKind(window);
    if (kind == kButtonToggleCheck || kind == kButtonToggleRadio)
        b.check = b.check ? 0 : 1;
    else if (kind == kButtonStepThreeState)
        b.check = (b.check + 1) % 3;
    repaint(window, b.state);
    SendMessageA(GetParent(window), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(window), doubleClick ? kDoubleClicked : kClicked),
                 reinterpret_cast<LPARAM>(window));
}

bool takesFocus(HWND window) { return !(styleOf(window) & kButtonNoFocusOnClick); }

// The handlers of the button's messages, in the order of its window procedure; each returns the
// message's result.

LRESULT onCreate(HWND window, ButtonRecord& b)
{
    b.state.enabled = IsWindowEnabled(window) != 0;
    if (themedLook()) {
        b.theme = openThemeData(window, L"BUTTON");
        if (!b.theme) return -1;
    }
    makeButtonFonts(b);
    relayout(window, b);
    return 0;
}

LRESULT onDestroy(ButtonRecord& b)
{
    if (b.theme) closeThemeData(b.theme);
    b.theme = nullptr;
    deleteButtonFonts(b);
    return 0;
}

LRESULT onPaint(HWND window, const ButtonRecord& b, UINT message, WPARAM wParam, LPARAM lParam)
{
    return paintControl(window, message, wParam, lParam, WM_CTLCOLORBTN,
                        [&](HDC dc, const RECT& client) { paintButtonFace(window, b, dc, client); });
}

LRESULT onSize(HWND window, ButtonRecord& b)
{
    relayout(window, b);
    return 0;
}

LRESULT onSetText(HWND window, ButtonRecord& b, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcA(window, WM_SETTEXT, wParam, lParam);
    relayout(window, b);
    return result;
}

LRESULT onSetFont(HWND window, ButtonRecord& b, HFONT font, bool repaintNow)
{
    b.givenFont = font;
    makeButtonFonts(b);
    relayout(window, b, repaintNow);
    return 0;
}

LRESULT onThemeChanged(HWND window, ButtonRecord& b)
{
    if (b.theme) closeThemeData(b.theme);
    b.theme = themedLook() ? openThemeData(window, L"BUTTON") : nullptr;
    relayout(window, b);
    return 0;
}

LRESULT onSetCheck(HWND window, ButtonRecord& b, int check)
{
    if (b.check == check) return 0;
    b.check = check;
    repaint(window, b.state);
    return 0;
}

LRESULT onGetState(const ButtonRecord& b)
{
    return b.check | (b.state.look == ButtonPressed ? SIDEFOLD_BUTTON_STATE_PRESSED : 0) |
           (b.state.focused ? SIDEFOLD_BUTTON_STATE_FOCUSED : 0);
}

// SIDEFOLD_BUTTON_HOLD_DOWN: 1 presses the button (focus, capture, the pressed look), 0 lets it go.
LRESULT onHoldDown(HWND window, ButtonRecord& b, bool down)
{
    if (down) {
        takeMouse(window, takesFocus(window));
        b.state.heldDown = true;
    } else {
        b.state.heldDown = false;
        if (GetCapture() == window) ReleaseCapture();
    }
    refreshLook(window, b.state);
    return 0;
}

LRESULT onSetStyle(HWND window, ButtonRecord& b, DWORD style, bool repaintNow)
{
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
    relayout(window, b, repaintNow);
    return 0;
}

LRESULT onClick(HWND window, ButtonRecord& b)
{
    if (b.state.enabled) click(window, b, false);
    return 0;
}

LRESULT onSetValue(ButtonRecord& b, LPARAM value)
{
    b.callerValue = value;
    return 1;
}

LRESULT onMeasure(HWND window, const ButtonRecord& b, int* size, int width)
{
    if (!writable(size, 2 * sizeof(int))) return 0;
    if (isPushKind(buttonKind(window))) {
        // A push button keeps the size it was made with, narrowed to the room there is. (Its
        // size now may already be a narrowed one; measuring from it would only ever shrink.)
        size[0] = std::min<int>(b.creationSize.cx, width);
        size[1] = b.creationSize.cy;
    } else {
        size[0] = width;
        size[1] = buttonLayoutAt(window, b, width, 0).height;
    }
    return 1;
}

LRESULT onMouse(HWND window, ButtonRecord& b, UINT message, LPARAM lParam)
{
    // Each press says whether it was the second of a double click; its release reads it.
    if (b.state.enabled && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK))
        b.doubleClick = message == WM_LBUTTONDBLCLK;
    const bool doubleClick = b.doubleClick;
    if (followMouse(window, b.state, message, lParam, takesFocus(window), true)) click(window, b, doubleClick);
    return 0;
}

LRESULT onKey(HWND window, ButtonRecord& b, UINT message, WPARAM key)
{
    if (followKey(window, b.state, message, key, true)) click(window, b, false);
    return 0;
}

LRESULT onGetDialogCode(HWND window)
{
    const DWORD kind = buttonKind(window);
    if (kind == kButtonDefaultPush) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (kind == kButtonPush) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    if (isRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    return DLGC_BUTTON;
}

}  // namespace

LRESULT CALLBACK buttonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        if (!attachControlRecord(window, lParam, new (std::nothrow) ButtonRecord)) return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ButtonRecord* b = buttonOf(window);
    if (!b) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return onCreate(window, *b);
    case WM_DESTROY: return onDestroy(*b);
    case WM_NCDESTROY: return detachControlRecord(window, b);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: return onPaint(window, *b, message, wParam, lParam);
    case WM_SIZE: return onSize(window, *b);
    case WM_SETTEXT: return onSetText(window, *b, wParam, lParam);
    case WM_SETFONT: return onSetFont(window, *b, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(b->givenFont);
    case WM_SETREDRAW: return setRedraw(window, b->state, wParam != 0);
    case WM_THEMECHANGED: return onThemeChanged(window, *b);
    case BM_GETCHECK:
    case SIDEFOLD_BUTTON_GET_CHECK: return b->check;
    case BM_SETCHECK:
    case SIDEFOLD_BUTTON_SET_CHECK: return onSetCheck(window, *b, static_cast<int>(wParam & 3));
    case SIDEFOLD_BUTTON_GET_STATE: return onGetState(*b);
    case SIDEFOLD_BUTTON_HOLD_DOWN: return onHoldDown(window, *b, wParam != 0);
    case SIDEFOLD_BUTTON_SET_STYLE: return onSetStyle(window, *b, static_cast<DWORD>(wParam), lParam != 0);
    case BM_CLICK:
    case SIDEFOLD_BUTTON_CLICK: return onClick(window, *b);
    case SIDEFOLD_BUTTON_SET_VALUE: return onSetValue(*b, lParam);
    case SIDEFOLD_MSG_MEASURE: return onMeasure(window, *b, reinterpret_cast<int*>(wParam), static_cast<int>(lParam));
    case SIDEFOLD_MSG_CREATION_SIZE: return answerCreationSize(b->creationSize, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: return onMouse(window, *b, message, lParam);
    case WM_MOUSELEAVE: return mouseLeft(window, b->state);
    case WM_CAPTURECHANGED: return captureLost(window, b->state);
    case WM_KEYDOWN:
    case WM_KEYUP: return onKey(window, *b, message, wParam);
    case WM_GETDLGCODE: return onGetDialogCode(window);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return setFocused(window, b->state, message == WM_SETFOCUS, true);
    case WM_ENABLE: return setEnabled(window, b->state, wParam != 0);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace sidefold
