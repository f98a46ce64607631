// BMP: the program's own reader (every header version, 1 to 32 bits, RLE4/RLE8, bit fields) and
// writer (24-bit). Windows reads BMP through WIC; the reader also serves the DIBs inside icons.

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "picture/picture_bmp.h"
#include "picture/picture_read_cursor.h"
#include "picture/picture_size_math.h"
#include "picture/picture_source_reader.h"

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Mask maskOf(uint32_t m)
{
    Mask r{m, 0, 0};
    if (!m) return r;
    while (!((m >> r.shift) & 1)) ++r.shift;
    while (r.shift + r.bits < 32 && ((m >> (r.shift + r.bits)) & 1)) ++r.bits;
    return r;
}

uint8_t extract(uint32_t v, const Mask& m)
{
    if (!m.mask || m.bits == 0) return 0;
    const uint32_t raw = (v & m.mask) >> m.shift;
    const uint32_t max = m.bits >= 32 ? 0xFFFFFFFFu : (1u << m.bits) - 1;
    return static_cast<uint8_t>((static_cast<uint64_t>(raw) * 255 + max / 2) / max);
}

struct DibHeader {
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t paletteSize = 0;
    size_t headerSize = 0;
    Mask r, g, b, a;
    bool hasAlphaMask = false;
};

