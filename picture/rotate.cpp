#include "picture/rotate.h"

#include <algorithm>
#include <cstring>
#include <new>

Orientation orientationOfQuarterTurns(int quarterTurns)
{
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1: return Orientation::Rotate90;
    case 2: return Orientation::Rotate180;
    case 3: return Orientation::Rotate270;
    default: return Orientation::Normal;
    }
}

bool orientPixels(const uint8_t* src, uint32_t width, uint32_t height, Orientation orientation,
                  std::vector<uint8_t>& dst)
{
    const auto w = static_cast<int64_t>(width);
    const auto h = static_cast<int64_t>(height);
    // Destination pixel (x, y) comes from source pixel base + x * dx + y * dy.
    int64_t base = 0, dx = 1, dy = w;
    switch (orientation) {
    case Orientation::Normal: break;
    case Orientation::MirrorHorizontal: base = w - 1, dx = -1, dy = w; break;
    case Orientation::Rotate180: base = (h - 1) * w + w - 1, dx = -1, dy = -w; break;
    case Orientation::MirrorVertical: base = (h - 1) * w, dx = 1, dy = -w; break;
    case Orientation::Transpose: base = 0, dx = w, dy = 1; break;
    case Orientation::Rotate90: base = (h - 1) * w, dx = -w, dy = 1; break;
    case Orientation::Transverse: base = (h - 1) * w + w - 1, dx = -w, dy = -1; break;
    case Orientation::Rotate270: base = w - 1, dx = w, dy = -1; break;
    default: return false;
    }
    const bool swap = swapsSides(orientation);
    const int64_t outW = swap ? h : w;
    const int64_t outH = swap ? w : h;
    try {
        dst.resize(static_cast<size_t>(outW * outH) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (outW == 0 || outH == 0) return true;

    // Pixels move as 32-bit words; square tiles keep both the rows read and the rows written in
    // cache when the turn walks the source by columns.
    constexpr int64_t kTile = 32;
    const auto* in = src;
    uint8_t* out = dst.data();
    for (int64_t ty = 0; ty < outH; ty += kTile) {
        const int64_t yEnd = std::min(outH, ty + kTile);
        for (int64_t tx = 0; tx < outW; tx += kTile) {
            const int64_t xEnd = std::min(outW, tx + kTile);
            for (int64_t y = ty; y < yEnd; ++y) {
                uint8_t* row = out + (y * outW + tx) * 4;
                int64_t from = base + tx * dx + y * dy;
                for (int64_t x = tx; x < xEnd; ++x, from += dx, row += 4) std::memcpy(row, in + from * 4, 4);
            }
        }
    }
    return true;
}

Orientation combineOrientations(Orientation first, Orientation then)
{
    // Found by doing both to a small picture of distinct pixels and looking which single one
    // does the same: nothing to get wrong in a table of 64 entries.
    constexpr uint32_t w = 3, h = 2;
    std::vector<uint8_t> probe(w * h * 4, 0);
    for (uint32_t i = 0; i < w * h; ++i) probe[i * 4] = static_cast<uint8_t>(i + 1);
    std::vector<uint8_t> once, twice, single;
    if (!orientPixels(probe.data(), w, h, first, once)) return Orientation::Normal;
    const bool swapped = swapsSides(first);
    if (!orientPixels(once.data(), swapped ? h : w, swapped ? w : h, then, twice)) return Orientation::Normal;
    for (int o = 1; o <= 8; ++o) {
        const auto candidate = static_cast<Orientation>(o);
        if (swapsSides(candidate) != (swapped != swapsSides(then))) continue;
        if (orientPixels(probe.data(), w, h, candidate, single) && single == twice) return candidate;
    }
    return Orientation::Normal;
}

void orientRowInto(const uint8_t* row, uint32_t y, uint32_t width, uint32_t height, Orientation orientation,
                   uint8_t* dst)
{
    const auto w = static_cast<int64_t>(width);
    const auto h = static_cast<int64_t>(height);
    const int64_t outW = swapsSides(orientation) ? h : w;
    // Source pixel (x, y) goes to destination (start + x * step).
    int64_t start = 0, step = 1;
    switch (orientation) {
    case Orientation::Normal: start = y * outW, step = 1; break;
    case Orientation::MirrorHorizontal: start = y * outW + w - 1, step = -1; break;
    case Orientation::Rotate180: start = (h - 1 - y) * outW + w - 1, step = -1; break;
    case Orientation::MirrorVertical: start = (h - 1 - y) * outW, step = 1; break;
    case Orientation::Transpose: start = y, step = outW; break;
    case Orientation::Rotate90: start = h - 1 - y, step = outW; break;
    case Orientation::Transverse: start = (w - 1) * outW + h - 1 - y, step = -outW; break;
    case Orientation::Rotate270: start = (w - 1) * outW + y, step = -outW; break;
    default: return;
    }
    for (int64_t x = 0; x < w; ++x) std::memcpy(dst + (start + x * step) * 4, row + x * 4, 4);
}
