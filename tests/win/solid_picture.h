#pragma once
// A picture of one colour, for tests that read back where a picture was drawn.

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "picture/picture.h"

inline CPicture solidPicture(uint32_t width, uint32_t height, COLORREF colour)
{
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < bgra.size(); i += 4) {
        bgra[i] = GetBValue(colour);
        bgra[i + 1] = GetGValue(colour);
        bgra[i + 2] = GetRValue(colour);
        bgra[i + 3] = 255;
    }
    CPicture picture;
    picture.setPixels(width, height, std::move(bgra));
    return picture;
}
