// The format table, and what every reader and writer is run through.

#include "picture/picture_formats.h"

#include <algorithm>
#include <cstring>
#include <new>

#ifndef FOTOLOOM_NO_CODECS
#include "picture/picture_heif.h"
#include "picture/picture_webp.h"
#endif

namespace {

// The platform's formats go through its back end, one seam per platform.
template <int Format> RowDecode platformRows(const ByteSource& source, const PictureSizeHint& hint, RowReceiver& r)
{
    return platformDecodeRows(source, Format, hint, r);
}

template <RowDecode (*Reader)(const ByteSource&, RowReceiver&)>
RowDecode ownRows(const ByteSource& source, const PictureSizeHint&, RowReceiver& receiver)
{
    return Reader(source, receiver);
}

// Formats the platform writes whole (PNG, BMP, GIF): the rows gather here and are encoded at the
// end, since each needs the whole picture anyway (GIF its palette, PNG its one compressed stream).
template <int Format> class WholeRowEncoder final : public PictureRowEncoder {
public:
    bool begin(const EncodeInput& in, PictureByteSink* sink) override
    {
        if (!pictureSizeAllowed(in.width, in.height)) return false;
        header_ = in;
        header_.bgra = nullptr;
        if (in.icc) icc_ = *in.icc;
        header_.icc = &icc_;
        sink_ = sink;
        try {
            pixels_.reserve(static_cast<size_t>(in.width) * in.height * 4);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    bool rows(const uint8_t* bgra, uint32_t count) override
    {
        const size_t bytes = static_cast<size_t>(header_.width) * 4 * count;
        if (bytes > pixels_.capacity() - pixels_.size()) return false;
        pixels_.insert(pixels_.end(), bgra, bgra + bytes);
        return true;
    }
    bool finish(std::vector<uint8_t>& out) override
    {
        out.clear();
        if (pixels_.size() != static_cast<size_t>(header_.width) * header_.height * 4) return false;
        header_.bgra = pixels_.data();
        try {
            if (!platformEncode(header_, Format, out)) return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!sink_) return true;
        const bool written = sink_->write(out.data(), out.size());
        std::vector<uint8_t>().swap(out);
        return written;
    }

private:
    EncodeInput header_;
    std::vector<uint8_t> icc_;
    std::vector<uint8_t> pixels_;
    PictureByteSink* sink_ = nullptr;
};

template <typename Encoder> std::unique_ptr<PictureRowEncoder> makeEncoder() { return std::make_unique<Encoder>(); }

template <size_t N> bool startsWith(const uint8_t* d, size_t n, const char (&magic)[N])
{
    return n >= N - 1 && std::memcmp(d, magic, N - 1) == 0;
}

bool isJpeg(const uint8_t* d, size_t n) { return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF; }
bool isPng(const uint8_t* d, size_t n) { return startsWith(d, n, "\x89PNG\r\n\x1a\n"); }
bool isGif(const uint8_t* d, size_t n) { return startsWith(d, n, "GIF87a") || startsWith(d, n, "GIF89a"); }
bool isBmp(const uint8_t* d, size_t n) { return n >= 18 && d[0] == 'B' && d[1] == 'M'; }
bool isTiff(const uint8_t* d, size_t n) { return startsWith(d, n, "II*\0") || startsWith(d, n, "MM\0*"); }
bool isIco(const uint8_t* d, size_t n)
{
    return n >= 6 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0 && (d[4] | d[5]) != 0;
}
bool isPnmWhitespace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#'; }
bool isPnm(const uint8_t* d, size_t n)
{
    return n >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6' && isPnmWhitespace(d[2]);
}
bool isRas(const uint8_t* d, size_t n) { return startsWith(d, n, "\x59\xA6\x6A\x95"); }
bool isPcx(const uint8_t* d, size_t n)
{
    return n >= 128 && d[0] == 0x0A && d[1] <= 5 && d[2] == 1 && (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8);
}

const PictureFormat kFormats[] = {
    {kFormatJpeg, "JPEG", isJpeg, true, platformRows<kFormatJpeg>, makeEncoder<JpegRowEncoder>},
    {kFormatPng, "PNG", isPng, true, platformRows<kFormatPng>, makeEncoder<WholeRowEncoder<kFormatPng>>},
    {kFormatGif, "GIF", isGif, true, platformRows<kFormatGif>, makeEncoder<WholeRowEncoder<kFormatGif>>},
    {kFormatBmp, "BMP", isBmp, true, platformRows<kFormatBmp>, makeEncoder<WholeRowEncoder<kFormatBmp>>},
    {kFormatTiff, "TIFF", isTiff, true, platformRows<kFormatTiff>, nullptr},
    {kFormatIco, "ICO", isIco, true, platformRows<kFormatIco>, nullptr},
    {kFormatPnm, "PNM", isPnm, true, ownRows<decodePnmRows>, nullptr},
    {kFormatRas, "Sun raster", isRas, true, ownRows<decodeRasRows>, nullptr},
    {kFormatPcx, "PCX", isPcx, true, ownRows<decodePcxRows>, nullptr},
#ifndef FOTOLOOM_NO_CODECS
    {kFormatWebp, "WebP", looksLikeWebp, true, ownRows<decodeWebpRows>, makeEncoder<WebpRowEncoder>},
    {kFormatAvif, "AVIF", looksLikeAvif, true, ownRows<decodeHeifRows>, makeEncoder<AvifRowEncoder>},
#endif
    {kFormatTga, "TGA", looksLikeTga, false, ownRows<decodeTgaRows>, nullptr},
    {kFormatWbmp, "WBMP", looksLikeWbmp, false, ownRows<decodeWbmpRows>, nullptr},
};

// Size the fit arithmetic of the build gives: first to the box's width, then to its height.
void fittedSize(uint32_t width, uint32_t height, const PictureSizeHint& hint, uint32_t& outW, uint32_t& outH)
{
    uint64_t w = width, h = height;
    if (hint.width && w > hint.width) {
        h = h * hint.width / w;
        w = hint.width;
    }
    if (hint.height && h > hint.height) {
        w = w * hint.height / h;
        h = hint.height;
    }
    outW = static_cast<uint32_t>(std::max<uint64_t>(w, 1));
    outH = static_cast<uint32_t>(std::max<uint64_t>(h, 1));
}

}  // namespace

std::span<const PictureFormat> pictureFormats() { return kFormats; }

const PictureFormat* pictureFormat(int code)
{
    for (const PictureFormat& f : kFormats)
        if (f.code == code) return &f;
    return nullptr;
}

int detectFormat(const uint8_t* data, size_t size)
{
    if (!data) return kFormatUnknown;
    for (const PictureFormat& f : kFormats)
        if (f.signature && f.detect(data, size)) return f.code;
    return kFormatUnknown;
}

int candidateFormats(const uint8_t* bytes, size_t size, int formatCode, int (&candidates)[3])
{
    candidates[0] = candidates[1] = candidates[2] = kFormatUnknown;
    if (int detected = detectFormat(bytes, size); detected != kFormatUnknown) {
        candidates[0] = detected;
        return 1;
    }
    int n = 0;
    if (formatCode != kFormatUnknown && pictureFormat(formatCode)) candidates[n++] = formatCode;
    for (const PictureFormat& f : kFormats)
        if (!f.signature && f.code != formatCode && bytes && f.detect(bytes, size) && n < 3) candidates[n++] = f.code;
    return n;
}

RowDecode decodeFormatRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver)
{
    const PictureFormat* f = pictureFormat(format);
    if (!f) {
        receiver.explain("no reader for this kind of picture");
        return RowDecode::Unsupported;
    }
    try {
        return f->decodeRows(source, hint, receiver);
    } catch (const std::bad_alloc&) {
        return RowDecode::NoMemory;
    }
}

PictureFailure failureOf(RowDecode result, uint32_t rowsIn, uint32_t rows, const std::string& explanation)
{
    PictureFailure why;
    why.row = rowsIn;
    why.rows = rows;
    why.detail = explanation;
    switch (result) {
    case RowDecode::Done: why.problem = rowsIn < rows ? PictureProblem::Truncated : PictureProblem::None; break;
    case RowDecode::Truncated: why.problem = PictureProblem::Truncated; break;
    case RowDecode::Failed: why.problem = PictureProblem::Damaged; break;
    case RowDecode::NoMemory: why.problem = PictureProblem::NoMemory; break;
    case RowDecode::Unsupported: why.problem = PictureProblem::Unsupported; break;
    case RowDecode::TooLarge: why.problem = PictureProblem::TooLarge; break;
    }
    return why;
}

bool decodePicture(int format, const ByteSource& source, const PictureSizeHint& hint, DecodedPicture& out,
                   PictureFailure* why)
{
    out = {};
    PictureBufferReceiver receiver(out);
    const RowDecode result = decodeFormatRows(source, format, hint, receiver);
    if (result == RowDecode::Done && receiver.complete()) return true;
    if (why) *why = failureOf(result, receiver.rowsIn(), out.height, receiver.explanation());
    out = {};
    return false;
}

uint32_t jpegScaleDenominator(uint32_t width, uint32_t height, const PictureSizeHint& hint)
{
    if (hint.mode == PictureSizeHint::Mode::None || width == 0 || height == 0) return 1;
    uint32_t needW = hint.width, needH = hint.height;
    if (hint.mode == PictureSizeHint::Mode::FitInto) fittedSize(width, height, hint, needW, needH);
    for (uint32_t d : {8u, 4u, 2u}) {
        const uint32_t w = (width + d - 1) / d;
        const uint32_t h = (height + d - 1) / d;
        if (w >= needW && h >= needH) return d;
    }
    return 1;
}