// RLE-compressed pixels to palette indices, bottom-up rows as stored. Truncated streams fail.
bool decodeRle(ReadCursor& in, bool fourBit, uint32_t width, uint32_t height, std::vector<uint8_t>& indices)
{
    indices.assign(static_cast<size_t>(width) * height, 0);
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) indices[static_cast<size_t>(y) * width + x] = v;
        ++x;
    };
    while (in.ok()) {
        const uint8_t count = in.u8();
        const uint8_t value = in.u8();
        if (!in.ok()) return false;
        if (count) {
            for (int i = 0; i < count; ++i) put(fourBit ? ((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // delta
            x += in.u8();
            y += in.u8();
        } else {  // a literal run, padded to 16 bits
            const size_t bytes = fourBit ? (value + 1u) / 2 : value;
            const uint8_t* p = in.take(bytes);
            if (!p) return false;
            for (int i = 0; i < value; ++i) put(fourBit ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            if (bytes & 1) in.skip(1);
        }
        if (y > height) return true;  // rows beyond the picture: done
    }
    return false;
}

}  // namespace

namespace {

// What it takes to turn the stored rows of a DIB into pixels.
struct DibLayout {
    uint32_t width = 0;
    uint32_t height = 0;  // of the colour pixels (an icon's AND mask not counted)
    bool topDown = false;
    uint16_t bits = 0;
    uint32_t compression = kRgb;
    bool rle = false;
    Mask r, g, b, a;
    bool hasAlphaMask = false;
    std::vector<uint8_t> palette;  // BGRA, 2^bits entries for 8 bits and less
    size_t stride = 0;             // of a stored row, padded to 32 bits
    size_t pixelBytes = 0;         // stride x height
};

// The header and palette of a DIB; `pixelOffset` (from `data`) must lie within `size`.
bool readDibLayout(const uint8_t* data, size_t size, size_t pixelOffset, bool inIcon, DibLayout& l)
{
    ReadCursor in(data, size);
    DibHeader h;
    h.headerSize = in.u32le();
    if (h.headerSize == 12) {
        h.width = in.u16le();
        h.height = static_cast<int16_t>(in.u16le());
        in.u16le();
        h.bits = in.u16le();
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        h.width = static_cast<int32_t>(in.u32le());
        h.height = static_cast<int32_t>(in.u32le());
        in.u16le();
        h.bits = in.u16le();
        h.compression = in.u32le();
        in.skip(12);
        h.paletteSize = in.u32le();
        in.skip(4);
        if (h.compression == kBitFields || h.compression == kAlphaBitFields || h.headerSize >= 52) {
            // The masks follow a 40-byte header, or are part of a longer one.
            const uint32_t rm = in.u32le(), gm = in.u32le(), bm = in.u32le();
            uint32_t am = 0;
            if (h.compression == kAlphaBitFields || h.headerSize >= 56) am = in.u32le();
            if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
                h.r = maskOf(rm), h.g = maskOf(gm), h.b = maskOf(bm), h.a = maskOf(am);
                h.hasAlphaMask = am != 0;
            }
        }
    } else {
        return false;
    }
    if (!in.ok() || h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return false;
    l.topDown = h.height < 0;
    l.width = static_cast<uint32_t>(h.width);
    l.height = static_cast<uint32_t>(l.topDown ? -h.height : h.height);
    if (inIcon) {
        l.height /= 2;  // the AND mask is the other half
        l.topDown = false;
    }
    l.bits = h.bits;
    l.compression = h.compression;
    l.rle = h.compression == kRle8 || h.compression == kRle4;
    if (l.rle && (l.topDown || h.bits != (h.compression == kRle8 ? 8 : 4))) return false;
    if (!l.rle && h.compression != kRgb && h.compression != kBitFields && h.compression != kAlphaBitFields)
        return false;
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) return false;
    if (l.height == 0 || !pictureSizeAllowed(l.width, l.height)) return false;

    // Palette: after the header (and the masks of a 40-byte header with bit fields).
    if (h.bits <= 8) {
        const size_t maxEntries = size_t{1} << h.bits;
        size_t entries = h.paletteSize ? h.paletteSize : maxEntries;
        if (entries > maxEntries) entries = maxEntries;
        const size_t entrySize = h.headerSize == 12 ? 3 : 4;
        size_t at = h.headerSize;
        if (h.headerSize == 40 && (h.compression == kBitFields)) at += 12;
        if (!in.seek(at)) return false;
        const uint8_t* p = in.take(entries * entrySize);
        if (!p) return false;
        l.palette.assign(maxEntries * 4, 0);
        for (size_t i = 0; i < maxEntries; ++i) l.palette[i * 4 + 3] = 255;
        for (size_t i = 0; i < entries; ++i) std::memcpy(&l.palette[i * 4], p + i * entrySize, 3);
    }
    if (!h.r.mask && h.bits == 16) h.r = maskOf(0x7C00), h.g = maskOf(0x03E0), h.b = maskOf(0x001F);
    if (!h.r.mask && h.bits == 32) h.r = maskOf(0xFF0000), h.g = maskOf(0xFF00), h.b = maskOf(0xFF);
    // An icon keeps alpha in the fourth byte of its 32-bit pixels.
    if (inIcon && h.bits == 32 && !h.hasAlphaMask) h.a = maskOf(0xFF000000u), h.hasAlphaMask = true;
    l.r = h.r, l.g = h.g, l.b = h.b, l.a = h.a;
    l.hasAlphaMask = h.hasAlphaMask;

    if (!in.seek(pixelOffset)) return false;
    // Rows padded to 32 bits; no wrap in a 32-bit build.
    return picture_size::rowBytes(l.width, h.bits, 4, l.stride) &&
           picture_size::product(l.stride, l.height, l.pixelBytes);
}

// One stored row (not RLE) to BGRA; `anyAlpha` notes a pixel with alpha above 0.
void convertRow(const DibLayout& l, const uint8_t* src, uint8_t* dst, bool& anyAlpha)
{
    for (uint32_t x = 0; x < l.width; ++x, dst += 4) {
        switch (l.bits) {
        case 1: std::memcpy(dst, &l.palette[((src[x / 8] >> (7 - x % 8)) & 1) * 4], 4); break;
        case 4: std::memcpy(dst, &l.palette[((src[x / 2] >> ((x & 1) ? 0 : 4)) & 15) * 4], 4); break;
        case 8: std::memcpy(dst, &l.palette[src[x] * size_t{4}], 4); break;
        case 24: dst[0] = src[x * 3], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3 + 2], dst[3] = 255; break;
        default: {
            const size_t bytes = l.bits / 8;
            uint32_t v = 0;
            for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(src[x * bytes + i]) << (8 * i);
            dst[0] = extract(v, l.b), dst[1] = extract(v, l.g), dst[2] = extract(v, l.r);
            dst[3] = l.hasAlphaMask ? extract(v, l.a) : 255;
            anyAlpha = anyAlpha || (l.hasAlphaMask && dst[3] != 0);
        }
        }
    }
}

}  // namespace

