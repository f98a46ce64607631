// Sun raster: 1, 8, 24 and 32 bits, raw or byte-run encoded, with or without an RGB colour map.

#include "picture/picture_codec.h"
#include "picture/picture_read_cursor.h"
#include "picture/picture_size_math.h"

namespace {

// Picture types: 0 (old) and 1 (standard) are raw BGR, 2 byte-run encoded, 3 raw RGB.
constexpr uint32_t kByteEncoded = 2, kRgbFormat = 3;

// Undoes the byte-run encoding: 0x80 n v is n + 1 copies of v, 0x80 0 is one 0x80.
bool unpackRuns(ReadCursor& in, size_t need, std::vector<uint8_t>& out)
{
    out.clear();
    if (!pixelsFitData(need, 1, in.remaining(), 86)) return false;  // three bytes give at most 256
    out.reserve(need);
    while (out.size() < need) {
        const uint8_t b = in.u8();
        if (!in.ok()) return false;
        if (b != 0x80) {
            out.push_back(b);
            continue;
        }
        const uint8_t n = in.u8();
        if (n == 0) {
            out.push_back(0x80);
            continue;
        }
        const uint8_t v = in.u8();
        if (!in.ok()) return false;
        out.insert(out.end(), std::min<size_t>(n + 1u, need - out.size()), v);
    }
    return true;
}

}  // namespace

bool decodeRas(const uint8_t* data, size_t size, DecodedPicture& out)
{
    ReadCursor in(data, size);
    if (in.u32be() != 0x59A66A95u) return false;
    const uint32_t width = in.u32be(), height = in.u32be(), depth = in.u32be();
    in.u32be();  // length; often 0
    const uint32_t type = in.u32be(), mapType = in.u32be(), mapLength = in.u32be();
    if (!in.ok() || (depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > kRgbFormat || mapType > 1)
        return false;
    if (!pictureSizeAllowed(width, height)) return false;

    std::vector<uint8_t> map;  // BGRA entries
    if (mapType == 1 && mapLength) {
        const uint8_t* p = in.take(mapLength);
        const size_t entries = mapLength / 3;
        if (!p || entries == 0 || entries > 256) return false;
        map.assign(256 * 4, 0);
        for (size_t i = 0; i < entries; ++i)
            map[i * 4] = p[2 * entries + i], map[i * 4 + 1] = p[entries + i], map[i * 4 + 2] = p[i],
                    map[i * 4 + 3] = 255;
    } else if (!in.skip(mapLength)) {
        return false;
    }

    // Rows are padded to 16 bits. Worked out without wrapping: in 32 bits width * depth could wrap
    // to a tiny row, and the rows below would be read far past the file.
    size_t stride = 0, need = 0;
    if (!picture_size::rowBytes(width, depth, 2, stride) || !picture_size::product(stride, height, need)) return false;
    // The picture is allocated (and so vetted by the caller's memory gate) before the runs are
    // unpacked, which may take as much again.
    if (type == kByteEncoded ? !pixelsFitData(need, 1, in.remaining(), 86) : need > in.remaining()) return false;
    if (!allocatePicture(out, width, height)) return false;
    std::vector<uint8_t> unpacked;
    const uint8_t* pixels = nullptr;
    if (type == kByteEncoded) {
        if (!unpackRuns(in, need, unpacked)) return out = {}, false;
        pixels = unpacked.data();
    } else {
        pixels = in.take(need);
    }
    const bool rgbOrder = type == kRgbFormat;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = pixels + y * stride;
        uint8_t* dst = &out.bgra[static_cast<size_t>(y) * width * 4];
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            if (depth == 1) {
                const uint8_t v = ((src[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;  // 1 is black
                dst[0] = dst[1] = dst[2] = v;
            } else if (depth == 8) {
                if (!map.empty()) {
                    dst[0] = map[src[x] * 4u], dst[1] = map[src[x] * 4u + 1], dst[2] = map[src[x] * 4u + 2];
                } else {
                    dst[0] = dst[1] = dst[2] = src[x];
                }
            } else {
                const uint8_t* p = src + x * (depth / 8) + (depth == 32 ? 1 : 0);  // XBGR: skip the pad
                dst[0] = rgbOrder ? p[2] : p[0], dst[1] = p[1], dst[2] = rgbOrder ? p[0] : p[2];
            }
            dst[3] = 255;
        }
    }
    return true;
}
