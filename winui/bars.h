#pragma once
// The frame's toolbar and status bar, over the common controls.

#include <windows.h>
#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

#include "winui/handles.h"

namespace winui {

class CToolBar {
public:
    // A flat toolbar with tooltips along the top of `parent`, its buttons (ids, order and
    // separators) read from a toolbar resource. Notifications go to `parent`.
    bool create(HWND parent, UINT id, UINT resourceId);
    HWND hwnd() const { return hwnd_; }

    // The button pictures: image i belongs to the i-th button that is not a separator; the
    // disabled list holds the same pictures as a disabled button shows them.
    void setImageLists(HIMAGELIST images, HIMAGELIST disabled);
    // The toolbar now shows at `dpi`: the gripper's room scales (the caller gives the pictures).
    void applyDpi(int dpi);
    // Command ids of the buttons in order, 0 for a separator.
    const std::vector<UINT>& buttons() const { return buttons_; }
    void setState(UINT id, bool enabled, bool checked);
    // Fits the toolbar to the parent's width; returns its height.
    int layout();
    // Draws the gripper at the left end (the parent forwards the toolbar's NM_CUSTOMDRAW).
    LRESULT customDraw(const NMCUSTOMDRAW& draw) const;

private:
    HWND hwnd_ = nullptr;
    std::vector<UINT> buttons_;
    int dpi_ = 96;
};

// The picture of a disabled command: the icon in light grey, half transparent.
UniqueIcon fadedIcon(HICON icon);

// A keyboard state shown in a pane of the status bar while it is on (caps lock...).
struct StatusIndicator {
    UINT textId;     // string resource with the pane's text ("CAP")
    int virtualKey;  // the toggle key it shows
};

class CStatusBar {
public:
    // The message pane (stretching) followed by one pane per indicator.
    bool create(HWND parent, UINT id, std::span<const StatusIndicator> indicators);
    HWND hwnd() const { return hwnd_; }

    void setMessage(const std::wstring& text);
    std::wstring paneText(int pane) const;
    // Shows each indicator's text while its key is toggled on, nothing otherwise.
    void updateIndicators();
    // Fits the bar to the bottom of the parent; returns its height.
    int layout();
    // The bar now shows at `dpi`: its font and the widths of its panes follow.
    void applyDpi(int dpi);
    int paneWidth(size_t indicator) const { return widths_.at(indicator); }

private:
    void setParts();
    void measureIndicators();

    HWND hwnd_ = nullptr;
    std::vector<StatusIndicator> indicators_;
    std::vector<std::wstring> texts_;
    std::vector<int> widths_;  // of the indicator panes
    int dpi_ = 96;
    UniqueFont font_;  // the status font for a DPI other than the system's; null: the bar's own
};

}  // namespace winui
