#pragma once
// What the link, the header, the button and the label share besides their painting: the press,
// hover, capture, focus and enable state that chooses their look; their tooltip, made, placed
// and fed with the mouse; the fonts they derive from a given one; and the measuring of a text.
// Each control keeps its own record and decides what a click means; the rules of when a press,
// a key or a leave counts live here once.

#include <windows.h>

namespace sidefold {

// The look a control shows (the records' state values).
enum ControlLook { LookDisabled = -1, LookNormal = 0, LookPressed = 1, LookHot = 2 };

struct ControlState {
    int look = LookNormal;
    bool keyPressed = false;  // Space is held
    bool tracking = false;    // TrackMouseEvent is on
    bool buttonDown = false;  // pressed with the mouse inside, not yet released
    bool heldDown = false;    // pressed by its owner (the button's hold-down message)
    POINT lastMouse{};
    bool enabled = true;
    bool interactive = true;  // an inert control shows the normal look and ignores mouse and keys
    bool focused = false;
    bool redraw = true;  // WM_SETREDRAW: while off, nothing is invalidated
    HWND tooltip = nullptr;
    // Where the mouse makes the control hot: the whole client area, or `hot` (client coordinates).
    bool hotIsClient = true;
    RECT hot{};
};

// The area the mouse makes hot, in client coordinates.
RECT hotArea(HWND window, const ControlState& s);

// The whole control repainted at the next WM_PAINT, unless its redraw is off.
void repaint(HWND window, const ControlState& s);

// The look the state calls for: disabled; normal while inert; pressed while Space or the owner
// holds it; over the hot area pressed while the button is down and hot while it is up; hot
// while the mouse is captured outside; otherwise normal.
int lookNow(HWND window, const ControlState& s);
// Takes the look the state calls for; a change repaints.
void refreshLook(HWND window, ControlState& s);

// The focus and the capture for a press (the focus unless `takeFocus` is false).
void takeMouse(HWND window, bool takeFocus);

// A mouse message: the position kept and, while enabled and interactive, the hover tracked, a
// left press taken (a double click too when `doubleClickPresses`) and a release ended. True
// when the message released a press inside the client area: the caller clicks.
bool followMouse(HWND window, ControlState& s, UINT message, LPARAM lParam, bool takeFocus, bool doubleClickPresses);

// WM_KEYDOWN / WM_KEYUP: Space pressed and released while enabled and interactive. A press
// counts only with the focus when `needsFocus`. True when the key's release clicks.
bool followKey(HWND window, ControlState& s, UINT message, WPARAM key, bool needsFocus);

// The handlers below answer their messages: each returns the result, 0.

// WM_MOUSELEAVE and WM_CAPTURECHANGED.
LRESULT mouseLeft(HWND window, ControlState& s);
LRESULT captureLost(HWND window, ControlState& s);

// WM_SETFOCUS / WM_KILLFOCUS: losing the focus lets Space go; `repaintAll` repaints whatever
// the look (a control that shows its focus).
LRESULT setFocused(HWND window, ControlState& s, bool focused, bool repaintAll);

// WM_ENABLE and the inert state: either ends a press; the tooltip is active only while both
// are on.
LRESULT setEnabled(HWND window, ControlState& s, bool enabled);
LRESULT setInteractive(HWND window, ControlState& s, bool interactive);

// WM_SETREDRAW: off stops the control's painting; on again repaints it once. Returns 0.
LRESULT setRedraw(HWND window, ControlState& s, bool on);

// The control's tooltip: a topmost tooltip window owned by the control, with one tool (id 1,
// text asked by callback). Null when it cannot be made.
HWND makeTooltip(HWND control);
// The tool put over the hot area; active while the control is enabled and interactive.
void placeTooltip(HWND window, const ControlState& s);
// A mouse message handed to the tooltip: never a double click, nor a press when `relayPresses`
// is false.
void relayToTooltip(HWND window, const ControlState& s, UINT message, WPARAM wParam, LPARAM lParam, bool relayPresses);

// The description of a given font, or of the stock default GUI font when none is given or it
// cannot be read: the controls make their fonts from it.
LOGFONTA fontDescription(HFONT given);
// The font, or the stock default GUI font when it is null.
HFONT fontOr(HFONT font);
// Deletes an owned font and empties its slot.
void freeFont(HFONT& font);

// A text measured in `font` at most `width` wide with `format` (DT_CALCRECT added), and the
// height of one line in that font.
struct TextExtent {
    int width = 0;
    int height = 0;
    int lineHeight = 0;
};
TextExtent measureText(HWND window, HFONT font, const char* text, int length, int width, UINT format);

// The mouse position of a mouse message's lParam.
inline POINT mousePoint(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace sidefold
