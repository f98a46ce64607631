#pragma once
// Commands: every menu item, toolbar button, accelerator and task link is a numeric id that
// travels along a route of command targets (active view -> document -> frame -> application)
// until one handles it. The same route answers update queries, which decide whether a menu
// item or toolbar button is enabled or checked before the user sees it.

#include <windows.h>

namespace winui {

// The state of one command as its update handler leaves it.
class CCommandState {
public:
    explicit CCommandState(UINT id) : id_(id) {}

    UINT id() const { return id_; }
    void enable(bool on = true) { enabled_ = on; }
    void check(bool on = true) { checked_ = on; }
    bool enabled() const { return enabled_; }
    bool checked() const { return checked_; }

private:
    UINT id_;
    bool enabled_ = true;
    bool checked_ = false;
};

class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;
    // Runs the command when this target takes it; false passes it on along the route.
    // `code` is 0 for menus and toolbars, 1 for accelerators.
    virtual bool onCommand(UINT id, UINT code) = 0;
    // Sets the command's state when this target has a say; false passes the query on.
    virtual bool onUpdateCommand(CCommandState& /*state*/) { return false; }
};

// A view: a pane of the frame that commands reach first while it is active.
class IView : public ICommandTarget {
public:
    virtual HWND hwnd() const = 0;
    // The view's window now shows at `dpi` (its monitor's scale changed): it makes its pictures
    // and sizes again for it. The frame calls it before laying the views out anew.
    virtual void applyDpi(int /*dpi*/) {}
};

}  // namespace winui
