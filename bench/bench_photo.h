#pragma once
// A photo-like picture made on the spot for the benchmarks: about the entropy of a real photo.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "picture/picture.h"

// Sky gradient, a darker ground with texture, sensor noise: about the entropy of a real photo.
inline bool makePhoto(const std::string& path, uint32_t w, uint32_t h, uint32_t seed)
{
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    std::minstd_rand rng(seed);
    const uint32_t horizon = h * (45 + seed % 20) / 100;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            const int noise = static_cast<int>(rng() % 17) - 8;
            int b, g, r;
            if (y < horizon) {
                const int t = static_cast<int>(y * 255 / horizon);
                b = 230 - t / 4;
                g = 150 + t / 3;
                r = 90 + t / 2;
            } else {
                const int texture = static_cast<int>(((x * 7 + y * 3) ^ (x / 5 * y / 7)) & 63);
                b = 40 + texture / 2;
                g = 80 + texture;
                r = 60 + texture;
            }
            p[0] = static_cast<uint8_t>(std::clamp(b + noise, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(g + noise, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(r + noise, 0, 255));
            p[3] = 255;
        }
    }
    CPicture pic;
    if (!pic.setPixels(w, h, std::move(px))) return false;
    pic.setJpegQuality(92);
    return pic.Save(path, kFormatJpeg);
}
