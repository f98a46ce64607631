#include "taskpane/theme_bitmaps.h"

#include <algorithm>
#include <cstdint>

#include "taskpane/library.h"

namespace sidefold {

namespace {

// The pixels of a DIB section, row 0 at the top whatever the section's orientation.
struct Pixels {
    uint8_t* bits = nullptr;
    int width = 0, height = 0, bitsPerPixel = 0;
    size_t stride = 0;
    bool bottomUp = true;
    DWORD compression = BI_RGB;

    uint8_t* row(int y) const
    {
        const size_t r = static_cast<size_t>(bottomUp ? height - 1 - y : y);
        return bits + r * stride;
    }
};

bool pixelsOf(HBITMAP bitmap, Pixels& p)
{
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits) return false;
    p.bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    p.width = ds.dsBm.bmWidth;
    p.height = ds.dsBm.bmHeight;
    p.bitsPerPixel = ds.dsBm.bmBitsPixel;
    p.stride = static_cast<size_t>(ds.dsBm.bmWidthBytes);
    p.bottomUp = ds.dsBmih.biHeight > 0;
    p.compression = ds.dsBmih.biCompression;
    return p.width > 0 && p.height > 0;
}

HBITMAP newArgb(int width, int height, uint32_t*& bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    return b && p ? b : (b ? (DeleteObject(b), nullptr) : nullptr);
}

uint32_t bgrOf(const Pixels& src, const RGBQUAD* table, int x, int y)
{
    const uint8_t* r = src.row(y);
    if (src.bitsPerPixel == 8) {
        const RGBQUAD& q = table[r[x]];
        return static_cast<uint32_t>(q.rgbBlue) | (static_cast<uint32_t>(q.rgbGreen) << 8) |
               (static_cast<uint32_t>(q.rgbRed) << 16);
    }
    const uint8_t* px = r + 3 * static_cast<size_t>(x);
    return static_cast<uint32_t>(px[0]) | (static_cast<uint32_t>(px[1]) << 8) | (static_cast<uint32_t>(px[2]) << 16);
}

// A bitmap of any depth as a new 32-bit one: the key colour fully transparent, the rest opaque.
HBITMAP keyedCopy(HBITMAP source, int width, int height, COLORREF key)
{
    uint32_t* out;
    HBITMAP result = newArgb(width, height, out);
    if (!result) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows = dc ? GetDIBits(dc, source, 0, static_cast<UINT>(height), out, &info, DIB_RGB_COLORS) : 0;
    if (dc) DeleteDC(dc);
    if (rows != height) {
        DeleteObject(result);
        return nullptr;
    }
    const uint32_t keyBgr = (key >> 16 & 0xFF) | (key & 0xFF00) | ((key & 0xFF) << 16);
    for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
        const uint32_t bgr = out[i] & 0xFFFFFF;
        out[i] = bgr == keyBgr ? 0u : (bgr | 0xFF000000u);
    }
    return result;
}

void premultiply(const Pixels& p)
{
    for (int y = 0; y < p.height; ++y) {
        uint8_t* px = p.row(y);
        for (int x = 0; x < p.width; ++x, px += 4) {
            const unsigned a = px[3];
            for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(px[c] * a / 255u);
        }
    }
}

}  // namespace

SizedBitmap loadStyleBitmap(HMODULE module, const BitmapRef& ref)
{
    SizedBitmap out;
    if (!module || ref.id <= 0 || ref.id > 0xFFFF) return out;
    auto loaded =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(ref.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded) return out;
    Pixels p;
    if (!pixelsOf(loaded, p)) {
        DeleteObject(loaded);
        return out;
    }
    out = {loaded, p.width, p.height};
    if (!ref.keyIsColour) {
        if (p.bitsPerPixel == 32) premultiply(p);
        return out;
    }
    if (p.compression == BI_RGB || p.compression == BI_BITFIELDS) {
        if (HBITMAP keyed = keyedCopy(loaded, p.width, p.height, ref.key)) {
            DeleteObject(loaded);
            out.bitmap = keyed;
        }
    }
    return out;
}

SizedBitmap makeGlyph(int id, COLORREF colour, int dpi)
{
    SizedBitmap out;
    auto loaded = static_cast<HBITMAP>(
        LoadImageA(libraryModule(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded) return out;
    Pixels p;
    uint32_t* dst = nullptr;
    HBITMAP glyph = nullptr;
    int w = 0, h = 0;
    if (pixelsOf(loaded, p) && p.bitsPerPixel == 24 && p.compression == BI_RGB) {
        w = std::max(1, scaled(p.width, dpi));
        h = std::max(1, scaled(p.height, dpi));
        glyph = newArgb(w, h, dst);
    }
    if (glyph) {
        const uint32_t ink = (colour >> 16 & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16) | 0xFF000000u;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t bgr = bgrOf(p, nullptr, x * p.width / w, y * p.height / h);
                uint32_t& d = dst[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
                d = bgr == 0xFF0000u ? 0u : bgr == 0x0D0E0Fu ? ink : (bgr | 0xFF000000u);
            }
        }
        out = {glyph, w, h};
    }
    DeleteObject(loaded);
    return out;
}

}  // namespace sidefold
