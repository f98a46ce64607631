// Only the first directory is read: the picture decoded is the first page, and a chain of
// directories (which may loop) is never followed.

#include "picture/tiff_orientation.h"

#include "picture/picture_source_reader.h"

namespace {

constexpr uint16_t kOrientationTag = 274;
// A classic directory holds at most this many entries; a BigTIFF one claiming more is broken.
constexpr uint64_t kMostEntries = 0xFFFF;

// Numbers in the file's byte order.
struct Fields {
    SourceReader& reader;
    bool bigEndian;

    uint16_t u16() { return bigEndian ? reader.u16be() : reader.u16le(); }
    uint32_t u32() { return bigEndian ? reader.u32be() : reader.u32le(); }
    // The width of one value of an integer type, as libtiff reads this tag on other systems
    // (BYTE, SHORT, LONG, their signed kinds, and BigTIFF's LONG8); 0 for any other type.
    static unsigned integerBytes(uint16_t type, bool big)
    {
        switch (type) {
        case 1:
        case 6: return 1;
        case 3:
        case 8: return 2;
        case 4:
        case 9: return 4;
        case 16:
        case 17: return big ? 8 : 0;  // in a classic file it would not fit the value field
        default: return 0;
        }
    }
    uint64_t integer(unsigned bytes)
    {
        return bytes == 1 ? reader.u8() : bytes == 2 ? u16() : bytes == 4 ? u32() : u64();
    }
    uint64_t u64()
    {
        const uint64_t first = u32();
        const uint64_t second = u32();
        return bigEndian ? (first << 32) | second : (second << 32) | first;
    }
};

}  // namespace

Orientation tiffOrientation(const ByteSource& source)
{
    SourceReader reader(source);
    const uint16_t order = reader.u16le();
    if (order != 0x4949 && order != 0x4D4D) return Orientation::Normal;  // "II", "MM"
    Fields f{reader, order == 0x4D4D};
    const uint16_t version = f.u16();
    const bool big = version == 43;
    uint64_t directory = 0, headerBytes = 8;
    if (version == 42) {
        directory = f.u32();
    } else if (big) {
        // BigTIFF: offsets of 8 bytes, then a reserved 0, then the first directory's offset.
        if (f.u16() != 8 || f.u16() != 0) return Orientation::Normal;
        directory = f.u64();
        headerBytes = 16;
    } else {
        return Orientation::Normal;
    }
    if (!reader.ok() || directory < headerBytes || !reader.seek(directory)) return Orientation::Normal;
    const uint64_t entries = big ? f.u64() : f.u16();
    if (!reader.ok() || entries > kMostEntries) return Orientation::Normal;
    for (uint64_t i = 0; i < entries; ++i) {
        const uint16_t tag = f.u16();
        const uint16_t type = f.u16();
        const uint64_t count = big ? f.u64() : f.u32();
        if (!reader.ok()) return Orientation::Normal;
        if (tag != kOrientationTag) {
            reader.skip(big ? 8 : 4);
            continue;
        }
        // One value sits in the first bytes of the value field. A signed one read unsigned is out
        // of range when negative.
        const unsigned bytes = Fields::integerBytes(type, big);
        if (bytes == 0 || count != 1) return Orientation::Normal;
        const uint64_t value = f.integer(bytes);
        if (!reader.ok() || value < 1 || value > 8) return Orientation::Normal;
        return static_cast<Orientation>(value);
    }
    return Orientation::Normal;
}
