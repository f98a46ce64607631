// PCX (ZSoft): 1-bit to 8-bit palettes, 16-colour planes, 24-bit and 32-bit planes, run-length
// encoded or raw; by rows.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "picture/picture_codec.h"
#include "picture/picture_read_cursor.h"
#include "picture/picture_source_reader.h"

namespace {

// The CGA/EGA colours used when a 16-colour header palette is left empty.
constexpr uint8_t kEgaPalette[48] = {0,  0,   0,   0,   0,   170, 0,   170, 0,  0,   170, 170, 170, 0,   0,   170,
                                     0,  170, 170, 85,  0,   170, 170, 170, 85, 85,  85,  85,  85,  255, 85,  255,
                                     85, 85,  255, 255, 255, 85,  85,  255, 85, 255, 255, 255, 85,  255, 255, 255};

}  // namespace

RowDecode decodePcxRows(const ByteSource& source, RowReceiver& receiver)
{
    const uint64_t size = source.bytes();
    uint8_t head[128];
    if (size < 128 || !readSourceAt(source, 0, head, sizeof head)) return RowDecode::Failed;
    ReadCursor in(head, sizeof head);
    if (in.u8() != 0x0A) return RowDecode::Failed;
    in.u8();  // version
    const uint8_t encoding = in.u8();
    const uint8_t bits = in.u8();
    const uint16_t xMin = in.u16le(), yMin = in.u16le(), xMax = in.u16le(), yMax = in.u16le();
    in.skip(4);
    const uint8_t* headerPalette = in.take(48);
    in.u8();
    const uint8_t planes = in.u8();
    const uint16_t bytesPerLine = in.u16le();
    if (!in.ok() || encoding > 1 || xMax < xMin || yMax < yMin) return RowDecode::Failed;
    const uint32_t width = xMax - xMin + 1u, height = yMax - yMin + 1u;
    const bool paletted =
        (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) || (bits == 1 && planes == 4);
    const bool trueColour = bits == 8 && (planes == 3 || planes == 4);
    if (!paletted && !trueColour) return RowDecode::Failed;
    if (static_cast<uint64_t>(bytesPerLine) * 8 < static_cast<uint64_t>(width) * bits) return RowDecode::Failed;
    if (!pictureSizeAllowed(width, height)) return RowDecode::Failed;

    // Palette: 256 colours after a 0x0C byte at the end for 8 bits, else the header's 16.
    uint8_t palette[256 * 3] = {};
    if (bits == 8 && planes == 1) {
        uint8_t tail[769];
        if (size < 128 + 769 || !readSourceAt(source, size - 769, tail, sizeof tail) || tail[0] != 0x0C)
            return RowDecode::Failed;
        std::memcpy(palette, tail + 1, 768);
    } else if (paletted) {
        const bool empty = std::all_of(headerPalette, headerPalette + 48, [](uint8_t c) { return c == 0; });
        std::memcpy(palette, empty ? kEgaPalette : headerPalette, 48);
        if (bits == 1 && planes == 1) {  // monochrome: black and white whatever the header says
            std::memset(palette, 0, 3);
            std::memset(palette + 3, 255, 3);
        }
    }

    const size_t lineBytes = static_cast<size_t>(bytesPerLine) * planes;
    SourceReader data(source, 128);
    // Raw lines have an exact size; a run byte pair gives at most 63 bytes.
    if (!pixelsFitData(lineBytes, height, static_cast<size_t>(std::min<uint64_t>(data.remaining(), SIZE_MAX)),
                       encoding ? 32 : 1))
        return RowDecode::Failed;
    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = trueColour && planes == 4;
    header.decoderBytes = lineBytes + uint64_t{width} * 4 + (uint64_t{64} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    std::vector<uint8_t> line(lineBytes);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    size_t runLeft = 0;
    uint8_t runValue = 0;
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < lineBytes; ++i) {
            if (encoding == 0) {
                line[i] = data.u8();
            } else if (runLeft) {
                line[i] = runValue, --runLeft;
            } else {
                const uint8_t b = data.u8();
                if ((b & 0xC0) == 0xC0) {
                    runLeft = b & 0x3Fu;
                    runValue = data.u8();
                    if (runLeft == 0) {
                        --i;  // an empty run writes nothing
                        continue;
                    }
                    line[i] = runValue, --runLeft;
                } else {
                    line[i] = b;
                }
            }
            if (!data.ok()) return RowDecode::Failed;
        }
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            if (trueColour) {
                dst[2] = line[x], dst[1] = line[bytesPerLine + x], dst[0] = line[2u * bytesPerLine + x];
                dst[3] = planes == 4 ? line[3u * bytesPerLine + x] : 255;
                continue;
            }
            unsigned index = 0;
            if (planes == 4) {
                for (unsigned p = 0; p < 4; ++p) index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
            } else {
                const unsigned perByte = 8u / bits;
                const unsigned shift = 8u - bits * (1 + x % perByte);
                index = (line[x / perByte] >> shift) & ((1u << bits) - 1);
            }
            dst[2] = palette[index * 3], dst[1] = palette[index * 3 + 1], dst[0] = palette[index * 3 + 2], dst[3] = 255;
        }
        if (!receiver.rows(row.data(), 1)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}
