// The fit arithmetic of photos and thumbnails: unsigned, truncating, never enlarging.

#include <algorithm>

#include "generator/photo_fit.h"

namespace {

// w * target / side, truncated. In 64 bits, so a very tall or wide picture cannot wrap; at least
// 1, so a sliver of a picture still gets a photo rather than a failed resample.
uint32_t scaled(uint32_t other, uint32_t target, uint32_t side)
{
    const uint64_t v = uint64_t{other} * target / side;
    return static_cast<uint32_t>(std::clamp<uint64_t>(v, 1, UINT32_MAX));
}

}  // namespace

PhotoBox photoBoxOf(int32_t photoSize)
{
    switch (photoSize) {
    case 0: return {320, 240};
    case 1: return {640, 480};
    case 2: return {800, 600};
    case 3: return {1024, 768};
    case 4: return {1152, 864};
    case 5: return {1280, 1024};
    default: return {};
    }
}

void fitIntoBox(uint32_t& width, uint32_t& height, PhotoBox box)
{
    if (box.width == 0 || box.height == 0 || width == 0 || height == 0) return;
    if (width > box.width) {
        height = scaled(height, box.width, width);
        width = box.width;
    }
    if (height > box.height) {
        width = scaled(width, box.height, height);
        height = box.height;
    }
}

void fitToThumbWidth(uint32_t& width, uint32_t& height, int32_t thumbWidth)
{
    if (thumbWidth < 1 || width == 0) return;
    const auto target = static_cast<uint32_t>(thumbWidth);
    if (width > target) {
        height = scaled(height, target, width);
        width = target;
    }
}

bool doubleFits(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight)
{
    return width != 0 && height != 0 && uint64_t{width} * 2 <= sourceWidth && uint64_t{height} * 2 <= sourceHeight;
}
