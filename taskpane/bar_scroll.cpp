#include "taskpane/bar_scroll.h"

#include "taskpane/bar_layout.h"

namespace sidefold {

namespace {

constexpr int kLine = 16;

}  // namespace

void scrollBarTo(HWND window, BarRecord& bar, int position)
{
    position = bar.scrollBarShown ? clampScroll(position, bar.contentHeight - 1, bar.client.bottom) : 0;
    if (position == bar.scrollPosition) return;
    bar.scrollPosition = position;
    SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, position, 0};
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    placeGroups(bar);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void scrollByCode(HWND window, BarRecord& bar, int code)
{
    const int page = bar.client.bottom;
    int position = bar.scrollPosition;
    switch (code) {
    case SB_LINEUP: position -= scaledFor(kLine, bar.dpi); break;
    case SB_LINEDOWN: position += scaledFor(kLine, bar.dpi); break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(window, SB_VERT, &info);
        position = info.nTrackPos;
        bar.scrolling = code == SB_THUMBTRACK;
        break;
    }
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = bar.contentHeight; break;
    case SB_ENDSCROLL: bar.scrolling = false; return;
    default: return;
    }
    scrollBarTo(window, bar, position);
}

void scrollByWheel(HWND window, BarRecord& bar, int delta)
{
    if (!bar.scrollBarShown) return;
    bar.wheelRest += delta;
    const int notches = bar.wheelRest / WHEEL_DELTA;
    if (notches == 0) return;
    bar.wheelRest -= notches * WHEEL_DELTA;
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int step =
        lines == WHEEL_PAGESCROLL ? bar.client.bottom : static_cast<int>(lines) * scaledFor(kLine, bar.dpi);
    scrollBarTo(window, bar, bar.scrollPosition - notches * step);
}

bool wheelToPointer(HWND window, const MSG& msg)
{
    if (msg.message != WM_MOUSEWHEEL && msg.message != WM_MOUSEHWHEEL) return false;
    const POINT at{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    HWND under = WindowFromPoint(at);
    if (!under || under == msg.hwnd) return false;
    const HWND root = GetAncestor(window, GA_ROOT);
    if (!root || GetAncestor(under, GA_ROOT) != root) return false;
    return PostMessageA(under, msg.message, msg.wParam, msg.lParam) != 0;
}

void showControl(HWND window, BarRecord& bar, HWND control)
{
    RECT r{};
    if (!bar.scrollBarShown || !GetWindowRect(control, &r)) return;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    scrollBarTo(window, bar,
                positionShowing(r.top + bar.scrollPosition, r.bottom - r.top, bar.scrollPosition, bar.client.bottom,
                                bar.contentHeight - 1));
}

void showGroup(HWND window, BarRecord& bar, const GroupRecord& group)
{
    if (!bar.scrollBarShown) return;
    scrollBarTo(window, bar,
                positionShowing(group.contentTop, groupHeight(bar, group), bar.scrollPosition, bar.client.bottom,
                                bar.contentHeight - 1));
}

}  // namespace sidefold
