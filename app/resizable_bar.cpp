// The resizable control bar: sizes per state, the sizing edge in the non-client area, and the
// drag that changes the size.

#include "app/resizable_bar.h"

#include <algorithm>

#include "winui/handles.h"

namespace {

constexpr wchar_t kClassName[] = L"FotoloomResizableBar";

}  // namespace

bool CResizableBar::create(HWND frame, const wchar_t* title, int id, DWORD barStyle)
{
    barStyle_ = barStyle;
    winui::WindowArgs args;
    args.className = kClassName;
    args.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    args.parent = frame;
    args.text = title;
    args.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    args.id = id;
    const SIZE initial = layoutSize();
    args.width = initial.cx;
    args.height = initial.cy;
    return createWindow(args);
}

CResizableBar::State CResizableBar::state() const
{
    if (barStyle_ & (kBarAlignLeft | kBarAlignRight)) return State::Vertical;
    if (barStyle_ & (kBarAlignTop | kBarAlignBottom)) return State::Horizontal;
    return State::Floating;
}

void CResizableBar::setSize(State state, SIZE size)
{
    const SIZE least = minSize(state);
    sizes_[index(state)] = SIZE{std::max(size.cx, least.cx), std::max(size.cy, least.cy)};
}

bool CResizableBar::edgeIsRight() const { return (barStyle_ & kBarAlignLeft) != 0; }
bool CResizableBar::edgeIsBottom() const { return (barStyle_ & kBarAlignTop) != 0; }

RECT CResizableBar::windowRectLocal() const
{
    RECT r{};
    GetWindowRect(hwnd(), &r);
    OffsetRect(&r, -r.left, -r.top);
    return r;
}

// The edge faces the rest of the frame: right of a left bar, left of a right one, below a top
// bar, above a bottom one. A floating bar has none.
RECT CResizableBar::edgeRect() const
{
    const RECT w = windowRectLocal();
    if (barStyle_ & kBarAlignLeft) return RECT{w.right - kEdge, w.top, w.right, w.bottom};
    if (barStyle_ & kBarAlignRight) return RECT{w.left, w.top, w.left + kEdge, w.bottom};
    if (barStyle_ & kBarAlignTop) return RECT{w.left, w.bottom - kEdge, w.right, w.bottom};
    if (barStyle_ & kBarAlignBottom) return RECT{w.left, w.top, w.right, w.top + kEdge};
    return RECT{};
}

RECT CResizableBar::captionRect() const
{
    RECT w = windowRectLocal();
    const RECT edge = edgeRect();
    if (barStyle_ & kBarAlignLeft) w.right = edge.left;
    if (barStyle_ & kBarAlignRight) w.left = edge.right;
    if (barStyle_ & kBarAlignBottom) w.top = edge.bottom;
    return RECT{w.left, w.top, w.right, w.top + captionHeight()};
}

void CResizableBar::paintFrame(HDC windowDc) const
{
    const RECT edge = edgeRect();
    if (!IsRectEmpty(&edge)) {
        SetBkColor(windowDc, GetSysColor(COLOR_BTNFACE));
        ExtTextOutW(windowDc, 0, 0, ETO_OPAQUE, &edge, nullptr, 0, nullptr);
        RECT line = edge;
        const UINT side = (barStyle_ & kBarAlignLeft)    ? BF_RIGHT
                          : (barStyle_ & kBarAlignRight) ? BF_LEFT
                          : (barStyle_ & kBarAlignTop)   ? BF_BOTTOM
                                                         : BF_TOP;
        DrawEdge(windowDc, &line, EDGE_RAISED, side);
    }
    const RECT caption = captionRect();
    if (caption.bottom > caption.top) paintCaption(windowDc, caption);
}

void CResizableBar::beginDrag(POINT screen)
{
    dragging_ = true;
    dragStart_ = screen;
    sizeAtStart_ = layoutSize();
    SetCapture(hwnd());
}

