#include "winui/frame_window.h"

#include <algorithm>

#include "winui/text.h"

namespace winui {

namespace {

std::wstring line(UINT id, size_t which)
{
    const std::wstring text = loadString(id);
    const size_t feed = text.find(L'\n');
    if (which == 0) return text.substr(0, feed);
    return feed == std::wstring::npos ? std::wstring() : text.substr(feed + 1);
}

}  // namespace

std::wstring commandPrompt(UINT id) { return line(id, 0); }
std::wstring commandTooltip(UINT id) { return line(id, 1); }

void CFrameWindow::setRoute(ICommandTarget* document, ICommandTarget* application)
{
    document_ = document;
    application_ = application;
}

void CFrameWindow::addView(IView* view)
{
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CFrameWindow::setActiveView(IView* view) { activeView_ = view; }

IView* CFrameWindow::activeView()
{
    HWND focus = GetFocus();
    for (IView* view : views_) {
        HWND pane = view->hwnd();
        if (focus && pane && (focus == pane || IsChild(pane, focus))) activeView_ = view;
    }
    return activeView_;
}

bool CFrameWindow::routeCommand(UINT id, UINT code)
{
    ICommandTarget* route[] = {activeView(), document_, this, application_};
    for (size_t i = 0; i < std::size(route); ++i) {
        ICommandTarget* target = route[i];
        if (!target || std::find(route, route + i, target) != route + i) continue;
        // The frame's own table is consulted directly: its onCommand would route again.
        const bool taken = target == this ? CWindow::onCommand(id, code) : target->onCommand(id, code);
        if (taken) return true;
    }
    return false;
}

CCommandState CFrameWindow::queryCommand(UINT id)
{
    CCommandState state(id);
    ICommandTarget* route[] = {activeView(), document_, this, application_};
    for (ICommandTarget* target : route) {
        if (!target) continue;
        const bool answered = target == this ? CWindow::onUpdateCommand(state) : target->onUpdateCommand(state);
        if (answered) break;
    }
    return state;
}

void CFrameWindow::onIdle()
{
    if (toolbar_ && toolbar_->hwnd()) {
        for (UINT id : toolbar_->buttons()) {
            if (id == 0) continue;
            const CCommandState state = queryCommand(id);
            toolbar_->setState(id, state.enabled(), state.checked());
        }
    }
    if (statusBar_ && statusBar_->hwnd()) statusBar_->updateIndicators();
}

void CFrameWindow::setBars(CToolBar* toolbar, CStatusBar* statusBar, UINT idlePromptId)
{
    toolbar_ = toolbar;
    statusBar_ = statusBar;
    idlePromptId_ = idlePromptId;
    showPrompt(0);
}

void CFrameWindow::updateMenu(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or submenu
        const CCommandState state = queryCommand(id);
        EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (state.enabled() ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (state.checked() ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CFrameWindow::showPrompt(UINT id)
{
    if (!statusBar_ || !statusBar_->hwnd()) return;
    statusBar_->setMessage(id ? commandPrompt(id) : loadString(idlePromptId_));
}

bool CFrameWindow::handleToolbarNotify(const NMHDR& header, LRESULT& result)
{
    if (header.code == TTN_GETDISPINFOW) {
        // Tooltips of toolbar buttons carry the command id as their tool id.
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        tooltip_ = commandTooltip(static_cast<UINT>(header.idFrom));
        info.lpszText = tooltip_.data();
        info.hinst = nullptr;
        result = 0;
        return true;
    }
    if (!toolbar_ || header.hwndFrom != toolbar_->hwnd()) return false;
    if (header.code == TBN_HOTITEMCHANGE) {
        const auto& hot = reinterpret_cast<const NMTBHOTITEM&>(header);
        showPrompt((hot.dwFlags & HICF_LEAVING) ? 0 : static_cast<UINT>(hot.idNew));
        result = 0;
        return true;
    }
    if (header.code == NM_CUSTOMDRAW) {
        result = toolbar_->customDraw(reinterpret_cast<const NMCUSTOMDRAW&>(header));
        return true;
    }
    return false;
}

bool CFrameWindow::dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) <= 1) {  // menu, accelerator or button click
            routeCommand(LOWORD(wParam), HIWORD(wParam));
            result = 0;
            return true;
        }
        break;
    case WM_NOTIFY:
        if (lParam && handleToolbarNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return true;
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) updateMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_MENUSELECT: {
        const UINT flags = HIWORD(wParam);
        if (flags == 0xFFFF && !lParam)
            showPrompt(0);  // the menu closed
        else if (!(flags & (MF_POPUP | MF_SEPARATOR)))
            showPrompt(LOWORD(wParam));
        else if (statusBar_)
            statusBar_->setMessage(L"");
        result = 0;
        return true;
    }
    case WM_SETFOCUS:
        // The frame passes the focus on to the view that last had it.
        if (IView* view = activeView(); view && view->hwnd()) {
            SetFocus(view->hwnd());
            result = 0;
            return true;
        }
        break;
    default: break;
    }
    return CWindow::dispatch(message, wParam, lParam, result);
}

}  // namespace winui
