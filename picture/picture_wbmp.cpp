// WBMP (wireless bitmap, type 0): one bit per pixel, 1 white; by rows.

#include <algorithm>

#include "picture/picture_codec.h"
#include "picture/picture_source_reader.h"

RowDecode decodeWbmpRows(const ByteSource& source, RowReceiver& receiver)
{
    // The header: two zero bytes, then the sides as integers of up to five 7-bit bytes each.
    uint8_t head[12] = {};
    const size_t headBytes = static_cast<size_t>(std::min<uint64_t>(source.bytes(), sizeof head));
    if (headBytes < 4 || !readSourceAt(source, 0, head, headBytes) || head[0] != 0 || head[1] != 0)
        return RowDecode::Failed;
    size_t pos = 2;
    uint32_t sides[2] = {0, 0};
    for (uint32_t& v : sides) {
        for (int i = 0;; ++i) {
            if (i == 5 || pos >= headBytes) return RowDecode::Failed;
            const uint8_t b = head[pos++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
    }
    const uint32_t width = sides[0], height = sides[1];
    const uint64_t stride = (uint64_t{width} + 7) / 8;
    // The only signature WBMP has: the size must come out exactly.
    if (width == 0 || height == 0 || stride * height != source.bytes() - pos || !pictureSizeAllowed(width, height))
        return RowDecode::Failed;
    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = false;
    header.decoderBytes = stride + uint64_t{width} * 4 + (uint64_t{64} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    SourceReader in(source, pos);
    std::vector<uint8_t> stored(static_cast<size_t>(stride));
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        if (!in.read(stored.data(), stored.size())) return RowDecode::Failed;
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            const bool white = (stored[x / 8] >> (7 - x % 8)) & 1;
            dst[0] = dst[1] = dst[2] = white ? 255 : 0;
            dst[3] = 255;
        }
        if (!receiver.rows(row.data(), 1)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}
