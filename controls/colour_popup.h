#pragma once
// The colour palette that drops down from a colour picker: 40 named colours in 8 columns and
// 5 rows, an optional "Automatic" row above them and an optional "More Colours..." row below,
// which opens the system colour dialog.
//
// The popup is modeless and captures the mouse: the box under the pointer is highlighted, a
// release inside the popup confirms, outside it cancels. Keys reach it through the picker,
// which keeps the focus and forwards WM_KEYDOWN while the popup is open. It reports to the
// picker window with the picker's own notification numbers (wParam = colour) and then
// destroys itself.

#include <windows.h>

#include <optional>
#include <string>

// Notifications, sent by the popup to the picker and by the picker to its parent
// (wParam = colour; from the picker, lParam = its control id).
inline constexpr UINT kColourSelChange = WM_USER + 1001;     // highlighted colour changed
inline constexpr UINT kColourDropDown = WM_USER + 1002;      // popup opened (current colour)
inline constexpr UINT kColourCloseUp = WM_USER + 1003;       // popup closed, either way
inline constexpr UINT kColourSelEndOk = WM_USER + 1004;      // a colour was confirmed
inline constexpr UINT kColourSelEndCancel = WM_USER + 1005;  // the choice was cancelled

// Stands for "no colour of its own": drawn as the button face.
inline constexpr COLORREF kDefaultColour = 0xFF000000;

// Box indexes: 0..39 are the palette (row * 8 + column); the two text rows and "nothing".
inline constexpr int kPaletteColumns = 8;
inline constexpr int kPaletteRows = 5;
inline constexpr int kPaletteSize = kPaletteColumns * kPaletteRows;
inline constexpr int kBoxDefault = -3;
inline constexpr int kBoxCustom = -2;
inline constexpr int kBoxNone = -1;

struct PaletteEntry {
    COLORREF colour;
    const wchar_t* name;
};
extern const PaletteEntry kPalette[kPaletteSize];

class CColourPopup {
public:
    struct Options {
        COLORREF colour = kDefaultColour;  // the colour it starts with (and returns on cancel)
        std::wstring defaultText;          // empty: no default row
        std::wstring customText;           // empty: no custom row
    };

    // Opens the palette with its top-left corner at `topLeft` (screen), kept on the monitor.
    // Returns the popup window, or null when it could not be created.
    static HWND open(HWND picker, POINT topLeft, const Options& options);

    // For tests and keyboard forwarding: the highlighted box, and a box's client rectangle
    // (empty when the popup has no such box).
    static int highlight(HWND popup);
    static RECT boxRect(HWND popup, int index);
};
