// Recognising a picture format from the first bytes of its content.

#include <cstring>

#include "picture/picture_codec.h"

namespace {

bool startsWith(const uint8_t* data, size_t size, const char* magic, size_t n)
{
    return size >= n && std::memcmp(data, magic, n) == 0;
}

bool isPnmWhitespace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#'; }

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

int detectFormat(const uint8_t* data, size_t size)
{
    if (!data) return kFormatUnknown;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return kFormatJpeg;
    if (startsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return kFormatPng;
    if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6)) return kFormatGif;
    if (startsWith(data, size, "BM", 2) && size >= 18) return kFormatBmp;
    if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4)) return kFormatTiff;
    if (size >= 6 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) && data[3] == 0 &&
        (data[4] | data[5]) != 0)
        return kFormatIco;
    if (size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' && isPnmWhitespace(data[2]))
        return kFormatPnm;
    if (startsWith(data, size, "\x59\xA6\x6A\x95", 4)) return kFormatRas;
    if (size >= 128 && data[0] == 0x0A && data[1] <= 5 && data[2] == 1 &&
        (data[3] == 1 || data[3] == 2 || data[3] == 4 || data[3] == 8))
        return kFormatPcx;
    return kFormatUnknown;
}

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
    case 1: case 9:
        return colorMapType == 1 && depth == 8 &&
               (entryBits == 15 || entryBits == 16 || entryBits == 24 || entryBits == 32);
    case 2: case 10: return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    case 3: case 11: return depth == 8;
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
