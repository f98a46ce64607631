// TGA (Truevision): colour-mapped, true-colour and grey pictures, raw or run-length encoded,
// 8 to 32 bits, either origin; by bands of rows. A picture stored bottom up (the usual origin) is
// read from its end a band at a time: raw rows are found by their offset, run-length coded ones
// from where each band starts, noted in a first pass over the file.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "picture/picture_formats.h"
#include "picture/picture_source_reader.h"

namespace {

// Rows decoded and handed on at a time.
constexpr uint32_t kBand = 16;

// One 15/16-, 24- or 32-bit TGA colour to BGRA.
void colourToBgra(const uint8_t* p, int bits, uint8_t* out)
{
    if (bits == 15 || bits == 16) {
        const int v = p[0] | (p[1] << 8);
        out[0] = static_cast<uint8_t>(((v & 31) * 255 + 15) / 31);
        out[1] = static_cast<uint8_t>((((v >> 5) & 31) * 255 + 15) / 31);
        out[2] = static_cast<uint8_t>((((v >> 10) & 31) * 255 + 15) / 31);
        out[3] = 255;
    } else {
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
        out[3] = bits == 32 ? p[3] : 255;
    }
}

struct TgaLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    int bits = 0;
    int pixelBytes = 0;
    bool rle = false;
    bool colourMapped = false;
    bool grey = false;
    bool rightToLeft = false;
    bool topDown = false;
    std::vector<uint8_t> palette;  // BGRA
    uint64_t pixelStart = 0;
};

// The pixels in file order, one at a time; a run may go on into the next row.
class TgaPixels {
public:
    // Where the pixels go on from: enough to start again at a row.
    struct Mark {
        uint64_t position = 0;
        uint32_t left = 0;  // of the current packet
        bool repeat = false;
        uint8_t pixel[4] = {};
    };

    TgaPixels(const ByteSource& source, const TgaLayout& l) : in_(source, l.pixelStart), l_(l) {}

    bool next(uint8_t* dst)
    {
        if (!l_.rle) return readOne(dst);
        if (at_.left == 0) {
            const uint8_t head = in_.u8();
            if (!in_.ok()) return false;
            at_.left = (head & 0x7Fu) + 1u;
            at_.repeat = (head & 0x80) != 0;
            if (at_.repeat && !readOne(at_.pixel)) return false;
        }
        --at_.left;
        if (!at_.repeat) return readOne(dst);
        std::memcpy(dst, at_.pixel, 4);
        return true;
    }
    bool row(uint8_t* dst)
    {
        for (uint32_t x = 0; x < l_.width; ++x, dst += 4)
            if (!next(dst)) return false;
        return true;
    }
    Mark mark() const
    {
        Mark m = at_;
        m.position = in_.position();
        return m;
    }
    bool resume(const Mark& m)
    {
        at_ = m;
        return in_.seek(m.position);
    }
    bool anyAlpha = false;  // some pixel read had alpha above 0

private:
    bool readOne(uint8_t* dst)
    {
        uint8_t p[4];
        if (!in_.read(p, static_cast<size_t>(l_.pixelBytes))) return false;
        if (l_.colourMapped) {
            const size_t index = p[0];
            if (index * 4 + 4 > l_.palette.size()) return false;
            std::memcpy(dst, &l_.palette[index * 4], 4);
        } else if (l_.grey) {
            dst[0] = dst[1] = dst[2] = p[0], dst[3] = 255;
        } else {
            colourToBgra(p, l_.bits, dst);
        }
        anyAlpha = anyAlpha || dst[3] != 0;
        return true;
    }

    SourceReader in_;
    const TgaLayout& l_;
    Mark at_;
};

