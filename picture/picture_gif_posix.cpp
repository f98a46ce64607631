// GIF through giflib: the first frame laid on its logical screen (transparent around it), and
// writing with a palette made from the picture.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include <gif_lib.h>

#include "picture/picture_codec_posix.h"
#include "picture/picture_quantize.h"

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (length < 0) return 0;
    const size_t n = std::min(static_cast<size_t>(length), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

int writeToMemory(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

struct GifCloser {
    GifFileType* gif;
    bool encoder;
    ~GifCloser()
    {
        int error = 0;
        if (gif) encoder ? EGifCloseFile(gif, &error) : DGifCloseFile(gif, &error);
    }
};

int readFromFile(GifFileType* gif, GifByteType* out, int length)
{
    if (length < 0) return 0;
    return static_cast<int>(std::fread(out, 1, static_cast<size_t>(length), static_cast<std::FILE*>(gif->UserData)));
}

// Walks to the first frame's descriptor, noting its transparent colour; false when there is none
// or its colours or place make no sense.
bool findFirstFrame(GifFileType* gif, int& transparent)
{
    transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) != GIF_OK) return false;
        if (record == TERMINATE_RECORD_TYPE) return false;  // no picture in it
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) != GIF_OK) return false;
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        return map && map->Colors && desc.Width > 0 && desc.Height > 0 && desc.Left >= 0 && desc.Top >= 0;
    }
}

// The frame laid on its canvas: some writers leave the screen smaller than the frame, so the
// canvas takes both.
uint32_t canvasWidth(const GifFileType* gif)
{
    return static_cast<uint32_t>(std::max(gif->SWidth, gif->Image.Left + gif->Image.Width));
}
uint32_t canvasHeight(const GifFileType* gif)
{
    return static_cast<uint32_t>(std::max(gif->SHeight, gif->Image.Top + gif->Image.Height));
}

// One line of the frame's colour indices into its place in a canvas row; the transparent colour
// and indices beyond the map leave the canvas as it was (transparent).
void putLine(const GifFileType* gif, const std::vector<GifPixelType>& line, int transparent, uint8_t* canvasRow)
{
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    uint8_t* px = canvasRow + static_cast<size_t>(desc.Left) * 4;
    for (int x = 0; x < desc.Width; ++x, px += 4) {
        const int index = line[static_cast<size_t>(x)];
        if (index == transparent || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        px[0] = c.Blue, px[1] = c.Green, px[2] = c.Red, px[3] = 255;
    }
}

// LZW turns one byte into a few thousand pixels at the very most.
constexpr uint64_t kMostPixelsPerByte = 12000;

// A line that could not be read: the file ended, or its data broke.
RowDecode lineFailed(const GifFileType* gif)
{
    return gif->Error == D_GIF_ERR_READ_FAILED || gif->Error == D_GIF_ERR_EOF_TOO_SOON ? RowDecode::Truncated
                                                                                       : RowDecode::Failed;
}

RowDecode streamFirstFrame(GifFileType* gif, uint64_t fileSize, RowReceiver& receiver)
{
    int transparent = -1;
    if (!findFirstFrame(gif, transparent)) return RowDecode::Failed;
    const GifImageDesc& desc = gif->Image;
    const uint32_t width = canvasWidth(gif), height = canvasHeight(gif);
    if (!pictureSizeAllowed(width, height)) return refuseSize(receiver, width, height);
    if (!pixelsFitData(width, height, static_cast<size_t>(fileSize), kMostPixelsPerByte)) return RowDecode::Truncated;
    const size_t frameWidth = static_cast<size_t>(desc.Width);
    // An interlaced frame's lines come in four passes, so its colour indices are kept whole (a
    // byte a pixel, a quarter of the picture's own pixels) and laid out by rows afterwards.
    const uint64_t indexBytes = desc.Interlace ? uint64_t{frameWidth} * static_cast<uint64_t>(desc.Height) : 0;
    RowStreamHeader header;
    header.width = header.fullWidth = width;
    header.height = header.fullHeight = height;
    header.decoderBytes = uint64_t{width} * 4 + frameWidth + indexBytes + (uint64_t{32} << 10);
    if (!receiver.header(header)) return RowDecode::Failed;
    std::vector<GifPixelType> indices(static_cast<size_t>(indexBytes));
    if (desc.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < desc.Height; y += kStep[pass])
                if (DGifGetLine(gif, indices.data() + static_cast<size_t>(y) * frameWidth, desc.Width) != GIF_OK)
                    return lineFailed(gif);
    }
    std::vector<GifPixelType> line(frameWidth);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), uint8_t{0});  // transparent around the frame
        const int64_t inFrame = int64_t{y} - desc.Top;
        if (inFrame >= 0 && inFrame < desc.Height) {
            if (desc.Interlace)
                std::copy_n(indices.begin() + static_cast<ptrdiff_t>(inFrame * static_cast<int64_t>(frameWidth)),
                            frameWidth, line.begin());
            else if (DGifGetLine(gif, line.data(), desc.Width) != GIF_OK)
                return lineFailed(gif);
            putLine(gif, line, transparent, row.data());
        }
        if (!receiver.rows(row.data(), 1)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}

}  // namespace

RowDecode decodeGifRows(const ByteSource& source, RowReceiver& receiver)
{
    MemoryReader reader{source.data, source.size, 0};
    int error = 0;
    GifCloser closer{
        source.data ? DGifOpen(&reader, readFromMemory, &error) : DGifOpen(source.file, readFromFile, &error), false};
    if (!closer.gif) return RowDecode::Failed;
    try {
        return streamFirstFrame(closer.gif, source.bytes(), receiver);
    } catch (const std::bad_alloc&) {
        return RowDecode::NoMemory;
    }
}

bool encodeGif(const EncodeInput& in, std::vector<uint8_t>& out)
{
    out.clear();
    if (in.width > 65535 || in.height > 65535) return false;
    IndexedPicture indexed;
    if (!quantizeForGif(in.bgra, in.width, in.height, indexed)) return false;
    int bits = 1;
    while ((1u << bits) < indexed.palette.size()) ++bits;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    if (!map) return false;
    for (size_t i = 0; i < indexed.palette.size(); ++i)
        map->Colors[i] = {indexed.palette[i].r, indexed.palette[i].g, indexed.palette[i].b};

    int error = 0;
    bool ok = false;
    {
        GifCloser closer{EGifOpen(&out, writeToMemory, &error), true};
        GifFileType* gif = closer.gif;
        const int w = static_cast<int>(in.width), h = static_cast<int>(in.height);
        if (gif) {
            EGifSetGifVersion(gif, indexed.transparentIndex >= 0);
            ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK;
            if (ok && indexed.transparentIndex >= 0) {
                GraphicsControlBlock gcb{};
                gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
                gcb.TransparentColor = indexed.transparentIndex;
                GifByteType block[4];
                const size_t n = EGifGCBToExtension(&gcb, block);
                ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), block) == GIF_OK;
            }
            ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
            for (int y = 0; ok && y < h; ++y)
                ok = EGifPutLine(gif, indexed.indices.data() + static_cast<size_t>(y) * in.width, w) == GIF_OK;
            if (ok) {
                ok = EGifCloseFile(gif, &error) == GIF_OK;
                closer.gif = nullptr;
            }
        }
    }
    GifFreeMapObject(map);
    if (!ok) out.clear();
    return ok;
}
