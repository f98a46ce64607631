// TIFF through libtiff: the first page, any layout libtiff's RGBA reader knows, and the ICC
// profile. Pixels come as stored, top row first; the orientation tag (numbered as EXIF's) is
// handed on for the caller to turn them, as it turns a JPEG by its EXIF orientation.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <tiffio.h>

#include "picture/picture_codec_posix.h"

namespace {

struct MemoryFile {
    const uint8_t* data;
    size_t size;
    toff_t pos;
};

tsize_t readProc(thandle_t h, tdata_t buf, tsize_t size)
{
    auto* f = static_cast<MemoryFile*>(h);
    if (size <= 0 || f->pos >= f->size) return 0;
    const size_t n = std::min(static_cast<size_t>(size), static_cast<size_t>(f->size - f->pos));
    std::memcpy(buf, f->data + f->pos, n);
    f->pos += n;
    return static_cast<tsize_t>(n);
}
tsize_t writeProc(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t seekProc(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<MemoryFile*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = f->pos;
    else if (whence == SEEK_END)
        base = f->size;
    const toff_t target = base + off;  // a negative offset wraps round and is refused below
    if (target > f->size) return static_cast<toff_t>(-1);
    f->pos = target;
    return f->pos;
}
int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
// Bytes in memory are handed to libtiff as a mapped file: it then reads uncompressed tiles as
// they are, where through reads it would check them against byte counts it has guessed (it takes
// an uncompressed tile's count for too small and reads 16 x 16 tiles as a few bytes short).
int mapMemory(thandle_t h, tdata_t* base, toff_t* size)
{
    auto* f = static_cast<MemoryFile*>(h);
    *base = const_cast<uint8_t*>(f->data);
    *size = f->size;
    return 1;
}
int mapNothing(thandle_t, tdata_t*, toff_t*) { return 0; }
void unmapProc(thandle_t, tdata_t, toff_t) {}

// The same over an open file.
tsize_t fileRead(thandle_t h, tdata_t buf, tsize_t size)
{
    if (size <= 0) return 0;
    return static_cast<tsize_t>(std::fread(buf, 1, static_cast<size_t>(size), static_cast<std::FILE*>(h)));
}
toff_t fileSeek(thandle_t h, toff_t off, int whence)
{
    auto* f = static_cast<std::FILE*>(h);
    if (off > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
    const int from = whence == SEEK_CUR ? SEEK_CUR : whence == SEEK_END ? SEEK_END : SEEK_SET;
    if (fseeko(f, static_cast<off_t>(off), from) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(f));
}
toff_t fileSize(thandle_t h)
{
    auto* f = static_cast<std::FILE*>(h);
    const off_t here = ftello(f);
    fseeko(f, 0, SEEK_END);
    const off_t end = ftello(f);
    fseeko(f, here, SEEK_SET);
    return static_cast<toff_t>(end);
}

void silenceLibtiff()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

}  // namespace

namespace {

// libtiff packs R in the lowest byte (ABGR words); the picture wants B, G, R, A in memory. Done
// in place: each word is read whole before its bytes are written.
void abgrToBgra(uint32_t* words, size_t count)
{
    auto* bytes = reinterpret_cast<uint8_t*>(words);
    for (size_t i = 0; i < count; ++i, bytes += 4) {
        const uint32_t p = words[i];
        bytes[0] = static_cast<uint8_t>(TIFFGetB(p));
        bytes[1] = static_cast<uint8_t>(TIFFGetG(p));
        bytes[2] = static_cast<uint8_t>(TIFFGetR(p));
        bytes[3] = static_cast<uint8_t>(TIFFGetA(p));
    }
}

TIFF* openTiff(const ByteSource& source, MemoryFile& memory)
{
    silenceLibtiff();
    memory = MemoryFile{source.data, source.size, 0};
    if (source.data)
        return TIFFClientOpen("picture", "r", &memory, readProc, writeProc, seekProc, closeProc, sizeProc, mapMemory,
                              unmapProc);
    return TIFFClientOpen("picture", "rm", source.file, fileRead, writeProc, fileSeek, closeProc, fileSize, mapNothing,
                          unmapProc);
}

// Uncompressed tiles read from a file trip over libtiff's guessed byte counts (see mapMemory):
// such a file, no larger than its pixels, is read into memory, which the gate is asked for first.
bool readUncompressedTilesWhole(TIFF* tif, const ByteSource& source, std::vector<uint8_t>& bytes)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (source.data || !TIFFIsTiled(tif) || compression != COMPRESSION_NONE) return false;
    PictureMemoryGate* gate = currentPictureMemoryGate();
    if (source.fileSize > SIZE_MAX || (gate && !gate->allowWorkingSet(source.fileSize))) return false;
    bytes.resize(static_cast<size_t>(source.fileSize));
    return std::fseek(source.file, 0, SEEK_SET) == 0 &&
           std::fread(bytes.data(), 1, bytes.size(), source.file) == bytes.size();
}

// libtiff's RGBA reader, asked for the rows as stored: it flips nothing when the orientation it
// is asked for is the picture's own.
struct RgbaReader {
    TIFFRGBAImage image{};
    bool begun = false;
    char message[1024] = {};  // libtiff's reason when begin() fails
    bool begin(TIFF* tif)
    {
        if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 1, message)) return false;
        begun = true;
        image.req_orientation = image.orientation;
        return true;
    }
    // `count` rows from stored row `y` into `raster` (width words a row), top down.
    bool read(uint32_t y, uint32_t count, uint32_t* raster)
    {
        image.row_offset = static_cast<int>(y);
        image.col_offset = 0;
        return TIFFRGBAImageGet(&image, raster, image.width, count) != 0;
    }
    Orientation orientation() const
    {
        const uint16_t o = image.orientation;
        return o >= ORIENTATION_TOPLEFT && o <= ORIENTATION_LEFTBOT ? static_cast<Orientation>(o) : Orientation::Normal;
    }
    ~RgbaReader()
    {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

std::vector<uint8_t> iccOf(TIFF* tif)
{
    uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile && profileSize)
        return {static_cast<uint8_t*>(profile), static_cast<uint8_t*>(profile) + profileSize};
    return {};
}

}  // namespace