bool decodeDib(const uint8_t* data, size_t size, size_t pixelOffset, bool inIcon, DecodedPicture& out)
{
    DibLayout l;
    if (!readDibLayout(data, size, pixelOffset, inIcon, l)) return false;
    ReadCursor in(data, size);
    if (!in.seek(pixelOffset)) return false;
    const uint32_t width = l.width, height = l.height;
    // Raw rows have an exact size; an RLE byte pair gives at most 255 pixels.
    if (l.rle ? !pixelsFitData(width, height, in.remaining(), 128) : height > in.remaining() / l.stride) return false;
    if (!allocatePicture(out, width, height)) return false;
    std::vector<uint8_t> indices;
    if (l.rle && !decodeRle(in, l.compression == kRle4, width, height, indices)) return false;
    const uint8_t* pixels = in.here();

    bool anyAlpha = false;
    for (uint32_t row = 0; row < height; ++row) {
        const uint32_t y = l.topDown ? row : height - 1 - row;
        uint8_t* dst = out.bgra.data() + static_cast<size_t>(y) * width * 4;
        if (!l.rle) {
            convertRow(l, pixels + row * l.stride, dst, anyAlpha);
            continue;
        }
        for (uint32_t x = 0; x < width; ++x, dst += 4)
            std::memcpy(dst, &l.palette[static_cast<size_t>(indices[static_cast<size_t>(row) * width + x]) * 4], 4);
    }
    // Many writers leave the alpha byte 0 throughout: such a picture is opaque.
    if (l.hasAlphaMask && !anyAlpha)
        for (size_t i = 3; i < out.bgra.size(); i += 4) out.bgra[i] = 255;

    if (inIcon && !(l.bits == 32 && anyAlpha)) {
        // The AND mask after the colour pixels: 1 bits are transparent. Icons without it stay opaque.
        const size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
        const uint64_t maskAt = static_cast<uint64_t>(pixels - data) + l.pixelBytes;
        if (maskAt <= size && (size - maskAt) / maskStride >= height) {
            for (uint32_t row = 0; row < height; ++row) {
                const uint8_t* m = data + maskAt + row * maskStride;
                uint8_t* dst = out.bgra.data() + static_cast<size_t>(height - 1 - row) * width * 4;
                for (uint32_t x = 0; x < width; ++x)
                    if ((m[x / 8] >> (7 - x % 8)) & 1) std::memset(dst + x * 4, 0, 4);
            }
        }
    }
    return true;
}

