#include "taskpane/pane_geometry.h"

#include <algorithm>
#include <cmath>

namespace sidefold {

namespace {

// One and a half times a padding, at least 4 (at 96 DPI).
int widened(int v, int dpi) { return std::max(scaledFor(4, dpi), v + v / 2); }

constexpr int kContentInsetX = 10;  // from the task-list's left border to the first control
constexpr int kContentInsetY = 8;   // from its top border, and below the lowest control
constexpr int kMinControlWidth = 64;

}  // namespace

int scaledFor(int pixels, int dpi)
{
    if (dpi == 96) return pixels;
    const long long product = static_cast<long long>(pixels) * dpi;
    return static_cast<int>((product + (product < 0 ? -48 : 48)) / 96);
}

PaneMetrics paneMetrics(int clientWidth, bool barShown, int scrollBarWidth, const Box& padding, const Box& border,
                        int dpi)
{
    PaneMetrics m;
    m.clientWidthWithBar = barShown ? clientWidth : clientWidth - scrollBarWidth;
    m.clientWidthWithoutBar = barShown ? clientWidth + scrollBarWidth : clientWidth;
    m.leftMargin = widened(padding.left, dpi) + border.left;
    m.rightMargin = widened(padding.right, dpi) + border.right;
    m.gap = widened(std::max(padding.top, padding.bottom), dpi);
    m.topMargin = border.top + m.gap;
    m.bottomMargin = m.gap + border.bottom;
    m.groupWidthWithBar = std::max(0, m.clientWidthWithBar - m.leftMargin - m.rightMargin);
    m.groupWidthWithoutBar = std::max(0, m.clientWidthWithoutBar - m.leftMargin - m.rightMargin);
    return m;
}

int flowControlWidth(int width, const Box& border, int dpi)
{
    return std::max(scaledFor(kMinControlWidth, dpi),
                    width - border.left - border.right - 2 * scaledFor(kContentInsetX, dpi));
}

FlowResult flowControls(const std::vector<FlowItem>& items, const Box& border, int width, int dpi)
{
    FlowResult out;
    out.rects.resize(items.size());
    out.visible.resize(items.size());
    const int insetY = scaledFor(kContentInsetY, dpi);
    const int contentLeft = border.left + scaledFor(kContentInsetX, dpi);
    const int contentRight = contentLeft + flowControlWidth(width, border, dpi);
    const int contentTop = border.top + insetY;
    int previous = -1;  // the last control placed
    int rowBottom = contentTop;
    int lowest = contentTop;
    for (size_t i = 0; i < items.size(); ++i) {
        const FlowItem& c = items[i];
        // Inside a closed sub-section (or one inside a closed one) a control takes no room.
        const bool visible =
            c.section < 0 || (static_cast<size_t>(c.section) < i && items[static_cast<size_t>(c.section)].open &&
                              out.visible[static_cast<size_t>(c.section)]);
        out.visible[i] = visible;
        if (!visible) continue;
        const int w = c.library ? c.measuredWidth : c.templateRect.width();
        const int h = c.library ? c.measuredHeight : c.templateRect.height();
        Box r;
        if (previous >= 0 && c.templateRect.top == items[static_cast<size_t>(previous)].templateRect.top) {
            // Same row: after the previous control, with the template's gap.
            const Box& before = out.rects[static_cast<size_t>(previous)];
            r.left = before.right +
                     std::max(0, c.templateRect.left - items[static_cast<size_t>(previous)].templateRect.right);
            r.top = before.top;
        } else if (previous < 0) {
            r.left = contentLeft;
            r.top = contentTop;
        } else {
            // A new row below the tallest of the last one, with the template's gap to the control
            // above it in the template; a closed part in between so drops out.
            const int gap = std::max(0, c.templateRect.top - items[i - 1].templateRect.bottom);
            r.left = contentLeft;
            r.top = rowBottom + gap;
            rowBottom = r.top;
        }
        // A template made for a wider pane must not push an ordinary control past the task-list
        // box: it is narrowed to the room left of the content's right edge.
        const int room = contentRight - r.left;
        r.right = r.left + (!c.library && room > 0 ? std::min(w, room) : w);
        r.bottom = r.top + h;
        rowBottom = std::max(rowBottom, r.bottom);
        lowest = std::max(lowest, r.bottom);
        out.rects[i] = r;
        previous = static_cast<int>(i);
    }
    out.dialogHeight = lowest + insetY + border.bottom;
    return out;
}

int maxScrollPosition(int rangeMax, int page) { return std::max(0, rangeMax - page + 1); }

int clampScroll(int position, int rangeMax, int page)
{
    return std::clamp(position, 0, maxScrollPosition(rangeMax, page));
}

int positionShowing(int top, int height, int position, int page, int rangeMax)
{
    int p = top;
    if (top + height - 1 < position) {
        p = top;  // above the view
    } else if (top > position + page - 1) {
        p = std::min(top, top + height - page);  // below the view
    } else if (height <= page && top >= position) {
        p = top + height - 1 > position + page - 1 ? std::min(top, top + height - page) : position;
    }
    return clampScroll(p, rangeMax, page);
}

uint32_t gradientRow(uint32_t first, uint32_t second, int exponent, int y, int h)
{
    first &= 0xFFFFFF;
    second &= 0xFFFFFF;
    if (exponent <= 0 || first == second || h <= 1) return first;
    const double base = static_cast<double>(h - 1 - std::clamp(y, 0, h - 1)) / (h - 1);
    const double s = std::pow(base, std::pow(2.0, std::min(exponent, 30) - 1));
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double a = (first >> shift) & 0xFF, b = (second >> shift) & 0xFF;
        const auto v = static_cast<uint32_t>(std::lround(a * s + b * (1 - s)));
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

int frameHeight(int k, int d)
{
    return static_cast<int>(static_cast<long long>(std::clamp(k, 0, kAnimationFrames)) * d / kAnimationFrames);
}

int frameAlpha(int k) { return std::min(std::max(255 * k / kAnimationFrames, 1), 254); }

}  // namespace sidefold
