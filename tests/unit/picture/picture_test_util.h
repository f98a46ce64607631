#pragma once
// Pictures made by the picture tests themselves.

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

}  // namespace picture_test
