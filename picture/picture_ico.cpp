// ICO and CUR: the largest, deepest image of the directory, stored either as a DIB or as PNG.

#include <new>

#include "picture/picture_bmp.h"
#include "picture/picture_formats.h"
#include "picture/picture_read_cursor.h"
#include "picture/picture_source_reader.h"

namespace {

// No icon holds more than a few megabytes; a file claiming more is no icon.
constexpr uint64_t kMostIconBytes = uint64_t{64} << 20;

bool decodeIco(const uint8_t* data, size_t size, DecodedPicture& out)
{
    ReadCursor in(data, size);
    const uint16_t reserved = in.u16le();
    const uint16_t type = in.u16le();
    const uint16_t count = in.u16le();
    if (!in.ok() || reserved != 0 || (type != 1 && type != 2) || count == 0) return false;
    uint64_t bestScore = 0;
    uint32_t bestOffset = 0, bestSize = 0;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t w = in.u8(), h = in.u8();
        in.skip(4);
        const uint16_t bits = in.u16le();
        const uint32_t bytes = in.u32le();
        const uint32_t offset = in.u32le();
        if (!in.ok()) return false;
        if (offset > size || bytes > size - offset || bytes < 8) continue;
        const uint64_t area = static_cast<uint64_t>(w ? w : 256) * (h ? h : 256);
        const uint64_t score = area * 64 + bits;
        if (score > bestScore) bestScore = score, bestOffset = offset, bestSize = bytes;
    }
    if (!bestScore) return false;
    const uint8_t* image = data + bestOffset;
    bool ok = false;
    if (detectFormat(image, bestSize) == kFormatPng)
        ok = decodePicture(kFormatPng, ByteSource{image, bestSize}, {}, out);
    else {
        ReadCursor header(image, bestSize);
        const uint32_t headerSize = header.u32le();
        const uint16_t bits = (header.seek(14), header.u16le());
        const uint32_t colours = (header.seek(32), header.u32le());
        if (header.ok() && headerSize >= 40 && headerSize <= 124 && bits <= 32) {
            const uint64_t palette =
                bits <= 8 ? 4ull * (colours ? std::min<uint64_t>(colours, 1ull << bits) : 1ull << bits) : 0;
            ok = palette + headerSize <= bestSize &&
                 decodeDib(image, bestSize, static_cast<size_t>(headerSize + palette), true, out);
        }
    }
    if (!ok) out = {};
    return ok;
}

}  // namespace

RowDecode decodeIcoRows(const ByteSource& source, RowReceiver& receiver)
{
    const uint64_t size = source.bytes();
    if (size > kMostIconBytes) return RowDecode::Failed;
    PictureMemoryGate* gate = currentPictureMemoryGate();
    if (!source.data && gate && !gate->allowWorkingSet(size)) return RowDecode::NoMemory;
    std::vector<uint8_t> bytes;
    const uint8_t* data = source.data;
    if (!data) {
        bytes.resize(static_cast<size_t>(size));
        if (!readSourceAt(source, 0, bytes.data(), bytes.size())) return RowDecode::Truncated;
        data = bytes.data();
    }
    DecodedPicture picture;
    if (!decodeIco(data, static_cast<size_t>(size), picture)) return RowDecode::Failed;
    std::vector<uint8_t>().swap(bytes);
    RowStreamHeader header;
    header.width = header.fullWidth = picture.width;
    header.height = header.fullHeight = picture.height;
    header.decoderBytes = picture.bgra.size() + (source.data ? 0 : size);
    if (!receiver.header(header) || !receiver.rows(picture.bgra.data(), picture.height)) return RowDecode::Failed;
    return RowDecode::Done;
}
