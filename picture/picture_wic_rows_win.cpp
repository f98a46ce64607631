// Decoding by bands of rows on Windows: WIC's frame is asked for one band rectangle at a time
// (CopyPixels over the band), so only a band is held here, and WIC's own decoders, which decode
// the rows a rectangle asks for as they go, need not hold the picture either. A JPEG that is to be
// made small comes from the decoder's own scaled output (IWICBitmapSourceTransform), by bands
// too; where the decoder cannot scale, the full rows are shrunk here as they come, to the pixels
// the whole-picture decoder makes in that case.

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "base/com_ptr_win.h"
#include "picture/picture_codec.h"
#include "picture/picture_wic_win.h"
#include "picture/resample.h"
#include "picture/tiff_orientation.h"

namespace {

// Rows asked of WIC at a time.
constexpr uint32_t kBandRows = 16;

// A read-only stream over an open file, for WIC to read from where it likes without the whole
// file in memory. Used on one thread, by one decode.
class FileStream final : public IStream {
public:
    FileStream(std::FILE* file, uint64_t size) : file_(file), size_(size) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG bytes, ULONG* read) override
    {
        ULONG got = 0;
        if (position_ < size_) {
            const ULONG want = static_cast<ULONG>(std::min<uint64_t>(bytes, size_ - position_));
            if (!seekFile()) return STG_E_READFAULT;
            got = static_cast<ULONG>(std::fread(into, 1, want, file_));
            position_ += got;
        }
        if (read) *read = got;
        return got == bytes ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        int64_t base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<int64_t>(position_);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<int64_t>(size_);
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const int64_t to = base + move.QuadPart;
        if (to < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(to);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = size_;
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~FileStream() = default;
    // The streamed files are found by their size in a long (ftell), so every offset fits one.
    bool seekFile()
    {
        return position_ <= static_cast<uint64_t>(LONG_MAX) &&
               std::fseek(file_, static_cast<long>(position_), SEEK_SET) == 0;
    }

    std::atomic<ULONG> refs_{1};
    std::FILE* file_;
    uint64_t size_;
    uint64_t position_ = 0;
};

// Hands the rows on to the receiver, through a shrink when the decoder gave full rows where
// scaled ones were wanted.
class RowSink {
public:
    explicit RowSink(RowReceiver& receiver) : receiver_(receiver) {}

    bool shrinkFrom(uint32_t width, uint32_t height, uint32_t toWidth, uint32_t toHeight)
    {
        shrinking_ = true;
        return shrink_.start(width, height, toWidth, toHeight, true, false,
                             [this](const uint8_t* row, uint32_t) { return receiver_.rows(row, 1); });
    }
    bool rows(const uint8_t* bgra, uint32_t count)
    {
        return shrinking_ ? shrink_.push(bgra, count) : receiver_.rows(bgra, count);
    }

private:
    RowReceiver& receiver_;
    bool shrinking_ = false;
    RowResampler shrink_;
};

// One band of `native` pixels (format `format`, `stride` bytes a row) to BGRA.
bool toBgra(IWICImagingFactory* factory, const WICPixelFormatGUID& format, std::vector<BYTE>& native, UINT stride,
            uint32_t width, uint32_t count, uint8_t* bgra)
{
    if (format == GUID_WICPixelFormat24bppBGR || format == GUID_WICPixelFormat8bppGray) {
        const bool grey = format == GUID_WICPixelFormat8bppGray;
        for (uint32_t y = 0; y < count; ++y) {
            const BYTE* src = native.data() + static_cast<size_t>(y) * stride;
            uint8_t* dst = bgra + static_cast<size_t>(y) * width * 4;
            for (uint32_t x = 0; x < width; ++x, dst += 4) {
                if (grey) {
                    dst[0] = dst[1] = dst[2] = src[x];
                } else {
                    dst[0] = src[x * 3], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3 + 2];
                }
                dst[3] = 255;
            }
        }
        return true;
    }
    // Any other layout goes through WIC's converter, as the whole-picture decoder does.
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICBitmapSource> converted;
    return SUCCEEDED(factory->CreateBitmapFromMemory(width, count, format, stride, static_cast<UINT>(native.size()),
                                                     native.data(), bitmap.put())) &&
           SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, bitmap.get(), converted.put())) &&
           SUCCEEDED(converted->CopyPixels(nullptr, width * 4, width * 4 * count, bgra));
}

