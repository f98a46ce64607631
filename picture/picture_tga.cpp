// TGA (Truevision): colour-mapped, true-colour and grey pictures, raw or run-length encoded,
// 8 to 32 bits, either origin.

#include <cstring>

#include "picture/picture_codec.h"
#include "picture/picture_read_cursor.h"

namespace {

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

}  // namespace

bool decodeTga(const uint8_t* data, size_t size, DecodedPicture& out)
{
    if (!looksLikeTga(data, size)) return false;
    ReadCursor in(data, size);
    const uint8_t idLength = in.u8();
    const uint8_t mapType = in.u8();
    const uint8_t type = in.u8();
    const uint16_t mapFirst = in.u16le();
    const uint16_t mapLength = in.u16le();
    const uint8_t mapBits = in.u8();
    in.skip(4);
    const uint16_t width = in.u16le();
    const uint16_t height = in.u16le();
    const uint8_t bits = in.u8();
    const uint8_t descriptor = in.u8();
    in.skip(idLength);

    std::vector<uint8_t> palette;  // BGRA
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return false;
        const int entryBytes = (mapBits + 7) / 8;
        const uint8_t* p = in.take(static_cast<size_t>(mapLength) * entryBytes);
        if (!p) return false;
        palette.assign((static_cast<size_t>(mapFirst) + mapLength) * 4, 0);
        for (size_t i = 0; i < mapLength; ++i)
            colourToBgra(p + i * entryBytes, mapBits, &palette[(mapFirst + i) * 4]);
    }
    const int pixelBytes = (bits + 7) / 8;
    const bool rle = type >= 9;
    // Raw pixels have an exact size; a run packet covers at most 128 pixels.
    if (!in.ok() || !pixelsFitData(width, height, in.remaining() / (rle ? 1 : pixelBytes), rle ? 64 : 1) ||
        !allocatePicture(out, width, height))
        return false;

    const bool colourMapped = (type & 7) == 1;
    const bool grey = (type & 7) == 3;
    const size_t total = static_cast<size_t>(width) * height;
    bool anyAlpha = false;
    auto convert = [&](const uint8_t* p, uint8_t* dst) -> bool {
        if (colourMapped) {
            const size_t index = p[0];
            if (index * 4 + 4 > palette.size()) return false;
            std::memcpy(dst, &palette[index * 4], 4);
        } else if (grey) {
            dst[0] = dst[1] = dst[2] = p[0], dst[3] = 255;
        } else {
            colourToBgra(p, bits, dst);
        }
        anyAlpha = anyAlpha || dst[3] != 0;
        return true;
    };
    // Pixels in file order; placed by origin afterwards.
    size_t done = 0;
    while (done < total) {
        if (!rle) {
            const uint8_t* p = in.take(static_cast<size_t>(pixelBytes));
            if (!p || !convert(p, &out.bgra[done * 4])) return out = {}, false;
            ++done;
            continue;
        }
        const uint8_t head = in.u8();
        const size_t n = std::min<size_t>((head & 0x7F) + 1u, total - done);
        if (head & 0x80) {
            const uint8_t* p = in.take(static_cast<size_t>(pixelBytes));
            if (!p || !convert(p, &out.bgra[done * 4])) return out = {}, false;
            for (size_t i = 1; i < n; ++i) std::memcpy(&out.bgra[(done + i) * 4], &out.bgra[done * 4], 4);
        } else {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* p = in.take(static_cast<size_t>(pixelBytes));
                if (!p || !convert(p, &out.bgra[(done + i) * 4])) return out = {}, false;
            }
        }
        if (!in.ok()) return out = {}, false;
        done += n;
    }
    // Many writers leave the alpha of 32-bit pictures 0 throughout: such a picture is opaque.
    if (bits == 32 && !colourMapped && !anyAlpha)
        for (size_t i = 3; i < out.bgra.size(); i += 4) out.bgra[i] = 255;

    const bool rightToLeft = descriptor & 0x10;
    const bool topDown = descriptor & 0x20;
    const size_t stride = static_cast<size_t>(width) * 4;
    if (rightToLeft)
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width / 2u; ++x) {
                uint8_t* a = &out.bgra[y * stride + x * 4];
                uint8_t* b = &out.bgra[y * stride + (width - 1 - x) * 4];
                for (int c = 0; c < 4; ++c) std::swap(a[c], b[c]);
            }
    if (!topDown)
        for (uint32_t y = 0; y < height / 2u; ++y)
            std::swap_ranges(out.bgra.begin() + static_cast<std::ptrdiff_t>(y * stride),
                             out.bgra.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride),
                             out.bgra.begin() + static_cast<std::ptrdiff_t>((height - 1 - y) * stride));
    return true;
}
