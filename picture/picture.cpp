// CPicture: the parts shared by every platform. Decoding and encoding of the common formats is in
// the platform back end (picture_codec_posix.cpp, picture_wic_win.cpp); the rarer formats have
// readers of their own (picture_tga.cpp, ...); resampling and rotation are resample.cpp and
// rotate.cpp, so every platform makes the same pixels.

#include "picture/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "base/file_system.h"
#include "picture/picture_codec.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/resample.h"
#include "picture/rotate.h"

namespace {

thread_local PictureMemoryGate* tMemoryGate = nullptr;

// Pictures are read whole; a file larger than this is no picture we could hold anyway.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

bool anyTransparent(const std::vector<uint8_t>& bgra)
{
    for (size_t i = 3; i < bgra.size(); i += 4)
        if (bgra[i] != 255) return true;
    return false;
}

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

bool decodeFormat(int format, const uint8_t* data, size_t size, const PictureSizeHint& hint, DecodedPicture& out)
{
    switch (format) {
    case kFormatTga: return decodeTga(data, size, out);
    case kFormatPnm: return decodePnm(data, size, out);
    case kFormatPcx: return decodePcx(data, size, out);
    case kFormatWbmp: return decodeWbmp(data, size, out);
    case kFormatRas: return decodeRas(data, size, out);
    case kFormatJpeg:
    case kFormatPng:
    case kFormatGif:
    case kFormatBmp:
    case kFormatTiff:
    case kFormatIco: return platformDecode(data, size, format, hint, out);
    default: return false;  // WMF, JPEG 2000, PGX: no decoder here
    }
}

RowDecode decodeFormatRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver)
{
    switch (format) {
    case kFormatTga: return decodeTgaRows(source, receiver);
    case kFormatPnm: return decodePnmRows(source, receiver);
    case kFormatPcx: return decodePcxRows(source, receiver);
    case kFormatWbmp: return decodeWbmpRows(source, receiver);
    case kFormatRas: return decodeRasRows(source, receiver);
    default: return platformDecodeRows(source, format, hint, receiver);
    }
}

bool decodeWholeByRows(RowDecode (*rows)(const ByteSource&, RowReceiver&), const uint8_t* data, size_t size,
                       DecodedPicture& out)
{
    ByteSource source;
    source.data = data;
    source.size = data ? size : 0;
    PictureBufferReceiver receiver(out);
    RowDecode result = RowDecode::Failed;
    try {
        result = rows(source, receiver);
    } catch (const std::bad_alloc&) {
    }
    if (result == RowDecode::Done && receiver.complete()) return true;
    out = {};
    return false;
}

int candidateFormats(const uint8_t* bytes, size_t size, int formatCode, int (&candidates)[3])
{
    candidates[0] = candidates[1] = candidates[2] = kFormatUnknown;
    if (int detected = detectFormat(bytes, size); detected != kFormatUnknown) {
        candidates[0] = detected;
        return 1;
    }
    int n = 0;
    if (formatCode != kFormatUnknown) candidates[n++] = formatCode;
    if (formatCode != kFormatTga && looksLikeTga(bytes, size)) candidates[n++] = kFormatTga;
    if (formatCode != kFormatWbmp && looksLikeWbmp(bytes, size)) candidates[n++] = kFormatWbmp;
    return n;
}

bool pictureSizeAllowed(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
           width * height <= kMaxPicturePixels;
}

ScopedPictureMemoryGate::ScopedPictureMemoryGate(PictureMemoryGate& gate) : previous_(tMemoryGate)
{
    tMemoryGate = &gate;
}

ScopedPictureMemoryGate::~ScopedPictureMemoryGate() { tMemoryGate = previous_; }

PictureMemoryGate* currentPictureMemoryGate() { return tMemoryGate; }

