// TIFF through libtiff: the first page, any layout libtiff's RGBA reader knows, and the ICC
// profile.

#include <cstring>
#include <mutex>

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
    if (whence == SEEK_CUR) base = f->pos;
    else if (whence == SEEK_END) base = f->size;
    const toff_t target = base + off;  // a negative offset wraps round and is refused below
    if (target > f->size) return static_cast<toff_t>(-1);
    f->pos = target;
    return f->pos;
}
int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int mapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void unmapProc(thandle_t, tdata_t, toff_t) {}

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
    TIFF* tif = TIFFClientOpen("picture", "rm", &file, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                               unmapProc);
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
