#pragma once
// The main frame's task pane: the bar that holds it, the image lists the program asks the
// library to build (kept for the program's life), the three groups of task links made from
// the program's templates, and the messages the groups forward to the frame (tooltip texts,
// each link's images when its dialog starts, and link clicks, which become frame commands).

#include <windows.h>

#include <functional>
#include <vector>

#include "app/task_pane_bar.h"
#include "taskpane/include/sidefold.h"
#include "winui/handles.h"

class CTaskPaneHost {
public:
    CTaskPaneHost() = default;
    CTaskPaneHost(const CTaskPaneHost&) = delete;
    CTaskPaneHost& operator=(const CTaskPaneHost&) = delete;

    // The bar (and with it the pane) as a child of the frame; false when either fails.
    bool createBar(HWND frame);
    // The group icons and the links' three lists, once, drawn for `dpi`; false when the lists
    // cannot be made.
    bool createImageLists(HINSTANCE instance, int dpi);
    // The lists made again for a new `dpi` (when it takes other drawings) and handed to the
    // groups already added, before the old ones go; false (the old lists kept) when they cannot
    // be made.
    bool applyDpi(HINSTANCE instance, int dpi);
    // The three groups, in order, each at most once; a group is missing when the pane is not.
    void addGroups(HWND frame, HINSTANCE instance);
    // SIDEFOLD_MSG_FORWARDED: 1 when the frame handled the message, else 0.
    LRESULT onForwarded(HWND frame, WPARAM wParam, LPARAM lParam) const;
    // Esc in the pane: the focus goes back to the program's views.
    std::function<void()> onEscape;

    const CTaskPaneBar& bar() const { return bar_; }
    CTaskPaneBar& bar() { return bar_; }
    HWND pane() const { return bar_.pane(); }
    // The lists the links and the first group's header are given.
    HIMAGELIST linkImages() const { return linkImages_.hot.get(); }
    HIMAGELIST groupIcons() const { return groupIcons_.get(); }

private:
    bool makeImageLists(HINSTANCE instance, int dpi);
    // A key the pane did not use, offered to the frame: its accelerators (F6 and Shift+F6 among
    // them) and Esc; 1 when it was one of those.
    LRESULT onKey(HWND frame, WPARAM key) const;

    CTaskPaneBar bar_;
    bool groupAdded_[3] = {};
    std::vector<ACCEL> accelerators_;    // the frame's, for keys typed in the pane
    int artPercent_ = 0;                 // the drawings the lists hold: 100, 150 or 200
    winui::UniqueImageList groupIcons_;  // group icons, 48 pixels at 100 %
    // What the links are given: darkened (normal state), normal (hot and pressed), grey
    // (disabled), and the image count.
    struct LinkImages {
        winui::UniqueImageList normal, hot, disabled;
        int count = 0;
        // The block a link copies when its dialog starts.
        SidefoldImageListBlock block() const { return {normal.get(), hot.get(), disabled.get()}; }
    } linkImages_;
};