void CResizableBar::drag(POINT screen)
{
    SIZE size = sizeAtStart_;
    if (barStyle_ & kBarAlignLeft) size.cx += screen.x - dragStart_.x;
    if (barStyle_ & kBarAlignRight) size.cx -= screen.x - dragStart_.x;
    if (barStyle_ & kBarAlignTop) size.cy += screen.y - dragStart_.y;
    if (barStyle_ & kBarAlignBottom) size.cy -= screen.y - dragStart_.y;
    const SIZE before = layoutSize();
    setSize(state(), size);
    const SIZE after = layoutSize();
    if ((after.cx != before.cx || after.cy != before.cy) && onResized) onResized();
}

const winui::MessageMapBase* CResizableBar::barMap()
{
    static const auto map = winui::MessageMap<CResizableBar>()
                                .on<WM_NCCALCSIZE>(&CResizableBar::onNcCalcSize)
                                .on<WM_NCPAINT>(&CResizableBar::onNcPaint)
                                .on<WM_NCHITTEST>(&CResizableBar::onNcHitTest)
                                .on<WM_NCLBUTTONDOWN>(&CResizableBar::onNcLButtonDown)
                                .on<WM_MOUSEMOVE>(&CResizableBar::onMouseMove)
                                .on<WM_LBUTTONUP>(&CResizableBar::onLButtonUp)
                                .on<WM_CAPTURECHANGED>(&CResizableBar::onCaptureChanged)
                                .on<WM_SETTEXT>(&CResizableBar::onSetText);
    return &map;
}

void CResizableBar::onNcCalcSize(RECT& r)
{
    if (barStyle_ & kBarAlignLeft) r.right -= kEdge;
    if (barStyle_ & kBarAlignRight) r.left += kEdge;
    if (barStyle_ & kBarAlignTop) r.bottom -= kEdge;
    if (barStyle_ & kBarAlignBottom) r.top += kEdge;
    r.top = std::min(r.top + captionHeight(), r.bottom);
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
}

void CResizableBar::onNcPaint()
{
    const winui::WindowDc dc(hwnd());
    if (dc.get()) paintFrame(dc.get());
}

UINT CResizableBar::onNcHitTest(POINT screen)
{
    RECT window;
    GetWindowRect(hwnd(), &window);
    const POINT pt{screen.x - window.left, screen.y - window.top};
    const RECT edge = edgeRect();
    const RECT caption = captionRect();
    if (PtInRect(&edge, pt)) {
        return (barStyle_ & kBarAlignLeft)    ? HTRIGHT
               : (barStyle_ & kBarAlignRight) ? HTLEFT
               : (barStyle_ & kBarAlignTop)   ? HTBOTTOM
                                              : HTTOP;
    }
    if (PtInRect(&caption, pt)) return HTBORDER;  // the caption only shows the title; it never moves the bar
    return static_cast<UINT>(DefWindowProcW(hwnd(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)));
}

void CResizableBar::onNcLButtonDown(UINT hitTest, POINT screen)
{
    if (hitTest == HTRIGHT || hitTest == HTLEFT || hitTest == HTTOP || hitTest == HTBOTTOM)
        beginDrag(screen);
    else
        DefWindowProcW(hwnd(), WM_NCLBUTTONDOWN, hitTest, MAKELPARAM(screen.x, screen.y));
}

void CResizableBar::onMouseMove(UINT, POINT client)
{
    if (!dragging_) return;
    ClientToScreen(hwnd(), &client);
    drag(client);
}

void CResizableBar::onLButtonUp(UINT, POINT)
{
    if (dragging_) ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
}

void CResizableBar::onCaptureChanged(HWND) { dragging_ = false; }

LRESULT CResizableBar::onSetText(const wchar_t* text)
{
    // The caption shows the text: repaint it once the text is stored.
    const LRESULT stored = DefWindowProcW(hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    return stored;
}