namespace {

// `held`: bytes the caller holds for the decode besides the decoder's own (a file read whole).
RowDecode readTiff(const ByteSource& source, uint64_t held, RowReceiver& receiver)
{
    MemoryFile memory{};
    TIFF* tif = openTiff(source, memory);
    if (!tif) return RowDecode::Failed;
    std::vector<uint8_t> whole;
    bool readWhole = false;
    try {
        readWhole = readUncompressedTilesWhole(tif, source, whole);
    } catch (const std::bad_alloc&) {
        TIFFClose(tif);
        return RowDecode::NoMemory;
    }
    if (readWhole) {
        TIFFClose(tif);
        return readTiff(ByteSource{whole.data(), whole.size()}, whole.size(), receiver);
    }
    uint32_t rowsPerStrip = 0, tileWidth = 0, tileHeight = 0;
    uint16_t extraSamples = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraSamples, &extraTypes);
    const bool tiled = TIFFIsTiled(tif);
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    }
    RowDecode result = RowDecode::Failed;
    try {
        RgbaReader reader;
        const bool begun = reader.begin(tif);
        const uint32_t width = reader.image.width, height = reader.image.height;
        // A band is a strip, or a row of tiles.
        if (!begun) {
            receiver.explain(std::string("TIFF: ") + reader.message);
            result = RowDecode::Unsupported;
        } else if (tiled && (tileWidth == 0 || tileHeight == 0 || !pictureSizeAllowed(tileWidth, tileHeight))) {
            receiver.explain("TIFF tiles of " + std::to_string(tileWidth) + " x " + std::to_string(tileHeight) +
                             " pixels");
            result = RowDecode::Unsupported;
        } else if (!pictureSizeAllowed(width, height)) {
            result = refuseSize(receiver, width, height);
        } else if (!pixelsFitData(width, height, source.bytes(), 16384)) {
            result = RowDecode::Truncated;
        } else {
            const uint32_t band = std::clamp<uint32_t>(tiled ? tileHeight : rowsPerStrip, 1, height);
            RowStreamHeader header;
            header.width = header.fullWidth = width;
            header.height = header.fullHeight = height;
            header.mayHaveAlpha = extraSamples > 0;
            header.orientation = reader.orientation();
            header.decoderBytes = uint64_t{width} * band * 4 +
                                  static_cast<uint64_t>(tiled ? TIFFTileSize(tif) : TIFFStripSize(tif)) +
                                  (uint64_t{64} << 10) + held;
            header.icc = iccOf(tif);
            std::vector<uint32_t> raster;
            if (receiver.header(header)) {
                raster.resize(static_cast<size_t>(width) * band);
                result = RowDecode::Done;
            }
            for (uint32_t y = 0; result == RowDecode::Done && y < height; y += band) {
                const uint32_t n = std::min(band, height - y);
                if (!reader.read(y, n, raster.data())) {
                    result = RowDecode::Failed;
                    break;
                }
                abgrToBgra(raster.data(), static_cast<size_t>(width) * n);
                if (!receiver.rows(reinterpret_cast<const uint8_t*>(raster.data()), n)) result = RowDecode::Failed;
            }
        }
    } catch (const std::bad_alloc&) {
        result = RowDecode::NoMemory;
    }
    TIFFClose(tif);
    return result;
}

}  // namespace

RowDecode decodeTiffRows(const ByteSource& source, RowReceiver& receiver) { return readTiff(source, 0, receiver); }
