#pragma once
// A 32-bit DIB section selected into a memory DC, for painting a control into and reading its
// pixels back as COLORREF values.

#include <windows.h>

#include "base/dib_format_win.h"

class PaintProbe {
public:
    PaintProbe(int width, int height, COLORREF background = RGB(1, 2, 3)) : width_(width), height_(height)
    {
        const BITMAPINFO info = topDownDibFormat(width, height);
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        SetBkColor(dc_, background);
        ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    ~PaintProbe()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    PaintProbe(const PaintProbe&) = delete;
    PaintProbe& operator=(const PaintProbe&) = delete;

    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const
    {
        GdiFlush();
        const DWORD p = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // How many pixels of the rectangle have exactly this colour.
    int count(const RECT& r, COLORREF colour) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += at(x, y) == colour;
        return n;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

// Pumps the thread's messages until none is left.
inline void pumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
