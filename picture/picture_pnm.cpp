// PNM: PBM, PGM and PPM, plain (ASCII) and raw, with any maximum value up to 65535; by rows.

#include <algorithm>

#include "picture/picture_codec.h"
#include "picture/picture_source_reader.h"

namespace {

struct PnmText {
    SourceReader& in;

    void skipSpaceAndComments()
    {
        for (int c = in.peek(); c >= 0; c = in.peek()) {
            if (c == '#') {
                while ((c = in.peek()) >= 0 && c != '\n' && c != '\r') in.u8();
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
                in.u8();
            } else {
                return;
            }
        }
    }
    bool number(uint32_t& value, uint32_t max)
    {
        skipSpaceAndComments();
        int c = in.peek();
        if (c < '0' || c > '9') return false;
        uint64_t v = 0;
        for (; c >= '0' && c <= '9'; c = in.peek()) {
            v = v * 10 + static_cast<uint64_t>(in.u8() - '0');
            if (v > max) return false;
        }
        value = static_cast<uint32_t>(v);
        return true;
    }
    // A plain PBM pixel is one digit, with or without spaces between.
    bool bit(uint32_t& value)
    {
        skipSpaceAndComments();
        const int c = in.peek();
        if (c != '0' && c != '1') return false;
        value = static_cast<uint32_t>(in.u8() - '0');
        return true;
    }
};

}  // namespace

RowDecode decodePnmRows(const ByteSource& source, RowReceiver& receiver)
{
    SourceReader in(source);
    if (source.bytes() < 3 || in.u8() != 'P') return RowDecode::Failed;
    const int kind = in.u8() - '0';
    if (kind < 1 || kind > 6) return RowDecode::Failed;
    const bool bitmap = kind == 1 || kind == 4;
    const bool colour = kind == 3 || kind == 6;
    const bool raw = kind >= 4;
    PnmText text{in};
    uint32_t width = 0, height = 0, maxValue = 1;
    if (!text.number(width, 1u << 30) || !text.number(height, 1u << 30)) return RowDecode::Failed;
    if (!bitmap && (!text.number(maxValue, 65535) || maxValue == 0)) return RowDecode::Failed;
    // Exactly one whitespace byte ends a raw header.
    if (raw && !in.skip(1)) return RowDecode::Failed;
    if (!pictureSizeAllowed(width, height)) return RowDecode::Failed;
    const uint32_t channels = colour ? 3 : 1;
    const uint32_t sampleBytes = maxValue > 255 ? 2 : 1;
    const uint64_t rowBytes = !raw     ? uint64_t{width} * channels
                              : bitmap ? (uint64_t{width} + 7) / 8
                                       : uint64_t{width} * channels * sampleBytes;
    // Raw data has an exact size; plain text takes at least one byte per sample.
    if (rowBytes * height > in.remaining()) return RowDecode::Failed;

    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = false;
    header.decoderBytes = rowBytes + uint64_t{width} * 4 + (uint64_t{64} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    std::vector<uint8_t> stored(raw ? static_cast<size_t>(rowBytes) : 0);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    const auto scale = [&](uint32_t v) {
        return static_cast<uint8_t>((std::min(v, maxValue) * 255u + maxValue / 2) / maxValue);
    };
    for (uint32_t y = 0; y < height; ++y) {
        if (raw && !in.read(stored.data(), stored.size())) return RowDecode::Failed;
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            uint32_t v[3] = {0, 0, 0};
            if (bitmap) {
                if (raw)
                    v[0] = (stored[x / 8] >> (7 - x % 8)) & 1;
                else if (!text.bit(v[0]))
                    return RowDecode::Failed;
                const uint8_t grey = v[0] ? 0 : 255;  // 1 is black
                dst[0] = dst[1] = dst[2] = grey, dst[3] = 255;
                continue;
            }
            for (uint32_t c = 0; c < channels; ++c) {
                if (raw) {
                    const uint8_t* s = stored.data() + (size_t{x} * channels + c) * sampleBytes;
                    v[c] = sampleBytes == 2 ? (s[0] << 8) | s[1] : s[0];
                } else if (!text.number(v[c], 65535)) {
                    return RowDecode::Failed;
                }
            }
            if (colour)
                dst[0] = scale(v[2]), dst[1] = scale(v[1]), dst[2] = scale(v[0]);
            else
                dst[0] = dst[1] = dst[2] = scale(v[0]);
            dst[3] = 255;
        }
        if (!receiver.rows(row.data(), 1)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}
