#pragma once
// Pictures made by the picture tests themselves.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "picture/picture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace picture_test {

// Wine's WIC has gaps that real Windows has not (it ignores the JPEG quality option).
inline bool runningUnderWine()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// A smooth, photo-like picture: gradients in every channel, opaque.
inline CPicture gradient(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = static_cast<uint8_t>((x + y) * 255 / (width + height));
            p[3] = 255;
        }
    CPicture pic;
    pic.setPixels(width, height, std::move(px));
    return pic;
}

inline CPicture solid(uint32_t width, uint32_t height, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < px.size(); i += 4) px[i] = b, px[i + 1] = g, px[i + 2] = r, px[i + 3] = a;
    CPicture pic;
    pic.setPixels(width, height, std::move(px));
    return pic;
}

inline const uint8_t* pixelAt(const CPicture& pic, uint32_t x, uint32_t y)
{
    return pic.bits() + (static_cast<size_t>(y) * pic.bufferWidth() + x) * 4;
}

// Largest difference of any channel between two pictures of the same buffer size; 256 when the
// sizes differ.
inline int maxDifference(const CPicture& a, const CPicture& b)
{
    if (a.bufferWidth() != b.bufferWidth() || a.bufferHeight() != b.bufferHeight()) return 256;
    int worst = 0;
    const size_t n = static_cast<size_t>(a.bufferWidth()) * a.bufferHeight() * 4;
    for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(a.bits()[i] - b.bits()[i]));
    return worst;
}

inline double meanDifference(const CPicture& a, const CPicture& b)
{
    if (a.bufferWidth() != b.bufferWidth() || a.bufferHeight() != b.bufferHeight()) return 256;
    double sum = 0;
    const size_t n = static_cast<size_t>(a.bufferWidth()) * a.bufferHeight() * 4;
    for (size_t i = 0; i < n; ++i) sum += std::abs(a.bits()[i] - b.bits()[i]);
    return sum / static_cast<double>(n);
}

// Writes `bytes` as the whole file at `path`; false when it cannot.
inline bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = openFile(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// An uncompressed 8-bit RGB TIFF of the picture's pixels as stored, in strips of `rowsPerStrip`
// rows, with its directory after the pixels (as most writers put it) and, when `orientation` is
// not 0, the orientation tag as one SHORT.
inline std::vector<uint8_t> tiffBytes(const CPicture& pic, uint16_t orientation, bool bigEndian = false,
                                      uint32_t rowsPerStrip = 7)
{
    std::vector<uint8_t> b = {bigEndian ? uint8_t('M') : uint8_t('I'), bigEndian ? uint8_t('M') : uint8_t('I')};
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) b.push_back(uint8_t(v >> (8 * (bigEndian ? bytes - 1 - k : k))));
    };
    const uint32_t w = pic.bufferWidth(), h = pic.bufferHeight();
    const uint32_t strips = (h + rowsPerStrip - 1) / rowsPerStrip;
    std::vector<uint32_t> offsets, counts;
    put(42, 2), put(0, 4);  // the directory's offset, filled in below
    for (uint32_t y = 0; y < h; ++y) {
        if (y % rowsPerStrip == 0) offsets.push_back(uint32_t(b.size()));
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = pixelAt(pic, x, y);
            b.insert(b.end(), {p[2], p[1], p[0]});
        }
    }
    for (uint32_t i = 0; i < strips; ++i) counts.push_back(std::min(rowsPerStrip, h - i * rowsPerStrip) * w * 3);
    // Arrays too long for an entry's value field go before the directory.
    const uint32_t bitsAt = uint32_t(b.size());
    put(8, 2), put(8, 2), put(8, 2);
    const uint32_t offsetsAt = uint32_t(b.size());
    for (uint32_t v : offsets) put(v, 4);
    const uint32_t countsAt = uint32_t(b.size());
    for (uint32_t v : counts) put(v, 4);
    if (b.size() % 2) b.push_back(0);
    const uint32_t directory = uint32_t(b.size());
    for (int k = 0; k < 4; ++k) b[4 + k] = uint8_t(directory >> (8 * (bigEndian ? 3 - k : k)));
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Entry> entries = {{256, 4, 1, w},
                                  {257, 4, 1, h},
                                  {258, 3, 3, bitsAt},
                                  {259, 3, 1, 1},
                                  {262, 3, 1, 2},
                                  {273, 4, strips, strips == 1 ? offsets[0] : offsetsAt},
                                  {274, 3, 1, orientation},
                                  {277, 3, 1, 3},
                                  {278, 4, 1, rowsPerStrip},
                                  {279, 4, strips, strips == 1 ? counts[0] : countsAt},
                                  {284, 3, 1, 1}};
    if (orientation == 0) entries.erase(entries.begin() + 6);
    put(uint32_t(entries.size()), 2);
    for (const Entry& e : entries) {
        put(e.tag, 2), put(e.type, 2), put(e.count, 4);
        if (e.type == 3 && e.count == 1)
            put(e.value, 2), put(0, 2);  // a SHORT sits in the first two bytes of the field
        else
            put(e.value, 4);
    }
    put(0, 4);  // no further directory
    return b;
}

}  // namespace picture_test
