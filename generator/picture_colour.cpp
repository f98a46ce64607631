#include "generator/picture_colour.h"

#include "picture/picture.h"

int32_t averageColour(const std::vector<uint8_t>& encoded)
{
    CPicture picture;
    if (encoded.empty() || !picture.loadMemory(encoded.data(), encoded.size())) return -1;
    const uint8_t* bits = picture.bits();
    const uint64_t count = uint64_t{picture.bufferWidth()} * picture.bufferHeight();
    uint64_t blue = 0, green = 0, red = 0, weight = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = bits + i * 4;  // BGRA, straight alpha
        blue += uint64_t{p[0]} * p[3];
        green += uint64_t{p[1]} * p[3];
        red += uint64_t{p[2]} * p[3];
        weight += p[3];
    }
    if (weight == 0) return -1;
    // The mean to the nearest multiple of 17: sum / weight / 17, rounded.
    const auto mean = [weight](uint64_t sum) {
        return static_cast<int32_t>((2 * sum + 17 * weight) / (34 * weight) * 17);
    };
    return mean(red) | mean(green) << 8 | mean(blue) << 16;
}
