#pragma once
// CResizableBar: a control bar at one edge of a frame whose size is kept separately for each
// state (docked horizontally, docked vertically, floating) and can be changed by dragging the
// bar's inner edge while docked. The frame lays the bar out with layoutSize() and hears of a
// drag through onResized.
//
// The sizing edge (and, in CCaptionBar, the caption) lives in the non-client area, so the
// client area belongs entirely to what the bar holds. The bar's own messages are in barMap();
// a derived class's table chains to it.

#include <windows.h>

#include <functional>

#include "winui/window.h"

// Bar styles, as the frame passes them at creation.
inline constexpr DWORD kBarSizeDynamic = 0x0004;
inline constexpr DWORD kBarBorderLeft = 0x0100;
inline constexpr DWORD kBarBorderTop = 0x0200;
inline constexpr DWORD kBarBorderRight = 0x0400;
inline constexpr DWORD kBarBorderBottom = 0x0800;
inline constexpr DWORD kBarAlignLeft = 0x1000;
inline constexpr DWORD kBarAlignTop = 0x2000;
inline constexpr DWORD kBarAlignRight = 0x4000;
inline constexpr DWORD kBarAlignBottom = 0x8000;

class CResizableBar : public winui::CWindow {
public:
    enum class State { Horizontal, Vertical, Floating };

    // Creates the bar as a child of `frame` (WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN and
    // WS_CLIPSIBLINGS are added). barStyle: the kBar* flags above.
    bool create(HWND frame, const wchar_t* title, int id, DWORD barStyle);

    State state() const;
    DWORD barStyle() const { return barStyle_; }
    SIZE size(State state) const { return sizes_[index(state)]; }
    void setSize(State state, SIZE size);
    void setMinSize(State state, SIZE size) { minSizes_[index(state)] = size; }
    SIZE minSize(State state) const { return minSizes_[index(state)]; }
    // The size the frame gives the bar in its current state.
    SIZE layoutSize() const { return size(state()); }

    // Called after the user dragged the edge to a new size (while dragging, too).
    std::function<void()> onResized;

    // Width of the sizing edge, in pixels.
    static constexpr int kEdge = 5;
    // The non-client parts in window coordinates: the sizing edge and the caption band.
    RECT edgeRect() const;
    RECT captionRect() const;
    // Paints the non-client parts into a DC of the whole window (WM_NCPAINT, tests).
    void paintFrame(HDC windowDc) const;

protected:
    // The bar's table: the non-client area, the drag and the caption's text.
    static const winui::MessageMapBase* barMap();
    const winui::MessageMapBase* messageMap() const override { return barMap(); }
    // Height of the caption band at the top; none here.
    virtual int captionHeight() const { return 0; }
    virtual void paintCaption(HDC, const RECT&) const {}

private:
    static size_t index(State state) { return static_cast<size_t>(state); }
    bool edgeIsRight() const;  // which side of the bar faces the frame's free area
    bool edgeIsBottom() const;
    RECT windowRectLocal() const;
    void beginDrag(POINT screen);
    void drag(POINT screen);

    void onNcCalcSize(RECT& proposed);
    void onNcPaint();
    UINT onNcHitTest(POINT screen);
    void onNcLButtonDown(UINT hitTest, POINT screen);
    void onMouseMove(UINT keys, POINT client);
    void onLButtonUp(UINT keys, POINT client);
    void onCaptureChanged(HWND gaining);
    LRESULT onSetText(const wchar_t* text);

    DWORD barStyle_ = 0;
    SIZE sizes_[3] = {{320, 320}, {320, 320}, {320, 540}};
    SIZE minSizes_[3] = {{100, 100}, {100, 100}, {100, 100}};
    bool dragging_ = false;
    POINT dragStart_{};  // screen point where the drag began
    SIZE sizeAtStart_{};
};
