#pragma once
// Inside the picture class: what picture.cpp, the platform codec back ends and the program's own
// format readers share. Not for callers outside the picture code; they use picture.h.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/picture.h"

// A decoded picture before orientation: BGRA, straight alpha, rows packed, top down.
struct DecodedPicture {
    uint32_t width = 0;        // the decoded buffer
    uint32_t height = 0;
    uint32_t fullWidth = 0;    // the picture as stored; larger than the buffer after a reduced-scale decode
    uint32_t fullHeight = 0;
    std::vector<uint8_t> bgra;
    std::vector<uint8_t> icc;  // embedded colour profile, when the format carries one
};

// What an encoder is given: the picture at the size to be written.
struct EncodeInput {
    const uint8_t* bgra = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasAlpha = false;
    const std::vector<uint8_t>* icc = nullptr;
    int jpegQuality = kDefaultJpegQuality;
};

// Sizes the buffer for width x height pixels, buffer size = full size; false (and nothing
// allocated) when a side is 0 or the picture is larger than kMaxPicturePixels.
bool allocatePicture(DecodedPicture& out, uint32_t width, uint32_t height);
bool pictureSizeAllowed(uint64_t width, uint64_t height);
// Whether `bytes` of compressed data can hold width x height pixels when one byte expands to at
// most `pixelsPerByte` pixels: a small file that claims a huge picture is refused before
// anything is allocated for it.
inline bool pixelsFitData(uint64_t width, uint64_t height, size_t bytes, uint64_t pixelsPerByte)
{
    return width * height <= static_cast<uint64_t>(bytes) * pixelsPerByte;
}

// The denominator (1, 2, 4 or 8) of the smallest JPEG DCT scale whose result, ceil(side / d), is
// still at least the size the hint asks for. The hint is in stored orientation.
uint32_t jpegScaleDenominator(uint32_t width, uint32_t height, const PictureSizeHint& hint);

// The format that the content shows by its signature; kFormatUnknown when none is certain.
int detectFormat(const uint8_t* data, size_t size);
// Formats without a signature, recognised by a header that holds together; used only when
// nothing else fits.
bool looksLikeTga(const uint8_t* data, size_t size);
bool looksLikeWbmp(const uint8_t* data, size_t size);

// --- Platform back end (picture_codec_posix.cpp / picture_wic_win.cpp) ------------------------
// JPEG, PNG, GIF (first frame), BMP, TIFF, ICO. `hint` is in stored orientation.
bool platformDecode(const uint8_t* data, size_t size, int format, const PictureSizeHint& hint,
                    DecodedPicture& out);
// JPEG, PNG, BMP and GIF.
bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out);

// --- The program's own readers and writers (portable) ------------------------------------------
bool decodeTga(const uint8_t* data, size_t size, DecodedPicture& out);
bool decodePnm(const uint8_t* data, size_t size, DecodedPicture& out);
bool decodePcx(const uint8_t* data, size_t size, DecodedPicture& out);
bool decodeWbmp(const uint8_t* data, size_t size, DecodedPicture& out);
bool decodeRas(const uint8_t* data, size_t size, DecodedPicture& out);
bool decodeBmp(const uint8_t* data, size_t size, DecodedPicture& out);
// ICO and CUR; entries stored as PNG are handed to platformDecode.
bool decodeIco(const uint8_t* data, size_t size, DecodedPicture& out);
// 24-bit bottom-up BMP; alpha is laid over white.
bool encodeBmp(const EncodeInput& in, std::vector<uint8_t>& out);

// Colour of a pixel laid over white, for formats that keep no alpha (JPEG, BMP).
inline uint8_t overWhite(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}
