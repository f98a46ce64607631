#pragma once
// The face of CBButton32: its record, its four fonts, where its glyph and text go at a width,
// and its painting in the visual style's BUTTON parts or, in the system look, with frame
// controls. The window procedure (cb_button.cpp) keeps the state and the clicks.

#include <windows.h>

#include <uxtheme.h>

#include "taskpane/bar_record.h"
#include "taskpane/control_state.h"
#include "taskpane/include/sidefold.h"

namespace sidefold {

// Kinds (style & SIDEFOLD_BUTTON_KIND_MASK) and the other style bits.
constexpr DWORD kButtonKindMask = SIDEFOLD_BUTTON_KIND_MASK;
constexpr DWORD kButtonPush = SIDEFOLD_BUTTON_PUSH, kButtonDefaultPush = SIDEFOLD_BUTTON_DEFAULT_PUSH;
constexpr DWORD kButtonCheck = SIDEFOLD_BUTTON_CHECK, kButtonToggleCheck = SIDEFOLD_BUTTON_TOGGLE_CHECK;
constexpr DWORD kButtonRadio = SIDEFOLD_BUTTON_RADIO, kButtonThreeState = SIDEFOLD_BUTTON_THREE_STATE;
constexpr DWORD kButtonStepThreeState = SIDEFOLD_BUTTON_STEP_THREE_STATE;
constexpr DWORD kButtonToggleRadio = SIDEFOLD_BUTTON_TOGGLE_RADIO;
constexpr DWORD kButtonEllipsis = SIDEFOLD_BUTTON_ELLIPSIS, kButtonWrap = SIDEFOLD_BUTTON_WRAP;
constexpr DWORD kButtonGlyphRight = SIDEFOLD_BUTTON_GLYPH_RIGHT, kButtonFocusRect = SIDEFOLD_BUTTON_FOCUS_RECT;
constexpr DWORD kButtonNoFocusOnClick = SIDEFOLD_BUTTON_NO_FOCUS_ON_CLICK, kButtonFlat = SIDEFOLD_BUTTON_FLAT;
constexpr DWORD kButtonAlignLeft = SIDEFOLD_BUTTON_ALIGN_LEFT, kButtonAlignRight = SIDEFOLD_BUTTON_ALIGN_RIGHT;
constexpr DWORD kButtonAlignCentre = SIDEFOLD_BUTTON_ALIGN_CENTRE;

enum ButtonState {
    ButtonDisabled = LookDisabled,
    ButtonNormal = LookNormal,
    ButtonPressed = LookPressed,
    ButtonHot = LookHot
};

struct ButtonRecord {
    RecordTag tag = RecordTag::Button;
    SIZE creationSize{};         // client size at creation
    int check = 0;               // 0, 1, 2 (mixed)
    ControlState state;          // hot over the whole button; held down by SIDEFOLD_BUTTON_HOLD_DOWN
    bool doubleClick = false;    // the press was the second of a double click
    HTHEME theme = nullptr;      // "BUTTON"; none in the system look
    HFONT givenFont = nullptr;   // from WM_SETFONT (not owned)
    HFONT fonts[4]{};            // normal, hot, checked, checked and hot (owned)
    LPARAM callerValue = 0;      // SIDEFOLD_BUTTON_SET_VALUE
    RECT glyphBox{}, textBox{};  // at the client size
    bool multiLine = false;
};

inline DWORD buttonKind(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & kButtonKindMask; }
inline bool isPushKind(DWORD kind) { return kind == kButtonPush || kind == kButtonDefaultPush; }
inline bool isRadioKind(DWORD kind) { return kind == kButtonRadio || kind == kButtonToggleRadio; }

// The four fonts from the given font (the stock default GUI font when none).
void makeButtonFonts(ButtonRecord& b);
void deleteButtonFonts(ButtonRecord& b);

struct ButtonLayout {
    RECT glyph{}, text{};
    bool multiLine = false;
    int height = 0;  // the taller of glyph and text (push buttons: the client height)
};

// Where glyph and text go at a width; nothing of the window changes. `clientHeight` centres the
// content of a check box or radio button vertically and holds a push button's text.
ButtonLayout buttonLayoutAt(HWND window, const ButtonRecord& b, int width, int clientHeight);

// The whole face into `dc` (the background is already there).
void paintButtonFace(HWND window, const ButtonRecord& b, HDC dc, const RECT& client);

}  // namespace sidefold
