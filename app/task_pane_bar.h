#pragma once
// CTaskPaneBar: the sizing bar at the left of the main frame that holds Sidefold's task pane.
// Its window's creation makes the pane (ordinal 9) as its child, a resize gives the pane the
// whole client area, and its destruction destroys the pane (ordinal 10).

#include "app/caption_bar.h"

class CTaskPaneBar : public CCaptionFontBar {
public:
    CTaskPaneBar();
    // The task pane's window, null when there is none.
    HWND pane() const { return pane_; }
    // Its sizes (given for 96 DPI, or as the user dragged them) made for a new DPI.
    void applyDpi(int oldDpi, int newDpi);

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    bool onCreate(const CREATESTRUCTW& cs);
    void onSize(UINT type, SIZE client);
    void onDestroy();

    HWND pane_ = nullptr;
};
