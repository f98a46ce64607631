#pragma once
// Pictures on disk for the build tests: gradients (so that resampling has something to do),
// written as JPEGs by the program's own picture class.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "picture/format_code.h"
#include "picture/picture.h"

inline bool writeGradientJpeg(const std::string& path, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>((x + y) % 256);
            p[3] = 255;
        }
    }
    CPicture picture;
    picture.setPixels(width, height, std::move(bgra));
    return picture.Save(path, kFormatJpeg);
}
