#pragma once
// What the library's controls share when they paint: a memory bitmap to draw into and copy out
// in one operation (nothing flickers), the parent's background under the control, alpha
// blending of the theme's glyphs; and besides, the system sounds and their tooltips' text.

#include <windows.h>

namespace sidefold {

// A memory DC with a bitmap of the area's size; the area's top left is (0, 0) in it.
class MemoryCanvas {
public:
    MemoryCanvas(HDC target, const RECT& area);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    // The DC to draw into: the memory DC, or the target itself when no bitmap could be made.
    HDC dc() const { return memory_ ? memory_ : target_; }
    void copyTo(HDC target) const;

private:
    HDC target_;
    RECT area_;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Asks the parent for the background under the control (WM_CTLCOLORSTATIC or WM_CTLCOLORBTN):
// an answer of 0 or 1 means it painted it; a brush is used to fill.
void askParentForBackground(HWND control, HDC dc, const RECT& client, UINT message);

// Draws a 32-bit premultiplied bitmap at (x, y), alpha-blended.
void drawGlyph(HDC dc, HBITMAP glyph, int x, int y);

// Plays the sound of a system event ("Explorer\Navigating", ".Default\Maximize") without
// cutting off one that plays.
void playSystemSound(const char* event);

// A control's tooltip asks for its text (TTN_GETDISPINFOA or TTN_GETDISPINFOW in `request`):
// the parent is sent WM_NOTIFY with `code` from the control and an ANSI request whose inline
// buffer it fills, and that text answers the tooltip in the form it asked for. Notices from
// other windows are left alone.
void askParentForTooltipText(HWND control, HWND tooltip, NMHDR* request, int code);

}  // namespace sidefold
