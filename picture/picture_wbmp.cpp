// WBMP (wireless bitmap, type 0): one bit per pixel, 1 white.

#include "picture/picture_codec.h"

bool decodeWbmp(const uint8_t* data, size_t size, DecodedPicture& out)
{
    if (!looksLikeWbmp(data, size)) return false;  // also proves the size matches
    size_t pos = 2;
    uint32_t sides[2] = {0, 0};
    for (uint32_t& v : sides)
        for (;;) {
            const uint8_t b = data[pos++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
    const uint32_t width = sides[0], height = sides[1];
    if (!allocatePicture(out, width, height)) return false;
    const size_t stride = (width + 7) / 8;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const bool white = (data[pos + y * stride + x / 8] >> (7 - x % 8)) & 1;
            uint8_t* dst = &out.bgra[(static_cast<size_t>(y) * width + x) * 4];
            dst[0] = dst[1] = dst[2] = white ? 255 : 0;
            dst[3] = 255;
        }
    return true;
}
