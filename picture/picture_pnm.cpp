// PNM: PBM, PGM and PPM, plain (ASCII) and raw, with any maximum value up to 65535.

#include "picture/picture_codec.h"

namespace {

struct PnmReader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    void skipSpaceAndComments()
    {
        while (pos < size) {
            const uint8_t c = data[pos];
            if (c == '#') {
                while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
                ++pos;
            } else {
                return;
            }
        }
    }
    bool number(uint32_t& value, uint32_t max)
    {
        skipSpaceAndComments();
        if (pos >= size || data[pos] < '0' || data[pos] > '9') return false;
        uint64_t v = 0;
        while (pos < size && data[pos] >= '0' && data[pos] <= '9') {
            v = v * 10 + (data[pos++] - '0');
            if (v > max) return false;
        }
        value = static_cast<uint32_t>(v);
        return true;
    }
    // A plain PBM pixel is one digit, with or without spaces between.
    bool bit(uint32_t& value)
    {
        skipSpaceAndComments();
        if (pos >= size || (data[pos] != '0' && data[pos] != '1')) return false;
        value = data[pos++] - '0';
        return true;
    }
};

}  // namespace

bool decodePnm(const uint8_t* data, size_t size, DecodedPicture& out)
{
    if (!data || size < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6') return false;
    const int kind = data[1] - '0';
    const bool bitmap = kind == 1 || kind == 4;
    const bool colour = kind == 3 || kind == 6;
    const bool raw = kind >= 4;
    PnmReader r{data, size, 2};
    uint32_t width = 0, height = 0, maxValue = 1;
    if (!r.number(width, 1u << 30) || !r.number(height, 1u << 30)) return false;
    if (!bitmap && (!r.number(maxValue, 65535) || maxValue == 0)) return false;
    if (raw) {
        // Exactly one whitespace byte ends the header.
        if (r.pos >= size) return false;
        ++r.pos;
    }
    if (!pictureSizeAllowed(width, height)) return false;
    const size_t pixels = static_cast<size_t>(width) * height;
    const int channels = colour ? 3 : 1;
    const size_t sampleBytes = maxValue > 255 ? 2 : 1;
    // Raw data has an exact size; plain text takes at least one byte per sample.
    const size_t need = !raw ? pixels * channels
                        : bitmap ? static_cast<size_t>((width + 7) / 8) * height
                                 : pixels * channels * sampleBytes;
    if (need > size - r.pos || !allocatePicture(out, width, height)) return false;
    auto scale = [&](uint32_t v) { return static_cast<uint8_t>((std::min(v, maxValue) * 255u + maxValue / 2) / maxValue); };
    const uint8_t* p = data + r.pos;
    for (size_t i = 0; i < pixels; ++i) {
        uint8_t* dst = &out.bgra[i * 4];
        uint32_t v[3] = {0, 0, 0};
        if (bitmap) {
            if (raw) {
                const size_t x = i % width, y = i / width;
                v[0] = (p[y * ((width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
            } else if (!r.bit(v[0])) {
                return out = {}, false;
            }
            const uint8_t grey = v[0] ? 0 : 255;  // 1 is black
            dst[0] = dst[1] = dst[2] = grey, dst[3] = 255;
            continue;
        }
        for (int c = 0; c < channels; ++c) {
            if (raw) {
                const uint8_t* s = p + (i * channels + c) * sampleBytes;
                v[c] = sampleBytes == 2 ? (s[0] << 8) | s[1] : s[0];
            } else if (!r.number(v[c], 65535)) {
                return out = {}, false;
            }
        }
        if (colour) dst[0] = scale(v[2]), dst[1] = scale(v[1]), dst[2] = scale(v[0]);
        else dst[0] = dst[1] = dst[2] = scale(v[0]);
        dst[3] = 255;
    }
    return true;
}
