#pragma once
// What the library's controls share: painting through a memory bitmap copied out in one
// operation (nothing flickers) on the parent's background, alpha blending of the theme's
// glyphs, the system sounds, their tooltips' text and the answer about their creation size.

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

// WM_PAINT or WM_PRINTCLIENT (which paints a hidden control only without PRF_CHECKVISIBLE):
// the parent's background, asked with `backgroundMessage`, then face(dc, client) into a memory
// bitmap of the client's size, copied out at once. Returns the message's result, 0.
template <class Face>
LRESULT paintControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT backgroundMessage, Face&& face)
{
    HDC target = nullptr;
    if (message == WM_PRINTCLIENT) {
        if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(window)) return 0;
        target = reinterpret_cast<HDC>(wParam);
    }
    PAINTSTRUCT ps{};
    HDC dc = target ? target : BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    {
        MemoryCanvas canvas(dc, client);
        askParentForBackground(window, canvas.dc(), client, backgroundMessage);
        face(canvas.dc(), client);
        canvas.copyTo(dc);
    }
    if (!target) EndPaint(window, &ps);
    return 0;
}

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

// SIDEFOLD_MSG_CREATION_SIZE: the client size the control was created with, into the ints at wParam and lParam
// (each written only when it can be). Returns the message's result, 0.
LRESULT answerCreationSize(const SIZE& creationSize, WPARAM width, LPARAM height);

}  // namespace sidefold
