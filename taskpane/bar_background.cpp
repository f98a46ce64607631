#include "taskpane/bar_background.h"

#include <algorithm>
#include <cstdint>

#include "taskpane/library.h"

namespace sidefold {

namespace {

// COLORREF (0x00BBGGRR) to a 32-bit DIB pixel (0x00RRGGBB).
uint32_t pixelOf(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

void fillRect(uint32_t* bits, int width, int height, int left, int top, int right, int bottom, uint32_t pixel)
{
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, width), bottom = std::min(bottom, height);
    for (int y = top; y < bottom; ++y)
        std::fill(bits + static_cast<size_t>(y) * width + left, bits + static_cast<size_t>(y) * width + right, pixel);
}

}  // namespace

void deleteBackground(BarRecord& bar)
{
    if (bar.background) DeleteObject(bar.background);
    bar.background = nullptr;
    bar.backgroundSize = {};
}

bool makeBackground(BarRecord& bar)
{
    const int width = bar.client.right;
    const int height = std::max<int>(bar.client.bottom, bar.contentHeight);
    if (bar.background && !bar.backgroundStale && bar.backgroundSize.cx == width && bar.backgroundSize.cy == height)
        return false;
    const bool moved = bar.background && (bar.backgroundStale || bar.backgroundSize.cy != height);
    deleteBackground(bar);
    if (width <= 0 || height <= 0) return moved;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (!bitmap || !memory) return moved;  // the bar then paints the plain pane colour
    GdiFlush();
    auto* bits = static_cast<uint32_t*>(memory);
    const ThemeRef theme = libraryTheme(bar.dpi);
    const SidefoldTheme& t = *theme;
    for (int y = 0; y < height; ++y) {
        const uint32_t p = pixelOf(gradientRow(t.paneBackground, t.paneBackground2, t.paneGradientExponent, y, height));
        std::fill(bits + static_cast<size_t>(y) * width, bits + static_cast<size_t>(y + 1) * width, p);
    }
    // The borders; the bottom one at the content's bottom, or the client's when that is lower.
    const RECT& b = t.paneBorderThickness;
    const uint32_t edge = pixelOf(t.paneBorderColour);
    fillRect(bits, width, height, 0, 0, b.left, height, edge);
    fillRect(bits, width, height, width - b.right, 0, width, height, edge);
    fillRect(bits, width, height, 0, 0, width, b.top, edge);
    fillRect(bits, width, height, 0, height - b.bottom, width, height, edge);
    bar.background = bitmap;
    bar.backgroundSize = {width, height};
    bar.backgroundStale = false;
    return moved;
}

void copyBackground(const BarRecord& bar, HDC dc, int x, int y, const RECT& area)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    // The part the bitmap covers (a resize may still be queued); the pane's colour elsewhere.
    const int top = area.top + bar.scrollPosition;
    const int bw = bar.background ? std::min<int>(w, bar.backgroundSize.cx - area.left) : 0;
    const int bh = bar.background ? std::min<int>(h, bar.backgroundSize.cy - top) : 0;
    if (bw < w || bh < h) {
        SetBkColor(dc, libraryTheme()->paneBackground & 0xFFFFFF);
        const RECT all{x, y, x + w, y + h};
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    if (bw <= 0 || bh <= 0 || area.left < 0 || top < 0) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bar.background);
    BitBlt(dc, x, y, bw, bh, memory, area.left, top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void paintBar(HWND window, const BarRecord& bar)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    copyBackground(bar, dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint);
    EndPaint(window, &ps);
}

}  // namespace sidefold
