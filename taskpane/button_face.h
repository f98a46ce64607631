#pragma once
// The face of CBButton32: its record, its four fonts, where its glyph and text go at a width,
// and its painting in the visual style's BUTTON parts or, in the system look, with frame
// controls. The window procedure (cb_button.cpp) keeps the state and the clicks.

#include <windows.h>

#include <uxtheme.h>

namespace sidefold {

constexpr DWORD kButtonTag = 116;

// Kinds (style & 0x0070) and the other style bits.
constexpr DWORD kButtonKindMask = 0x0070;
constexpr DWORD kButtonPush = 0x00, kButtonDefaultPush = 0x10, kButtonCheck = 0x20, kButtonToggleCheck = 0x30;
constexpr DWORD kButtonRadio = 0x40, kButtonThreeState = 0x50, kButtonStepThreeState = 0x60, kButtonToggleRadio = 0x70;
constexpr DWORD kButtonEllipsis = 0x0002, kButtonWrap = 0x0004, kButtonGlyphRight = 0x0008;
constexpr DWORD kButtonFocusRect = 0x0080, kButtonNoFocusOnClick = 0x0100, kButtonFlat = 0x0800;
constexpr DWORD kButtonAlignLeft = 0x1000, kButtonAlignRight = 0x2000, kButtonAlignCentre = 0x4000;

enum ButtonState { ButtonDisabled = -1, ButtonNormal = 0, ButtonPressed = 1, ButtonHot = 2 };

struct ButtonRecord {
    DWORD tag = kButtonTag;
    SIZE creationSize{};  // client size at creation
    int check = 0;        // 0, 1, 2 (mixed)
    int state = ButtonNormal;
    bool keyPressed = false;   // Space is held
    bool tracking = false;     // TrackMouseEvent is on
    bool buttonDown = false;   // pressed with the mouse inside, not yet released
    bool doubleClick = false;  // the press was the second of a double click
    bool heldDown = false;     // pressed by WM_USER+5
    POINT lastMouse{};
    bool enabled = true;
    bool focused = false;
    HTHEME theme = nullptr;      // "BUTTON"; none in the system look
    HFONT givenFont = nullptr;   // from WM_SETFONT (not owned)
    HFONT fonts[4]{};            // normal, hot, checked, checked and hot (owned)
    LPARAM callerValue = 0;      // WM_USER+8
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
