// CPicture: a picture held whole. It is one more receiver of the format readers' rows (the format
// table, picture_formats.h), and is written through the table's encoders; resampling and
// rotation are resample.cpp and rotate.cpp, so every platform makes the same pixels.

#include "picture/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "base/file_system.h"
#include "picture/picture_codec.h"
#include "picture/picture_formats.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/resample.h"
#include "picture/rotate.h"

namespace {

// Pictures are read whole; a file larger than this is no picture we could hold anyway.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

bool anyTransparent(const std::vector<uint8_t>& bgra)
{
    for (size_t i = 3; i < bgra.size(); i += 4)
        if (bgra[i] != 255) return true;
    return false;
}

}  // namespace

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

    const ByteSource source{bytes, size};
    for (int format : candidates) {
        if (format == kFormatUnknown) break;
        // A JPEG's EXIF orientation and profile are in its markers; other formats say theirs
        // in the rows' header.
        PictureSizeHint storedHint = hint;
        Orientation orientation = Orientation::Normal;
        std::vector<uint8_t> jpegIcc;
        if (format == kFormatJpeg) {
            JpegMarkerInfo markers = readJpegMarkers(bytes, size);
            orientation = static_cast<Orientation>(markers.orientation);
            jpegIcc = std::move(markers.icc);
            if (swapsSides(orientation)) storedHint = hint.swapped();
        }
        DecodedPicture decoded;
        if (!decodePicture(format, source, storedHint, decoded)) continue;
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
    const PictureFormat* format = pictureFormat(formatCode);
    if (!IsValid() || !format || !format->encodeRows) return false;
    std::vector<uint8_t> full;
    if (!pixelsAtTrueSize(full)) return false;
    EncodeInput in;
    in.width = width_;
    in.height = height_;
    in.hasAlpha = hasAlpha_;
    in.icc = &iccProfile_;
    in.jpegQuality = jpegQuality_;
    try {
        const std::unique_ptr<PictureRowEncoder> encoder = format->encodeRows();
        if (encoder->begin(in, nullptr) && encoder->rows(full.empty() ? pixels_.data() : full.data(), height_) &&
            encoder->finish(out))
            return true;
    } catch (const std::bad_alloc&) {
    }
    out.clear();
    return false;
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
