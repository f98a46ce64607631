// The JPEG encoder fed by rows on Windows: WIC's frame encoder is given the rows a band at a
// time (WritePixels as they are made), so no picture of the output's size is held here; the
// encoded bytes gather in memory (the decoder by rows is picture_wic_rows_win.cpp).

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <new>

#include "base/com_ptr_win.h"
#include "picture/picture_codec.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/picture_wic_win.h"

namespace {

// Rows handed to WIC at a time.
constexpr uint32_t kBandRows = 16;

}  // namespace

struct JpegRowEncoder::State {
    ComScope com{COINIT_MULTITHREADED};
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    std::vector<uint8_t> band;  // 24-bit BGR rows, alpha laid over white, each padded to `stride`
    UINT stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t inBand = 0;
    uint32_t rowsIn = 0;
    std::vector<uint8_t> icc;
    PictureByteSink* sink = nullptr;
    bool failed = false;

    bool start(int quality)
    {
        ComPtr<IPropertyBag2> options;
        if (!makeWicFactory(factory) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
            FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
            FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
            FAILED(encoder->CreateNewFrame(frame.put(), options.put())))
            return false;
        setEncoderJpegQuality(options.get(), quality);
        WICPixelFormatGUID asked = GUID_WICPixelFormat24bppBGR;
        return SUCCEEDED(frame->Initialize(options.get())) && SUCCEEDED(frame->SetSize(width, height)) &&
               SUCCEEDED(frame->SetPixelFormat(&asked)) && asked == GUID_WICPixelFormat24bppBGR;
    }

    bool flush()
    {
        if (inBand == 0) return true;
        const UINT bytes = stride * inBand;
        if (FAILED(frame->WritePixels(inBand, stride, bytes, band.data()))) return false;
        inBand = 0;
        return true;
    }
};

JpegRowEncoder::JpegRowEncoder() = default;
JpegRowEncoder::~JpegRowEncoder() = default;

uint64_t JpegRowEncoder::workingBytes(uint32_t width, uint32_t)
{
    // The band here, and about as much again inside WIC's encoder.
    return uint64_t{width} * 3 * kBandRows + uint64_t{width} * 3 * 32 + (uint64_t{64} << 10);
}

bool JpegRowEncoder::begin(uint32_t width, uint32_t height, int quality, const std::vector<uint8_t>* icc,
                           PictureByteSink* sink)
{
    state_.reset();
    if (!pictureSizeAllowed(width, height) || width > 0xFFFFu || height > 0xFFFFu) return false;
    try {
        auto st = std::make_unique<State>();
        st->width = width;
        st->height = height;
        st->stride = (width * 3 + 3) / 4 * 4;
        st->band.resize(static_cast<size_t>(st->stride) * std::min(kBandRows, height));
        if (icc) st->icc = *icc;
        st->sink = sink;
        if (!st->start(quality)) return false;
        state_ = std::move(st);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool JpegRowEncoder::rows(const uint8_t* bgra, uint32_t count)
{
    State* st = state_.get();
    if (!st || st->failed || count > st->height - st->rowsIn) return false;
    for (uint32_t k = 0; k < count; ++k, bgra += static_cast<size_t>(st->width) * 4) {
        // JPEG keeps no alpha: transparent parts are laid over white (an opaque pixel stays as it is).
        uint8_t* dst = st->band.data() + static_cast<size_t>(st->inBand) * st->stride;
        const uint8_t* src = bgra;
        for (uint32_t x = 0; x < st->width; ++x, src += 4, dst += 3)
            dst[0] = overWhite(src[0], src[3]), dst[1] = overWhite(src[1], src[3]), dst[2] = overWhite(src[2], src[3]);
        ++st->rowsIn;
        if (++st->inBand == kBandRows && !st->flush()) {
            st->failed = true;
            return false;
        }
    }
    return true;
}

bool JpegRowEncoder::finish(std::vector<uint8_t>& out)
{
    out.clear();
    State* st = state_.get();
    bool ok = st && !st->failed && st->rowsIn == st->height && st->flush() && SUCCEEDED(st->frame->Commit()) &&
              SUCCEEDED(st->encoder->Commit());
    try {
        std::vector<uint8_t> bytes;
        ok = ok && bytesOfStream(st->stream.get(), bytes);
        if (ok && !st->icc.empty())
            ok = insertIccProfile(bytes, st->icc, out);
        else if (ok)
            out = std::move(bytes);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    PictureByteSink* sink = st ? st->sink : nullptr;
    state_.reset();
    if (!ok) {
        out.clear();
        return false;
    }
    if (sink) {
        // WIC writes into memory; the sink gets the finished file in one piece.
        ok = sink->write(out.data(), out.size());
        std::vector<uint8_t>().swap(out);
    }
    return ok;
}