bool allocatePicture(DecodedPicture& out, uint32_t width, uint32_t height)
{
    if (!pictureSizeAllowed(width, height)) return false;
    if (tMemoryGate && !tMemoryGate->allowPixels(uint64_t{width} * height * 4)) return false;
    try {
        out.bgra.assign(static_cast<size_t>(width) * height * 4, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.width = out.fullWidth = width;
    out.height = out.fullHeight = height;
    return true;
}

bool PictureBufferReceiver::header(const RowStreamHeader& header)
{
    rowsIn_ = 0;
    if (!allocatePicture(out_, header.width, header.height)) return false;
    out_.fullWidth = header.fullWidth;
    out_.fullHeight = header.fullHeight;
    out_.icc = header.icc;
    return true;
}

bool PictureBufferReceiver::rows(const uint8_t* bgra, uint32_t count)
{
    if (count > out_.height - rowsIn_) return false;
    const size_t stride = static_cast<size_t>(out_.width) * 4;
    uint8_t* target = out_.bgra.data() + rowsIn_ * stride;
    if (bgra != target) std::copy(bgra, bgra + count * stride, target);
    rowsIn_ += count;
    return true;
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

CPicture::CPicture(const std::string& path, int formatCode, PictureSizeHint hint) { Load(path, formatCode, hint); }

bool CPicture::Load(const std::string& path, int formatCode, PictureSizeHint hint)
{
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, kMaxFileBytes)) {
        Destroy();
        return false;
    }
    return loadMemory(bytes.data(), bytes.size(), formatCode, hint);
}

bool CPicture::loadMemory(const void* data, size_t size, int formatCode, PictureSizeHint hint)
{
    Destroy();
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size == 0) return false;

    // The content decides; the caller's code (from the file name) only helps with the formats
    // that have no signature.
    int candidates[3];
    candidateFormats(bytes, size, formatCode, candidates);

    Orientation orientation = Orientation::Normal;
    std::vector<uint8_t> jpegIcc;
    for (int format : candidates) {
        if (format == kFormatUnknown) break;
        PictureSizeHint storedHint = hint;
        if (format == kFormatJpeg) {
            JpegMarkerInfo markers = readJpegMarkers(bytes, size);
            orientation = static_cast<Orientation>(markers.orientation);
            jpegIcc = std::move(markers.icc);
            if (swapsSides(orientation)) storedHint = hint.swapped();
        }
        DecodedPicture decoded;
        if (!decodeFormat(format, bytes, size, storedHint, decoded)) continue;
        if (decoded.width == 0 || decoded.height == 0 ||
            decoded.bgra.size() != static_cast<size_t>(decoded.width) * decoded.height * 4)
            continue;
        if (decoded.fullWidth < decoded.width || decoded.fullHeight < decoded.height) {
            decoded.fullWidth = decoded.width;
            decoded.fullHeight = decoded.height;
        }
        if (format != kFormatJpeg) orientation = decoded.orientation;
        if (orientation != Orientation::Normal) {
            std::vector<uint8_t> turned;
            if (!orientPixels(decoded.bgra.data(), decoded.width, decoded.height, orientation, turned)) return false;
            decoded.bgra = std::move(turned);
            if (swapsSides(orientation)) {
                std::swap(decoded.width, decoded.height);
                std::swap(decoded.fullWidth, decoded.fullHeight);
            }
        }
        pixels_ = std::move(decoded.bgra);
        bufferWidth_ = decoded.width;
        bufferHeight_ = decoded.height;
        width_ = decoded.fullWidth;
        height_ = decoded.fullHeight;
        hasAlpha_ = anyTransparent(pixels_);
        iccProfile_ = format == kFormatJpeg ? std::move(jpegIcc) : std::move(decoded.icc);
        sourceFormat_ = format;
        return true;
    }
    return false;
}

