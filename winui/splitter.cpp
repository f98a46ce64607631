#include "winui/splitter.h"

#include <algorithm>

#include "winui/dpi.h"
#include "winui/handles.h"

namespace winui {

const MessageMapBase* CSplitter::messageMap() const
{
    static const auto map = MessageMap<CSplitter>()
                                .on<WM_SIZE>(&CSplitter::onSize)
                                .on<WM_PAINT>(&CSplitter::onPaint)
                                .on<WM_ERASEBKGND>(&CSplitter::onEraseBackground)
                                .on<WM_LBUTTONDOWN>(&CSplitter::onLButtonDown)
                                .on<WM_MOUSEMOVE>(&CSplitter::onMouseMove)
                                .on<WM_LBUTTONUP>(&CSplitter::onLButtonUp)
                                .on<WM_CAPTURECHANGED>(&CSplitter::onCaptureChanged)
                                .on<WM_SETCURSOR>(&CSplitter::onSetCursor);
    return &map;
}

bool CSplitter::create(HWND parent, int id, int firstPaneWidth)
{
    firstWidth_ = firstPaneWidth;
    return createWindow(WindowArgs{.className = L"FotoloomSplitter",
                                   .parent = parent,
                                   .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                   .id = id});
}

void CSplitter::setPanes(HWND first, HWND second)
{
    first_ = first;
    second_ = second;
    layout();
}

void CSplitter::setFirstPaneWidth(int width)
{
    firstWidth_ = std::max(width, 0);
    layout();
}

void CSplitter::applyDpi(int oldDpi, int newDpi)
{
    if (oldDpi <= 0 || oldDpi == newDpi) return;
    barWidth_ = scaled(kBarWidth, newDpi);
    firstWidth_ = MulDiv(firstWidth_, newDpi, oldDpi);
    layout();
}

void CSplitter::focusNextPane(bool backwards)
{
    HWND panes[] = {first_, second_};
    HWND focus = GetFocus();
    int current = -1;
    for (int i = 0; i < 2; ++i)
        if (panes[i] && focus && (panes[i] == focus || IsChild(panes[i], focus))) current = i;
    // With two panes next and previous are the same one; from outside both, start at the first
    // (or, going back, the last).
    int next = current < 0 ? (backwards ? 1 : 0) : 1 - current;
    if (panes[next]) SetFocus(panes[next]);
}

RECT CSplitter::barRect() const
{
    const SIZE size = clientSize(hwnd());
    const int left = std::min(firstWidth_, std::max<int>(size.cx - barWidth_, 0));
    return RECT{left, 0, left + barWidth_, size.cy};
}

void CSplitter::layout()
{
    if (!hwnd()) return;
    const SIZE size = clientSize(hwnd());
    const RECT bar = barRect();
    // The panes are drawn anew, never from their old pixels moved along: a copied edge of a
    // pane's border would stay behind as a stray line while the bar is dragged.
    constexpr UINT kMove = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    if (first_) SetWindowPos(first_, nullptr, 0, 0, bar.left, size.cy, kMove);
    if (second_) SetWindowPos(second_, nullptr, bar.right, 0, std::max<int>(size.cx - bar.right, 0), size.cy, kMove);
    InvalidateRect(hwnd(), &bar, TRUE);
}

void CSplitter::onSize(UINT, SIZE) { layout(); }

bool CSplitter::onEraseBackground(HDC) { return true; }  // the panes and onPaint cover everything

void CSplitter::onPaint()
{
    PaintDc paint(hwnd());
    RECT bar = barRect();
    FillRect(paint.get(), &bar, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(paint.get(), &bar, EDGE_RAISED, BF_LEFT | BF_RIGHT);
}

void CSplitter::onLButtonDown(UINT, POINT point)
{
    const RECT bar = barRect();
    if (!PtInRect(&bar, point)) return;
    dragging_ = true;
    grabOffset_ = point.x - bar.left;
    SetCapture(hwnd());
}

void CSplitter::onMouseMove(UINT, POINT point)
{
    if (!dragging_) return;
    const SIZE size = clientSize(hwnd());
    setFirstPaneWidth(std::clamp<int>(point.x - grabOffset_, 0, std::max<int>(size.cx - barWidth_, 0)));
    UpdateWindow(hwnd());
}

void CSplitter::onLButtonUp(UINT, POINT)
{
    if (dragging_) ReleaseCapture();
}

void CSplitter::onCaptureChanged(HWND) { dragging_ = false; }

bool CSplitter::onSetCursor(HWND over, UINT hitTest)
{
    if (over != hwnd() || hitTest != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
    return true;
}

}  // namespace winui
