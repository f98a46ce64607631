// Ordinal 4: image lists from a 24-bit bitmap strip of a host module: the list itself with its
// mask, and on request a dimmed (80 %) and a disabled (grey) list of the same shape.

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "taskpane/include/sidefold.h"
#include "taskpane/library.h"

namespace sidefold {

namespace {

struct Strip {
    uint8_t* bits = nullptr;
    int width = 0, height = 0;
    size_t stride = 0;
    size_t bytes() const { return stride * static_cast<size_t>(height); }
};

// A mask bitmap (1 bit per pixel, white = transparent) from the pixels of the mask colour.
HBITMAP makeMask(const Strip& s, const std::vector<bool>& masked, bool bottomUp)
{
    const size_t rowBytes = (static_cast<size_t>(s.width) + 15) / 16 * 2;  // word-aligned rows
    std::vector<uint8_t> bits(rowBytes * static_cast<size_t>(s.height), 0);
    for (int y = 0; y < s.height; ++y) {
        const int sourceRow = bottomUp ? s.height - 1 - y : y;  // the mask is top-down
        for (int x = 0; x < s.width; ++x)
            if (masked[static_cast<size_t>(sourceRow) * static_cast<size_t>(s.width) + static_cast<size_t>(x)])
                bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) / 8] |=
                    static_cast<uint8_t>(0x80u >> (x % 8));
    }
    return CreateBitmap(s.width, s.height, 1, 1, bits.data());
}

// A copy of the strip with every unmasked pixel changed by `change`, added to a new list.
template <class Change> HIMAGELIST variant(HBITMAP strip, const Strip& s, const std::vector<bool>& masked, HBITMAP mask,
                                           int imageWidth, int count, Change change)
{
    std::vector<uint8_t> saved(s.bits, s.bits + s.bytes());
    for (int y = 0; y < s.height; ++y) {
        uint8_t* px = s.bits + static_cast<size_t>(y) * s.stride;
        for (int x = 0; x < s.width; ++x, px += 3)
            if (!masked[static_cast<size_t>(y) * static_cast<size_t>(s.width) + static_cast<size_t>(x)]) change(px);
    }
    GdiFlush();
    HIMAGELIST list = ImageList_Create(imageWidth, s.height, ILC_MASK | ILC_COLORDDB, count, count);
    if (list && ImageList_Add(list, strip, mask) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    std::memcpy(s.bits, saved.data(), saved.size());
    GdiFlush();
    return list;
}

HIMAGELIST build(HINSTANCE module, UINT bitmapId, int imageWidth, COLORREF maskColour, int* count, int* height,
                 HIMAGELIST* disabled, HIMAGELIST* dimmed)
{
    // The host's output pointers, checked like every other pointer a host passes: a wrong one
    // fails the call instead of the host's thread. An optional one may be null.
    if (!writable(count, sizeof(*count))) return nullptr;
    if ((height && !writable(height, sizeof(*height))) || (disabled && !writable(disabled, sizeof(*disabled))) ||
        (dimmed && !writable(dimmed, sizeof(*dimmed))))
        return nullptr;
    *count = 0;
    if (height) *height = 0;
    if (disabled) *disabled = nullptr;
    if (dimmed) *dimmed = nullptr;
    if (imageWidth <= 0) return nullptr;

    auto strip =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) return nullptr;
    DIBSECTION ds{};
    if (GetObjectA(strip, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits || ds.dsBm.bmBitsPixel != 24 ||
        ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0 || ds.dsBm.bmWidth % imageWidth != 0) {
        DeleteObject(strip);
        return nullptr;
    }
    const Strip s{static_cast<uint8_t*>(ds.dsBm.bmBits), ds.dsBm.bmWidth, ds.dsBm.bmHeight,
                  static_cast<size_t>(ds.dsBm.bmWidthBytes)};
    const int images = s.width / imageWidth;

    HIMAGELIST list = nullptr;
    HBITMAP mask = nullptr;
    try {
        const uint8_t blue = GetBValue(maskColour), green = GetGValue(maskColour), red = GetRValue(maskColour);
        std::vector<bool> masked(static_cast<size_t>(s.width) * static_cast<size_t>(s.height));
        for (int y = 0; y < s.height; ++y) {
            const uint8_t* px = s.bits + static_cast<size_t>(y) * s.stride;
            for (int x = 0; x < s.width; ++x, px += 3)
                masked[static_cast<size_t>(y) * static_cast<size_t>(s.width) + static_cast<size_t>(x)] =
                    px[0] == blue && px[1] == green && px[2] == red;
        }
        mask = makeMask(s, masked, ds.dsBmih.biHeight > 0);
        if (mask) list = variant(strip, s, masked, mask, imageWidth, images, [](uint8_t*) {});
        if (list) {
            *count = images;
            if (height) *height = s.height;
            if (dimmed) {
                *dimmed = variant(strip, s, masked, mask, imageWidth, images, [](uint8_t* px) {
                    for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(px[c] * 4u / 5u);
                });
            }
            if (disabled) {
                *disabled = variant(strip, s, masked, mask, imageWidth, images, [](uint8_t* px) {
                    const auto grey = static_cast<uint8_t>((19661u * px[2] + 38666u * px[1] + 7209u * px[0]) >> 16);
                    px[0] = px[1] = px[2] = grey;
                });
            }
        }
    } catch (const std::bad_alloc&) {
        // The first list, once made, is still the result; a failed optional list stays null.
    }
    if (mask) DeleteObject(mask);
    DeleteObject(strip);
    return list;
}

}  // namespace

}  // namespace sidefold

extern "C" HIMAGELIST WINAPI sidefoldImageLists(HINSTANCE module, UINT bitmapId, int imageWidth, COLORREF mask,
                                                int* count, int* height, HIMAGELIST* disabled, HIMAGELIST* dimmed)
{
    return sidefold::build(module, bitmapId, imageWidth, mask, count, height, disabled, dimmed);
}
