// The JPEG encoder fed by rows on Windows: it gathers its rows and hands them to WIC's frame
// encoder at the end (the decoder by rows is picture_wic_rows_win.cpp).

#include <new>

#include "picture/picture_codec.h"

struct JpegRowEncoder::State {
    std::vector<uint8_t> pixels;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rowsIn = 0;
    int quality = kDefaultJpegQuality;
    std::vector<uint8_t> icc;
    PictureByteSink* sink = nullptr;
};

JpegRowEncoder::JpegRowEncoder() = default;
JpegRowEncoder::~JpegRowEncoder() = default;

uint64_t JpegRowEncoder::workingBytes(uint32_t width, uint32_t height)
{
    return uint64_t{width} * height * 4 + (uint64_t{64} << 10);
}

bool JpegRowEncoder::begin(uint32_t width, uint32_t height, int quality, const std::vector<uint8_t>* icc,
                           PictureByteSink* sink)
{
    state_.reset();
    if (!pictureSizeAllowed(width, height)) return false;
    try {
        auto st = std::make_unique<State>();
        st->pixels.resize(static_cast<size_t>(width) * height * 4);
        st->width = width;
        st->height = height;
        st->quality = quality;
        if (icc) st->icc = *icc;
        st->sink = sink;
        state_ = std::move(st);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool JpegRowEncoder::rows(const uint8_t* bgra, uint32_t count)
{
    State* st = state_.get();
    if (!st || count > st->height - st->rowsIn) return false;
    const size_t stride = static_cast<size_t>(st->width) * 4;
    std::copy(bgra, bgra + count * stride, st->pixels.begin() + static_cast<ptrdiff_t>(st->rowsIn * stride));
    st->rowsIn += count;
    return true;
}

bool JpegRowEncoder::finish(std::vector<uint8_t>& out)
{
    out.clear();
    State* st = state_.get();
    if (!st || st->rowsIn != st->height) return false;
    EncodeInput in;
    in.bgra = st->pixels.data();
    in.width = st->width;
    in.height = st->height;
    for (size_t i = 3; i < st->pixels.size() && !in.hasAlpha; i += 4) in.hasAlpha = st->pixels[i] != 255;
    in.icc = &st->icc;
    in.jpegQuality = st->quality;
    bool ok = false;
    try {
        ok = platformEncode(in, kFormatJpeg, out);
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    PictureByteSink* sink = st->sink;
    state_.reset();
    if (ok && sink) {
        // WIC made the whole file in memory; the sink still gets it in one piece.
        ok = sink->write(out.data(), out.size());
        std::vector<uint8_t>().swap(out);
    }
    return ok;
}