bool readLayout(const ByteSource& source, TgaLayout& l)
{
    uint8_t head[18];
    if (!readSourceAt(source, 0, head, sizeof head) || !looksLikeTga(head, sizeof head)) return false;
    SourceReader in(source);
    const uint8_t idLength = in.u8();
    const uint8_t mapType = in.u8();
    const uint8_t type = in.u8();
    const uint16_t mapFirst = in.u16le();
    const uint16_t mapLength = in.u16le();
    const uint8_t mapBits = in.u8();
    in.skip(4);
    l.width = in.u16le();
    l.height = in.u16le();
    l.bits = in.u8();
    const uint8_t descriptor = in.u8();
    in.skip(idLength);
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return false;
        const size_t entryBytes = (mapBits + 7u) / 8;
        std::vector<uint8_t> p(static_cast<size_t>(mapLength) * entryBytes);
        if (!in.read(p.data(), p.size())) return false;
        l.palette.assign((static_cast<size_t>(mapFirst) + mapLength) * 4, 0);
        for (size_t i = 0; i < mapLength; ++i)
            colourToBgra(&p[i * entryBytes], mapBits, &l.palette[(mapFirst + i) * 4]);
    }
    l.pixelBytes = (l.bits + 7) / 8;
    l.rle = type >= 9;
    l.colourMapped = (type & 7) == 1;
    l.grey = (type & 7) == 3;
    l.rightToLeft = descriptor & 0x10;
    l.topDown = descriptor & 0x20;
    l.pixelStart = in.position();
    // Raw pixels have an exact size; a run packet covers at most 128 pixels.
    const uint64_t left = in.remaining() / static_cast<uint64_t>(l.rle ? 1 : l.pixelBytes);
    return in.ok() && pictureSizeAllowed(l.width, l.height) &&
           pixelsFitData(l.width, l.height, static_cast<size_t>(std::min<uint64_t>(left, SIZE_MAX)), l.rle ? 64 : 1);
}

}  // namespace

RowDecode decodeTgaRows(const ByteSource& source, RowReceiver& receiver)
{
    TgaLayout l;
    if (!readLayout(source, l)) return RowDecode::Failed;
    const uint32_t width = l.width, height = l.height;
    const uint32_t band = std::min(kBand, height);
    const uint32_t bands = (height + band - 1) / band;
    // Many writers leave the alpha of 32-bit pictures 0 throughout: such a picture is opaque,
    // which only a look at every pixel tells before the first row is handed on.
    const bool alphaUnknown = l.bits == 32 && !l.colourMapped;
    const bool marksNeeded = l.rle && !l.topDown;
    std::vector<TgaPixels::Mark> marks;  // where each band of the file's rows starts
    bool opaque = !alphaUnknown;
    std::vector<uint8_t> rows(static_cast<size_t>(width) * 4 * band);
    if (alphaUnknown || marksNeeded) {
        TgaPixels pass(source, l);
        for (uint32_t y = 0; y < height; ++y) {
            if (marksNeeded && y % band == 0) marks.push_back(pass.mark());
            if (!pass.row(rows.data())) return RowDecode::Failed;
            if (!marksNeeded && pass.anyAlpha) break;
        }
        opaque = !pass.anyAlpha;
    }

    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.mayHaveAlpha = !opaque;
    header.decoderBytes =
        rows.size() + l.palette.size() + marks.size() * sizeof(TgaPixels::Mark) + (uint64_t{64} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    TgaPixels pixels(source, l);
    const size_t stride = static_cast<size_t>(width) * 4;
    const uint64_t rawRowBytes = uint64_t{width} * static_cast<uint64_t>(l.pixelBytes);
    for (uint32_t b = 0; b < bands; ++b) {
        // Shown rows [b * band, + count); stored bottom up, they are the file's band at the end.
        const uint32_t first = b * band, count = std::min(band, height - first);
        const uint32_t fileFirst = l.topDown ? first : height - first - count;
        if (!l.topDown) {
            TgaPixels::Mark m;
            if (l.rle) {
                m = marks[fileFirst / band];
            } else {
                m.position = l.pixelStart + fileFirst * rawRowBytes;
            }
            if (!pixels.resume(m)) return RowDecode::Failed;
            // A run-length band goes on from the mark at or before its first row.
            if (l.rle)
                for (uint32_t skip = fileFirst % band; skip > 0; --skip)
                    if (!pixels.row(rows.data())) return RowDecode::Failed;
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t* dst = rows.data() + (l.topDown ? i : count - 1 - i) * stride;
            if (!pixels.row(dst)) return RowDecode::Failed;
            if (l.rightToLeft)
                for (uint32_t x = 0; x < width / 2u; ++x)
                    std::swap_ranges(dst + x * 4, dst + x * 4 + 4, dst + (width - 1 - x) * 4);
            if (opaque && alphaUnknown)
                for (size_t k = 3; k < stride; k += 4) dst[k] = 255;
        }
        if (!receiver.rows(rows.data(), count)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}
