#include "app/task_pane_bar.h"

#include "app/sidefold_imports.h"
#include "winui/dpi.h"

CTaskPaneBar::CTaskPaneBar()
{
    setSize(State::Horizontal, {320, 320});
    setSize(State::Vertical, {320, 320});
    setSize(State::Floating, {320, 540});
    for (State s : {State::Horizontal, State::Vertical, State::Floating}) setMinSize(s, {100, 100});
}

const winui::MessageMapBase* CTaskPaneBar::messageMap() const
{
    static const auto map = winui::MessageMap<CTaskPaneBar>()
                                .chain(barMap())
                                .on<WM_CREATE>(&CTaskPaneBar::onCreate)
                                .on<WM_SIZE>(&CTaskPaneBar::onSize)
                                .on<WM_DESTROY>(&CTaskPaneBar::onDestroy);
    return &map;
}

void CTaskPaneBar::applyDpi(int oldDpi, int newDpi)
{
    if (oldDpi <= 0 || newDpi <= 0 || oldDpi == newDpi) return;
    auto scale = [&](SIZE s) { return SIZE{MulDiv(s.cx, newDpi, oldDpi), MulDiv(s.cy, newDpi, oldDpi)}; };
    for (State s : {State::Horizontal, State::Vertical, State::Floating}) {
        setMinSize(s, scale(minSize(s)));
        setSize(s, scale(size(s)));
    }
}

bool CTaskPaneBar::onCreate(const CREATESTRUCTW&)
{
    applyDpi(winui::kBaseDpi, winui::dpiOf(hwnd()));
    pane_ = sidefoldCreateBar(hwnd(), 0, 0, 0, 0, 0, 0);
    if (IsWindow(pane_)) return true;
    pane_ = nullptr;
    return false;
}

void CTaskPaneBar::onSize(UINT, SIZE client)
{
    if (pane_)
        SetWindowPos(pane_, nullptr, 0, 0, client.cx, client.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
}

void CTaskPaneBar::onDestroy()
{
    if (pane_ && IsWindow(pane_)) sidefoldDestroyBar(pane_);
    pane_ = nullptr;
}