namespace {

// The most a header, its masks and a palette of 256 colours take.
constexpr size_t kMostHeadBytes = 124 + 16 + 256 * 4;
// Rows read and handed on at a time.
constexpr uint32_t kBand = 16;

// Run-length coded pixels may jump anywhere in the picture (and are stored bottom up), so their
// palette indices are unpacked whole first, a byte a pixel (a quarter of the pixels' own size),
// and turned into rows of colours as they are handed on.
RowDecode rleRows(const ByteSource& source, uint32_t pixelOffset, const DibLayout& l, RowReceiver& receiver)
{
    const uint64_t packed = source.bytes() - pixelOffset;
    // An RLE byte pair gives at most 255 pixels.
    if (packed > SIZE_MAX || !pixelsFitData(l.width, l.height, static_cast<size_t>(packed), 128))
        return RowDecode::Failed;
    const uint32_t bandRows = std::min(kBand, l.height);
    RowStreamHeader header;
    header.width = header.fullWidth = l.width;
    header.height = header.fullHeight = l.height;
    header.mayHaveAlpha = false;
    header.decoderBytes = packed + uint64_t{l.width} * l.height + uint64_t{l.width} * 4 * bandRows;
    if (!receiver.header(header)) return RowDecode::Failed;
    std::vector<uint8_t> bytes(static_cast<size_t>(packed));
    std::vector<uint8_t> indices;
    ReadCursor in(bytes.data(), bytes.size());
    if (!readSourceAt(source, pixelOffset, bytes.data(), bytes.size()) ||
        !decodeRle(in, l.compression == kRle4, l.width, l.height, indices))
        return RowDecode::Failed;
    std::vector<uint8_t>().swap(bytes);
    std::vector<uint8_t> band(static_cast<size_t>(l.width) * 4 * bandRows);
    for (uint32_t row = 0; row < l.height; row += bandRows) {
        const uint32_t count = std::min(bandRows, l.height - row);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* src = indices.data() + static_cast<size_t>(l.height - 1 - row - i) * l.width;
            uint8_t* dst = band.data() + static_cast<size_t>(i) * l.width * 4;
            for (uint32_t x = 0; x < l.width; ++x, dst += 4) std::memcpy(dst, &l.palette[size_t{src[x]} * 4], 4);
        }
        if (!receiver.rows(band.data(), count)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}

}  // namespace

RowDecode decodeBmpRows(const ByteSource& source, RowReceiver& receiver)
{
    uint8_t fileHeader[14];
    if (!readSourceAt(source, 0, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return RowDecode::Failed;
    const uint32_t pixelOffset = static_cast<uint32_t>(fileHeader[10]) | static_cast<uint32_t>(fileHeader[11]) << 8 |
                                 static_cast<uint32_t>(fileHeader[12]) << 16 |
                                 static_cast<uint32_t>(fileHeader[13]) << 24;
    if (pixelOffset < 14 || pixelOffset > source.bytes()) return RowDecode::Failed;
    // The header and palette, and no more: a gap before the pixels is passed over, and a palette
    // may reach into them (some writers put the pixels right after the header anyway).
    const uint64_t gap = pixelOffset - 14;
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(source.bytes() - 14, kMostHeadBytes)));
    DibLayout l;
    if (!readSourceAt(source, 14, head.data(), head.size())) return RowDecode::Truncated;
    if (!readDibLayout(head.data(), head.size(), static_cast<size_t>(std::min<uint64_t>(gap, head.size())), false, l)) {
        receiver.explain("a header, compression or depth of BMP that is not read");
        return RowDecode::Unsupported;
    }
    if (l.rle) return rleRows(source, pixelOffset, l, receiver);
    // A file cut short is told by the first band it lacks (the top one, in a bottom-up file).

    const uint32_t bandRows = std::min(kBand, l.height);
    std::vector<uint8_t> stored;
    std::vector<uint8_t> band;
    // Stored rows [first, first + count), read in one piece.
    const auto readRows = [&](uint32_t first, uint32_t count) {
        return readSourceAt(source, pixelOffset + uint64_t{first} * l.stride, stored.data(), l.stride * count);
    };
    // Many writers leave the alpha byte 0 throughout: such a picture is opaque, which only a look
    // at every row tells before the first is handed on. A row at a time: nothing is held yet
    // that the memory gate has not been asked for.
    bool anyAlpha = false;
    if (l.hasAlphaMask) {
        stored.resize(l.stride);
        band.resize(static_cast<size_t>(l.width) * 4);
        for (uint32_t row = 0; row < l.height && !anyAlpha; ++row) {
            if (!readRows(row, 1)) break;  // cut short: told once the rows are handed on
            convertRow(l, stored.data(), band.data(), anyAlpha);
        }
    }
    const bool opaque = !l.hasAlphaMask || !anyAlpha;

    RowStreamHeader header;
    header.width = header.fullWidth = l.width;
    header.height = header.fullHeight = l.height;
    header.mayHaveAlpha = !opaque;
    header.decoderBytes = (l.stride + uint64_t{l.width} * 4) * bandRows + head.size();
    std::vector<uint8_t>().swap(head);
    if (!receiver.header(header)) return RowDecode::Failed;
    stored.resize(l.stride * bandRows);
    band.resize(static_cast<size_t>(l.width) * 4 * bandRows);
    for (uint32_t row = 0; row < l.height; row += bandRows) {
        const uint32_t count = std::min(bandRows, l.height - row);
        // Bottom-up files hold the rows of a band in reverse, ending at the row that mirrors `row`.
        if (!readRows(l.topDown ? row : l.height - row - count, count)) return RowDecode::Truncated;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* src = stored.data() + (l.topDown ? i : count - 1 - i) * l.stride;
            uint8_t* dst = band.data() + static_cast<size_t>(i) * l.width * 4;
            bool ignored = false;
            convertRow(l, src, dst, ignored);
            if (opaque)
                for (size_t k = 3; k < static_cast<size_t>(l.width) * 4; k += 4) dst[k] = 255;
        }
        if (!receiver.rows(band.data(), count)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}

bool encodeBmp(const EncodeInput& in, std::vector<uint8_t>& out)
{
    const size_t stride = (static_cast<size_t>(in.width) * 3 + 3) & ~size_t{3};
    const uint64_t imageSize = static_cast<uint64_t>(stride) * in.height;
    if (imageSize + 54 > 0xFFFFFFFFu) return false;
    out.assign(54 + static_cast<size_t>(imageSize), 0);
    auto put16 = [&](size_t at, uint32_t v) { out[at] = uint8_t(v), out[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); };
    out[0] = 'B', out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, in.width);
    put32(22, in.height);  // positive: bottom-up, which every reader knows
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<uint32_t>(imageSize));
    put32(38, 2835), put32(42, 2835);  // 72 dpi
    for (uint32_t y = 0; y < in.height; ++y) {
        const uint8_t* src = in.bgra + static_cast<size_t>(in.height - 1 - y) * in.width * 4;
        uint8_t* dst = out.data() + 54 + y * stride;
        for (uint32_t x = 0; x < in.width; ++x, src += 4, dst += 3) {
            const uint8_t a = in.hasAlpha ? src[3] : 255;
            dst[0] = overWhite(src[0], a), dst[1] = overWhite(src[1], a), dst[2] = overWhite(src[2], a);
        }
    }
    return true;
}