// The decoder's own scaled output, by bands; Unsupported when it cannot give exactly width x height.
RowDecode scaledBands(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, uint32_t width, uint32_t height,
                      RowStreamHeader& header, RowReceiver& receiver)
{
    ComPtr<IWicSourceTransform> transform;
    if (FAILED(frame->QueryInterface(kIidSourceTransform, transform.putVoid())) || !transform)
        return RowDecode::Unsupported;
    UINT w = width, h = height;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(transform->GetClosestSize(&w, &h)) || w != width || h != height ||
        FAILED(transform->GetClosestPixelFormat(&format)))
        return RowDecode::Unsupported;
    const UINT bits = format == GUID_WICPixelFormat32bppBGRA ? 32 : bitsPerPixel(factory, format);
    if (bits == 0 || bits > 128) return RowDecode::Unsupported;
    const uint64_t stride = (uint64_t{width} * bits + 31) / 32 * 4;
    const uint32_t band = std::min(kBandRows, height);
    if (stride * band > 0xFFFFFFFFu) return RowDecode::Unsupported;

    header.width = width;
    header.height = height;
    header.decoderBytes = (stride + uint64_t{width} * 4) * band;
    if (!receiver.header(header)) return RowDecode::Failed;
    std::vector<BYTE> native(static_cast<size_t>(stride) * band);
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * 4 * band);
    for (uint32_t y = 0; y < height; y += band) {
        const uint32_t count = std::min(band, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(count)};
        const UINT bytes = static_cast<UINT>(stride * count);
        if (format == GUID_WICPixelFormat32bppBGRA) {
            if (FAILED(transform->CopyPixels(&rect, w, h, &format, WICBitmapTransformRotate0, width * 4, bytes,
                                             bgra.data())))
                return RowDecode::Failed;
        } else if (FAILED(transform->CopyPixels(&rect, w, h, &format, WICBitmapTransformRotate0,
                                                static_cast<UINT>(stride), bytes, native.data())) ||
                   !toBgra(factory, format, native, static_cast<UINT>(stride), width, count, bgra.data())) {
            return RowDecode::Failed;
        }
        if (!receiver.rows(bgra.data(), count)) return RowDecode::Failed;
    }
    return RowDecode::Done;
}

// The frame at its own size, converted to BGRA by bands; shrunk as it comes when `scaledWidth` x
// `scaledHeight` is smaller.
RowDecode fullBands(IWICBitmapFrameDecode* frame, uint32_t width, uint32_t height, uint32_t scaledWidth,
                    uint32_t scaledHeight, RowStreamHeader& header, RowReceiver& receiver)
{
    ComPtr<IWICBitmapSource> converted;
    if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, converted.put()))) return RowDecode::Failed;
    const uint32_t band = std::min(kBandRows, height);
    const uint64_t bandBytes = uint64_t{width} * 4 * band;
    if (bandBytes > 0xFFFFFFFFu) return RowDecode::Failed;
    const bool shrink = scaledWidth != width || scaledHeight != height;
    header.width = scaledWidth;
    header.height = scaledHeight;
    header.decoderBytes =
        bandBytes + (shrink ? RowResampler::workingBytes(width, height, scaledWidth, scaledHeight, true) : 0);
    if (!receiver.header(header)) return RowDecode::Failed;
    RowSink sink(receiver);
    if (shrink && !sink.shrinkFrom(width, height, scaledWidth, scaledHeight)) return RowDecode::NoMemory;
    std::vector<uint8_t> bgra(static_cast<size_t>(bandBytes));
    for (uint32_t y = 0; y < height; y += band) {
        const uint32_t count = std::min(band, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(count)};
        if (FAILED(converted->CopyPixels(&rect, width * 4, width * 4 * count, bgra.data())) ||
            !sink.rows(bgra.data(), count))
            return RowDecode::Failed;
    }
    return RowDecode::Done;
}

RowDecode decodeWicRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver)
{
    const uint64_t size = source.bytes();
    if (size == 0 || (source.data && size > 0xFFFFFFFFu)) return RowDecode::Failed;
    ComScope com(COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> memory;
    ComPtr<IStream> file;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (!makeWicFactory(factory)) return RowDecode::Failed;
    IStream* stream = nullptr;
    if (source.data) {
        if (FAILED(factory->CreateStream(memory.put())) ||
            FAILED(memory->InitializeFromMemory(const_cast<BYTE*>(source.data), static_cast<DWORD>(size))))
            return RowDecode::Failed;
        stream = memory.get();
    } else {
        file = ComPtr<IStream>::adopt(new FileStream(source.file, size));
        stream = file.get();
    }
    if (FAILED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())))
        return RowDecode::Failed;
    UINT width = 0, height = 0;
    // A small file that claims a huge picture is refused before anything is allocated for it.
    if (FAILED(frame->GetSize(&width, &height)) || !pictureSizeAllowed(width, height) ||
        !pixelsFitData(width, height, static_cast<size_t>(std::min<uint64_t>(size, SIZE_MAX)), 16384))
        return RowDecode::Failed;

    RowStreamHeader header;
    header.fullWidth = width;
    header.fullHeight = height;
    header.mayHaveAlpha = format != kFormatJpeg;
    // A JPEG's profile is read from its markers by the caller, as for the whole-picture decode.
    if (format != kFormatJpeg) header.icc = firstColourProfile(factory.get(), frame.get());
    // WIC gives a TIFF's rows as stored, whatever its orientation tag says; the receiver turns them.
    if (format == kFormatTiff) header.orientation = tiffOrientation(source);
    const uint32_t d = format == kFormatJpeg ? jpegScaleDenominator(width, height, hint) : 1;
    const uint32_t scaledW = (width + d - 1) / d, scaledH = (height + d - 1) / d;
    if (d > 1) {
        const RowDecode scaled = scaledBands(factory.get(), frame.get(), scaledW, scaledH, header, receiver);
        if (scaled != RowDecode::Unsupported) return scaled;
    }
    return fullBands(frame.get(), width, height, scaledW, scaledH, header, receiver);
}

}  // namespace

RowDecode platformDecodeRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver)
{
    if (format != kFormatJpeg && format != kFormatPng && format != kFormatGif && format != kFormatBmp &&
        format != kFormatTiff && format != kFormatIco) {
        receiver.explain("no reader for this kind of picture");
        return RowDecode::Unsupported;
    }
    try {
        return decodeWicRows(source, format, hint, receiver);
    } catch (const std::bad_alloc&) {
        return RowDecode::NoMemory;
    }
}
