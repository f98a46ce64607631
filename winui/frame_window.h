#pragma once
// CFrameWindow: a top-level window that owns the command route. Commands from its menu,
// accelerators, toolbar and child controls go to the active view, then the document target,
// then the frame's own table, then the application target, and stop at the first that takes
// them. Before a menu opens, and when the thread goes idle, every item and toolbar button
// asks the same route whether it is enabled or checked. Menu items and toolbar buttons show
// their prompt (the first line of their string resource) in the status bar, and toolbar
// buttons their tooltip (the second line).

#include <string>
#include <vector>

#include "winui/bars.h"
#include "winui/window.h"

namespace winui {

class CFrameWindow : public CWindow {
public:
    // The targets after the active view and before and after the frame; either may be null.
    void setRoute(ICommandTarget* document, ICommandTarget* application);
    // Views that can become active. The active one is the view holding the focus, else the
    // one that held it last (or was set last).
    void addView(IView* view);
    void setActiveView(IView* view);
    IView* activeView();

    // Runs a command along the route; false when no target took it.
    bool routeCommand(UINT id, UINT code = 0);
    // The state the route gives a command; enabled unless a target says otherwise.
    CCommandState queryCommand(UINT id);
    // Idle-time work: toolbar button states and the status bar's indicators.
    virtual void onIdle();

protected:
    // The bars the frame keeps up to date (either may be null), and the status-bar text shown
    // when no prompt is.
    void setBars(CToolBar* toolbar, CStatusBar* statusBar, UINT idlePromptId);
    bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void updateMenu(HMENU menu);
    void showPrompt(UINT id);
    bool handleToolbarNotify(const NMHDR& header, LRESULT& result);

    ICommandTarget* document_ = nullptr;
    ICommandTarget* application_ = nullptr;
    std::vector<IView*> views_;
    IView* activeView_ = nullptr;
    CToolBar* toolbar_ = nullptr;
    CStatusBar* statusBar_ = nullptr;
    UINT idlePromptId_ = 0;
    std::wstring tooltip_;  // the text a tooltip is showing; it points into this
};

// The first or second line of a command's string resource (prompt, tooltip).
std::wstring commandPrompt(UINT id);
std::wstring commandTooltip(UINT id);

}  // namespace winui
