// Sun raster: 1, 8, 24 and 32 bits, raw or byte-run encoded, with or without an RGB colour map;
// by rows.

#include <algorithm>
#include <cstdint>

#include "picture/picture_codec.h"
#include "picture/picture_size_math.h"
#include "picture/picture_source_reader.h"

namespace {

// Picture types: 0 (old) and 1 (standard) are raw BGR, 2 byte-run encoded, 3 raw RGB.
constexpr uint32_t kByteEncoded = 2, kRgbFormat = 3;

// Undoes the byte-run encoding as the rows are wanted: 0x80 n v is n + 1 copies of v, 0x80 0 is
// one 0x80. A run may go on into the next row.
class RunReader {
public:
    explicit RunReader(SourceReader& in) : in_(in) {}

    bool read(uint8_t* into, size_t n)
    {
        for (size_t i = 0; i < n;) {
            if (runLeft_) {
                const size_t k = std::min(runLeft_, n - i);
                std::fill_n(into + i, k, runValue_);
                runLeft_ -= k, i += k;
                continue;
            }
            const uint8_t b = in_.u8();
            if (!in_.ok()) return false;
            if (b != 0x80) {
                into[i++] = b;
                continue;
            }
            const uint8_t count = in_.u8();
            if (count == 0) {
                into[i++] = 0x80;
                continue;
            }
            runValue_ = in_.u8();
            if (!in_.ok()) return false;
            runLeft_ = count + 1u;
        }
        return true;
    }

private:
    SourceReader& in_;
    size_t runLeft_ = 0;
    uint8_t runValue_ = 0;
};

}  // namespace

RowDecode decodeRasRows(const ByteSource& source, RowReceiver& receiver)
{
    SourceReader in(source);
    if (in.u32be() != 0x59A66A95u) return RowDecode::Failed;
    const uint32_t width = in.u32be(), height = in.u32be(), depth = in.u32be();
    in.u32be();  // length; often 0
    const uint32_t type = in.u32be(), mapType = in.u32be(), mapLength = in.u32be();
    if (!in.ok() || (depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > kRgbFormat || mapType > 1)
        return RowDecode::Failed;
    if (!pictureSizeAllowed(width, height)) return RowDecode::Failed;

    std::vector<uint8_t> map;  // BGRA entries
    if (mapType == 1 && mapLength) {
        const size_t entries = mapLength / 3;
        if (entries == 0 || entries > 256 || mapLength > in.remaining()) return RowDecode::Failed;
        std::vector<uint8_t> p(mapLength);
        if (!in.read(p.data(), p.size())) return RowDecode::Failed;
        map.assign(256 * 4, 0);
        for (size_t i = 0; i < entries; ++i)
            map[i * 4] = p[2 * entries + i], map[i * 4 + 1] = p[entries + i], map[i * 4 + 2] = p[i],
                    map[i * 4 + 3] = 255;
    } else if (!in.skip(mapLength)) {
        return RowDecode::Failed;
    }

    // Rows are padded to 16 bits. Worked out without wrapping: in 32 bits width * depth could wrap
    // to a tiny row, and the rows below would be read far past the file.
    size_t stride = 0, need = 0;
    if (!picture_size::rowBytes(width, depth, 2, stride) || !picture_size::product(stride, height, need))
        return RowDecode::Failed;
    const size_t left = static_cast<size_t>(std::min<uint64_t>(in.remaining(), SIZE_MAX));
    if (type == kByteEncoded ? !pixelsFitData(need, 1, left, 86) : need > left) return RowDecode::Failed;

    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = false;
    header.decoderBytes = stride + uint64_t{width} * 4 + map.size() + (uint64_t{64} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    RunReader runs(in);
    std::vector<uint8_t> stored(stride);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    const bool rgbOrder = type == kRgbFormat;
    for (uint32_t y = 0; y < height; ++y) {
        if (!(type == kByteEncoded ? runs.read(stored.data(), stride) : in.read(stored.data(), stride)))
            return RowDecode::Failed;
        const uint8_t* src = stored.data();
        uint8_t* dst = row.data();
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
        if (!receiver.rows(row.data(), 1)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}
