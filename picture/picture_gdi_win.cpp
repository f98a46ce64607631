// CPicture on a Windows device context: drawing, device bitmaps, and pictures taken from bitmaps.
// Scaling is our own resampler, so what is drawn matches what is built.

#include <windows.h>

#include <new>

#include "base/dib_format_win.h"
#include "picture/picture.h"
#include "picture/picture_codec.h"
#include "picture/resample.h"

namespace {

// GDI shows no alpha: transparent parts are laid over white, as on a thumbnail's cell.
void flattenOverWhite(std::vector<uint8_t>& bgra)
{
    for (size_t i = 0; i < bgra.size(); i += 4) {
        const uint8_t a = bgra[i + 3];
        for (int c = 0; c < 3; ++c) bgra[i + c] = overWhite(bgra[i + c], a);
        bgra[i + 3] = 255;
    }
}

}  // namespace

bool CPicture::Stretch(HDC hdc, int x, int y, int width, int height, unsigned long rop) const
{
    if (!IsValid() || !hdc || width <= 0 || height <= 0 || !pictureSizeAllowed(width, height)) return false;
    std::vector<uint8_t> px;
    try {
        const auto w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
        if (w == bufferWidth_ && h == bufferHeight_) {
            px = pixels_;
        } else {
            px.resize(static_cast<size_t>(w) * h * 4);
            if (!resampleBgra(pixels_.data(), bufferWidth_, bufferHeight_, px.data(), w, h, true, hasAlpha_))
                return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (hasAlpha_) flattenOverWhite(px);
    const BITMAPINFO info = topDownDibFormat(width, height);
    return StretchDIBits(hdc, x, y, width, height, 0, 0, width, height, px.data(), &info, DIB_RGB_COLORS, rop) != 0;
}

HBITMAP CPicture::MakeBitmap(HDC hdc) const
{
    if (!IsValid()) return nullptr;
    std::vector<uint8_t> px;
    try {
        if (!pixelsAtTrueSize(px)) return nullptr;
        if (px.empty()) px = pixels_;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (hasAlpha_) flattenOverWhite(px);
    HDC dc = hdc ? hdc : GetDC(nullptr);
    if (!dc) return nullptr;
    const BITMAPINFO info = topDownDibFormat(static_cast<int>(width_), static_cast<int>(height_));
    HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, px.data(), &info, DIB_RGB_COLORS);
    if (!hdc) ReleaseDC(nullptr, dc);
    return bitmap;
}

bool CPicture::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette)
{
    Destroy();
    BITMAP bm{};
    if (!bitmap || GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm || !pictureSizeAllowed(bm.bmWidth, bm.bmHeight))
        return false;
    // Only a 32-bit DIB section can carry alpha; everything else is opaque.
    DIBSECTION section{};
    const bool mayHaveAlpha = GetObjectW(bitmap, sizeof section, &section) == sizeof section && bm.bmBitsPixel == 32;
    std::vector<uint8_t> px;
    try {
        px.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    HDC dc = GetDC(nullptr);
    if (!dc) return false;
    HPALETTE oldPalette = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
    if (palette) RealizePalette(dc);
    BITMAPINFO info = topDownDibFormat(bm.bmWidth, bm.bmHeight);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), px.data(), &info, DIB_RGB_COLORS);
    if (palette) SelectPalette(dc, oldPalette, FALSE);
    ReleaseDC(nullptr, dc);
    if (rows != bm.bmHeight) return false;
    bool anyAlpha = false;
    for (size_t i = 3; mayHaveAlpha && i < px.size() && !anyAlpha; i += 4) anyAlpha = px[i] != 0;
    if (!anyAlpha)
        for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
    return setPixels(static_cast<uint32_t>(bm.bmWidth), static_cast<uint32_t>(bm.bmHeight), std::move(px));
}
