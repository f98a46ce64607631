#include "picture/exif_orientation.h"

namespace {

struct TiffReader {
    const uint8_t* data;
    size_t size;
    bool bigEndian;

    bool u16(size_t at, uint16_t& v) const
    {
        if (at > size || size - at < 2) return false;
        v = bigEndian ? static_cast<uint16_t>((data[at] << 8) | data[at + 1])
                      : static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
        return true;
    }
    bool u32(size_t at, uint32_t& v) const
    {
        uint16_t a = 0, b = 0;
        if (!u16(at, a) || !u16(at + 2, b)) return false;
        v = bigEndian ? (static_cast<uint32_t>(a) << 16) | b : (static_cast<uint32_t>(b) << 16) | a;
        return true;
    }
};

}  // namespace

int exifOrientationFromTiff(const uint8_t* tiff, size_t size)
{
    constexpr int kAsStored = 1;
    if (!tiff || size < 8) return kAsStored;
    TiffReader r{tiff, size, false};
    if (tiff[0] == 'M' && tiff[1] == 'M')
        r.bigEndian = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return kAsStored;
    uint16_t magic = 0;
    uint32_t ifd = 0;
    if (!r.u16(2, magic) || magic != 42 || !r.u32(4, ifd)) return kAsStored;
    uint16_t entries = 0;
    if (!r.u16(ifd, entries)) return kAsStored;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t at = static_cast<size_t>(ifd) + 2 + static_cast<size_t>(i) * 12;
        uint16_t tag = 0, type = 0, value = 0;
        uint32_t count = 0;
        if (!r.u16(at, tag) || !r.u16(at + 2, type) || !r.u32(at + 4, count)) return kAsStored;
        if (tag != 0x0112) continue;
        // SHORT, one value, kept in the first two bytes of the value field.
        if (type != 3 || count != 1 || !r.u16(at + 8, value)) return kAsStored;
        return value >= 1 && value <= 8 ? value : kAsStored;
    }
    return kAsStored;
}
