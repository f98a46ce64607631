// TIFF through libtiff: the first page, any layout libtiff's RGBA reader knows, and the ICC
// profile.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
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
int mapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
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

bool decodeTiff(const uint8_t* data, size_t size, DecodedPicture& out)
{
    silenceLibtiff();
    MemoryFile file{data, size, 0};
    TIFF* tif =
        TIFFClientOpen("picture", "rm", &file, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc, unmapProc);
    if (!tif) return false;
    bool ok = false;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    char message[1024];
    // Fax and deflate compression go far, but not beyond a few thousand pixels a byte.
    if (TIFFRGBAImageOK(tif, message) && pixelsFitData(width, height, size, 16384) &&
        allocatePicture(out, width, height)) {
        auto* raster = reinterpret_cast<uint32_t*>(out.bgra.data());
        ok = TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_TOPLEFT, 1) != 0;
        // libtiff packs R in the lowest byte (ABGR words); the picture wants B, G, R, A in memory.
        for (size_t i = 0, n = static_cast<size_t>(width) * height; ok && i < n; ++i) {
            const uint32_t p = raster[i];
            uint8_t* px = out.bgra.data() + i * 4;
            px[0] = static_cast<uint8_t>(TIFFGetB(p));
            px[1] = static_cast<uint8_t>(TIFFGetG(p));
            px[2] = static_cast<uint8_t>(TIFFGetR(p));
            px[3] = static_cast<uint8_t>(TIFFGetA(p));
        }
        uint32_t profileSize = 0;
        void* profile = nullptr;
        if (ok && TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile && profileSize)
            out.icc.assign(static_cast<uint8_t*>(profile), static_cast<uint8_t*>(profile) + profileSize);
    }
    TIFFClose(tif);
    if (!ok) out = {};
    return ok;
}

namespace {

// libtiff packs R in the lowest byte (ABGR words); the rows want B, G, R, A in memory.
void abgrToBgra(const uint32_t* in, uint8_t* out, uint32_t count)
{
    for (uint32_t x = 0; x < count; ++x, out += 4) {
        out[0] = static_cast<uint8_t>(TIFFGetB(in[x]));
        out[1] = static_cast<uint8_t>(TIFFGetG(in[x]));
        out[2] = static_cast<uint8_t>(TIFFGetR(in[x]));
        out[3] = static_cast<uint8_t>(TIFFGetA(in[x]));
    }
}

// A band of `band` rows from `y`: a strip, or a row of tiles laid side by side. libtiff hands
// each piece bottom up (an edge tile's rows at the bottom of its full-height raster).
bool readBand(TIFF* tif, uint32_t y, uint32_t n, uint32_t width, uint32_t tileWidth, uint32_t band,
              std::vector<uint32_t>& raster, std::vector<uint8_t>& rows)
{
    if (tileWidth == 0) {
        if (!TIFFReadRGBAStrip(tif, y, raster.data())) return false;
        for (uint32_t k = 0; k < n; ++k)
            abgrToBgra(raster.data() + static_cast<size_t>(n - 1 - k) * width, rows.data() + size_t{k} * width * 4,
                       width);
        return true;
    }
    for (uint32_t x = 0; x < width; x += tileWidth) {
        if (!TIFFReadRGBATile(tif, x, y, raster.data())) return false;
        const uint32_t m = std::min(tileWidth, width - x);
        for (uint32_t k = 0; k < n; ++k)
            abgrToBgra(raster.data() + static_cast<size_t>(band - 1 - k) * tileWidth,
                       rows.data() + (size_t{k} * width + x) * 4, m);
    }
    return true;
}

}  // namespace

RowDecode decodeTiffRows(const ByteSource& source, RowReceiver& receiver)
{
    silenceLibtiff();
    MemoryFile memory{source.data, source.size, 0};
    TIFF* tif = source.data ? TIFFClientOpen("picture", "rm", &memory, readProc, writeProc, seekProc, closeProc,
                                             sizeProc, mapProc, unmapProc)
                            : TIFFClientOpen("picture", "rm", source.file, fileRead, writeProc, fileSeek, closeProc,
                                             fileSize, mapProc, unmapProc);
    if (!tif) return RowDecode::Failed;
    uint32_t width = 0, height = 0, rowsPerStrip = 0, tileWidth = 0, tileHeight = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT, extraSamples = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraSamples, &extraTypes);
    const bool tiled = TIFFIsTiled(tif);
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    }
    char message[1024];
    RowDecode result = RowDecode::Failed;
    // Strips and tiles come top down only in the usual orientation; the others are read whole, and
    // so are tiles larger than a picture may be.
    if (orientation != ORIENTATION_TOPLEFT ||
        (tiled && (tileWidth == 0 || tileHeight == 0 || !pictureSizeAllowed(tileWidth, tileHeight)))) {
        result = RowDecode::Unsupported;
    } else if (TIFFRGBAImageOK(tif, message) && pictureSizeAllowed(width, height) &&
               pixelsFitData(width, height, source.bytes(), 16384)) {
        const uint32_t band = tiled ? tileHeight : std::clamp<uint32_t>(rowsPerStrip, 1, height);
        const uint64_t rasterPixels = tiled ? uint64_t{tileWidth} * tileHeight : uint64_t{width} * band;
        RowStreamHeader header;
        header.width = header.fullWidth = width;
        header.height = header.fullHeight = height;
        header.mayHaveAlpha = extraSamples > 0;
        header.decoderBytes = rasterPixels * 4 + uint64_t{width} * band * 4 +
                              static_cast<uint64_t>(tiled ? TIFFTileSize(tif) : TIFFStripSize(tif)) +
                              (uint64_t{64} << 10);
        uint32_t profileSize = 0;
        void* profile = nullptr;
        std::vector<uint32_t> raster;
        std::vector<uint8_t> rows;
        try {
            if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile && profileSize)
                header.icc.assign(static_cast<uint8_t*>(profile), static_cast<uint8_t*>(profile) + profileSize);
            if (receiver.header(header)) {
                raster.resize(static_cast<size_t>(rasterPixels));
                rows.resize(static_cast<size_t>(width) * band * 4);
                result = RowDecode::Done;
            }
        } catch (const std::bad_alloc&) {
            result = RowDecode::NoMemory;
        }
        for (uint32_t y = 0; result == RowDecode::Done && y < height; y += band) {
            const uint32_t n = std::min(band, height - y);
            if (!readBand(tif, y, n, width, tiled ? tileWidth : 0, band, raster, rows) ||
                !receiver.rows(rows.data(), n))
                result = RowDecode::Failed;
        }
    }
    TIFFClose(tif);
    return result;
}
