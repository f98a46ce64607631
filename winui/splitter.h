#pragma once
// CSplitter: one row of two panes side by side with a bar between them that the mouse drags.
// The panes are child windows of the splitter, made by the caller after create(). F6 and
// Shift+F6 (through the frame) move the focus from pane to pane.

#include "winui/window.h"

namespace winui {

class CSplitter : public CWindow {
public:
    static constexpr int kBarWidth = 6;  // at 96 DPI

    bool create(HWND parent, int id, int firstPaneWidth);
    void setPanes(HWND first, HWND second);
    HWND pane(int column) const { return column == 0 ? first_ : second_; }
    // The first pane's width in pixels; the second takes the rest.
    int firstPaneWidth() const { return firstWidth_; }
    void setFirstPaneWidth(int width);
    // Gives the focus to the pane after (or before) the one holding it.
    void focusNextPane(bool backwards);
    // The window moved from `oldDpi` to `newDpi`: the bar and the first pane keep their look.
    void applyDpi(int oldDpi, int newDpi);
    int barWidth() const { return barWidth_; }

protected:
    const MessageMapBase* messageMap() const override;

private:
    void onSize(UINT type, SIZE client);
    void onPaint();
    bool onEraseBackground(HDC dc);
    void onLButtonDown(UINT keys, POINT point);
    void onMouseMove(UINT keys, POINT point);
    void onLButtonUp(UINT keys, POINT point);
    void onCaptureChanged(HWND gaining);
    bool onSetCursor(HWND over, UINT hitTest);
    void layout();
    RECT barRect() const;

    HWND first_ = nullptr;
    HWND second_ = nullptr;
    int firstWidth_ = 0;
    int barWidth_ = kBarWidth;
    bool dragging_ = false;
    int grabOffset_ = 0;  // pointer x minus bar left while dragging
};

}  // namespace winui
