// The two formats without a signature, recognised by a header that holds together; the
// signatures of the others are in the format table (picture_formats.cpp).

#include "picture/picture_formats.h"

namespace {

// A WBMP multi-byte integer: 7 bits per byte, high bit set on all but the last byte.
bool readWbmpInt(const uint8_t* data, size_t size, size_t& pos, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 5; ++i) {
        if (pos >= size) return false;
        const uint8_t b = data[pos++];
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

}  // namespace

bool looksLikeTga(const uint8_t* data, size_t size)
{
    if (!data || size < 18) return false;
    const uint8_t colorMapType = data[1];
    const uint8_t type = data[2];
    const uint8_t depth = data[16];
    const uint32_t width = data[12] | (data[13] << 8);
    const uint32_t height = data[14] | (data[15] << 8);
    const uint8_t entryBits = data[7];
    if (colorMapType > 1 || width == 0 || height == 0) return false;
    switch (type) {
    case 1:
    case 9:
        return colorMapType == 1 && depth == 8 &&
               (entryBits == 15 || entryBits == 16 || entryBits == 24 || entryBits == 32);
    case 2:
    case 10: return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case 3:
    case 11: return depth == 8;
    default: return false;
    }
}

bool looksLikeWbmp(const uint8_t* data, size_t size)
{
    if (!data || size < 4 || data[0] != 0 || data[1] != 0) return false;
    size_t pos = 2;
    uint32_t width = 0, height = 0;
    if (!readWbmpInt(data, size, pos, width) || !readWbmpInt(data, size, pos, height)) return false;
    if (width == 0 || height == 0) return false;
    // The only signature WBMP has: the size must come out exactly.
    return static_cast<uint64_t>((width + 7) / 8) * height == size - pos;
}