bool CPicture::saveMemory(std::vector<uint8_t>& out, int formatCode) const
{
    out.clear();
    if (!IsValid()) return false;
    if (formatCode != kFormatJpeg && formatCode != kFormatPng && formatCode != kFormatBmp && formatCode != kFormatGif)
        return false;
    std::vector<uint8_t> full;
    if (!pixelsAtTrueSize(full)) return false;
    EncodeInput in;
    in.bgra = full.empty() ? pixels_.data() : full.data();
    in.width = width_;
    in.height = height_;
    in.hasAlpha = hasAlpha_;
    in.icc = &iccProfile_;
    in.jpegQuality = jpegQuality_;
    try {
        return platformEncode(in, formatCode, out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

bool CPicture::Save(const std::string& path, int formatCode) const
{
    std::vector<uint8_t> bytes;
    if (!saveMemory(bytes, formatCode)) return false;
    std::FILE* f = openFile(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return true;
    removeFile(path);
    return false;
}

void CPicture::setJpegQuality(int quality) { jpegQuality_ = std::clamp(quality, 1, 100); }

bool CPicture::pixelsAtTrueSize(std::vector<uint8_t>& out) const
{
    out.clear();
    if (bufferWidth_ == width_ && bufferHeight_ == height_) return true;  // the buffer itself
    if (!pictureSizeAllowed(width_, height_)) return false;
    try {
        out.resize(static_cast<size_t>(width_) * height_ * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return resampleBgra(pixels_.data(), bufferWidth_, bufferHeight_, out.data(), width_, height_, true, hasAlpha_);
}

bool CPicture::Resample2(uint32_t newWidth, uint32_t newHeight, int /*interpolation*/, int /*overflow*/,
                         CPicture* destination, bool averaging)
{
    if (!IsValid() || !pictureSizeAllowed(newWidth, newHeight)) return false;
    std::vector<uint8_t> out;
    try {
        out.resize(static_cast<size_t>(newWidth) * newHeight * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (newWidth == bufferWidth_ && newHeight == bufferHeight_)
        std::copy(pixels_.begin(), pixels_.end(), out.begin());
    else if (!resampleBgra(pixels_.data(), bufferWidth_, bufferHeight_, out.data(), newWidth, newHeight, averaging,
                           hasAlpha_))
        return false;
    CPicture& target = destination ? *destination : *this;
    if (destination && destination != this) {
        target.iccProfile_ = iccProfile_;
        target.jpegQuality_ = jpegQuality_;
        target.sourceFormat_ = sourceFormat_;
    }
    target.resetTo(newWidth, newHeight, std::move(out));
    return true;
}

bool CPicture::Rotate(float angle, CPicture* destination)
{
    if (!IsValid() || !std::isfinite(angle) || std::fmod(angle, 90.0f) != 0.0f) return false;
    const auto quarterTurns = static_cast<int>(std::lround(angle / 90.0f) % 4);
    const Orientation turn = orientationOfQuarterTurns(quarterTurns);
    CPicture& target = destination ? *destination : *this;
    if (destination && destination != this) target = *this;
    if (turn == Orientation::Normal) return true;
    std::vector<uint8_t> turned;
    if (!orientPixels(target.pixels_.data(), target.bufferWidth_, target.bufferHeight_, turn, turned)) return false;
    target.pixels_ = std::move(turned);
    if (swapsSides(turn)) {
        std::swap(target.bufferWidth_, target.bufferHeight_);
        std::swap(target.width_, target.height_);
    }
    return true;
}

void CPicture::Destroy()
{
    std::vector<uint8_t>().swap(pixels_);
    bufferWidth_ = bufferHeight_ = width_ = height_ = 0;
    hasAlpha_ = false;
    iccProfile_.clear();
    sourceFormat_ = kFormatUnknown;
}

bool CPicture::setPixels(uint32_t width, uint32_t height, std::vector<uint8_t> bgra)
{
    if (!pictureSizeAllowed(width, height) || bgra.size() != static_cast<size_t>(width) * height * 4) return false;
    resetTo(width, height, std::move(bgra));
    return true;
}

void CPicture::resetTo(uint32_t width, uint32_t height, std::vector<uint8_t> bgra)
{
    pixels_ = std::move(bgra);
    bufferWidth_ = width_ = width;
    bufferHeight_ = height_ = height;
    hasAlpha_ = anyTransparent(pixels_);
}
