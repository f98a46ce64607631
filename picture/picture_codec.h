#pragma once
// Inside the picture class: what picture.cpp, the platform codec back ends and the program's own
// format readers share. Not for callers outside the picture code; they use picture.h.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_byte_sink.h"
#include "picture/rotate.h"

// A decoded picture before orientation: BGRA, straight alpha, rows packed, top down.
struct DecodedPicture {
    uint32_t width = 0;  // the decoded buffer
    uint32_t height = 0;
    uint32_t fullWidth = 0;  // the picture as stored; larger than the buffer after a reduced-scale decode
    uint32_t fullHeight = 0;
    std::vector<uint8_t> bgra;
    std::vector<uint8_t> icc;  // embedded colour profile, when the format carries one
    // How the pixels are to be turned to be seen as meant, when the format says so itself (TIFF's
    // orientation tag); a JPEG's EXIF orientation is read by the caller.
    Orientation orientation = Orientation::Normal;
};

// What an encoder is given: the picture at the size to be written.
struct EncodeInput {
    const uint8_t* bgra = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasAlpha = false;
    const std::vector<uint8_t>* icc = nullptr;
    int jpegQuality = kDefaultJpegQuality;
    int webpQuality = kDefaultWebpQuality;
    int avifQuality = kDefaultAvifQuality;
    int avifSpeed = kDefaultAvifSpeed;
};

// Sizes the buffer for width x height pixels, buffer size = full size; false (and nothing
// allocated) when a side is 0, the picture is larger than kMaxPicturePixels or the thread's
// memory gate refuses.
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
// still at least the size the hint asks for. The hint is in stored orientation. Every JPEG
// decoder (and one that cannot scale, shrinking what it gave) asks this and nothing else.
uint32_t jpegScaleDenominator(uint32_t width, uint32_t height, const PictureSizeHint& hint);

// --- Decoding by rows ---------------------------------------------------------------------------
// Where a decoder reads: bytes in memory, or else an open file from its start.
struct ByteSource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::FILE* file = nullptr;
    uint64_t fileSize = 0;
    uint64_t bytes() const { return data ? size : fileSize; }
};

// What a decoder says before its first row.
struct RowStreamHeader {
    uint32_t width = 0;  // the rows that will come (after any reduced-scale decode)
    uint32_t height = 0;
    uint32_t fullWidth = 0;  // the picture as stored
    uint32_t fullHeight = 0;
    bool mayHaveAlpha = true;   // false: every pixel is opaque
    uint64_t decoderBytes = 0;  // what the decoder itself holds while it runs
    std::vector<uint8_t> icc;   // embedded colour profile, when the format carries one in its header
    Orientation orientation = Orientation::Normal;  // as DecodedPicture::orientation
};

// Takes a decoder's rows: 8-bit BGRA, straight alpha, packed, top down. Never throws.
class RowReceiver {
public:
    virtual ~RowReceiver() = default;
    // Before any row; false stops the decode.
    virtual bool header(const RowStreamHeader& header) = 0;
    // `count` rows following those before; false stops the decode.
    virtual bool rows(const uint8_t* bgra, uint32_t count) = 0;
    // A receiver that keeps the whole picture gives its buffer (after header), so that a decoder
    // that must read whole (interlaced PNG) reads into it and hands it over without a copy.
    virtual uint8_t* pictureBuffer() { return nullptr; }

    // A decoder about to fail says why in a few words ("16-bit samples", the library's message);
    // the last word counts.
    void explain(std::string why) { why_ = std::move(why); }
    const std::string& explanation() const { return why_; }

private:
    std::string why_;
};

// Failed: the data does not hold together; Truncated: it ends before the last row; Unsupported:
// a variant of the format that is not read; TooLarge: more pixels than a picture may have (both
// explained to the receiver).
enum class RowDecode { Done, Failed, Truncated, NoMemory, Unsupported, TooLarge };

// A picture larger than kMaxPicturePixels, refused with its size told.
RowDecode refuseSize(RowReceiver& receiver, uint64_t width, uint64_t height);

// The whole picture is a receiver that keeps every row: it collects a decode into a
// DecodedPicture, its buffer from allocatePicture.
class PictureBufferReceiver final : public RowReceiver {
public:
    explicit PictureBufferReceiver(DecodedPicture& out) : out_(out) {}
    bool header(const RowStreamHeader& header) override;
    bool rows(const uint8_t* bgra, uint32_t count) override;
    uint8_t* pictureBuffer() override { return out_.bgra.data(); }
    bool complete() const { return out_.height != 0 && rowsIn_ == out_.height; }
    uint32_t rowsIn() const { return rowsIn_; }

private:
    DecodedPicture& out_;
    uint32_t rowsIn_ = 0;
};

// The platform back end (picture_codec_posix.cpp, picture_wic_rows_win.cpp): JPEG by scanlines at
// the hint's DCT scale (`hint` in stored orientation), PNG by rows, TIFF by strips or rows of
// tiles, BMP by bands of rows, GIF's first frame by rows, ICO (small, read whole inside).
RowDecode platformDecodeRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver);
// PNG, BMP and GIF written whole by the platform (JPEG is written by rows, JpegRowEncoder).
bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out);

// --- Encoding by rows ---------------------------------------------------------------------------
// An encoder of one format, fed the picture's rows top down (8-bit BGRA, straight alpha). With a
// `sink`, the encoded bytes go to it as they are made (it must outlive the encoder) and finish()
// leaves `out` empty; without, finish() gives them. Any call may fail; then nothing is written.
class PictureRowEncoder {
public:
    virtual ~PictureRowEncoder() = default;
    // `in` without pixels: the size, alpha, colour profile and quality.
    virtual bool begin(const EncodeInput& in, PictureByteSink* sink) = 0;
    virtual bool rows(const uint8_t* bgra, uint32_t count) = 0;
    virtual bool finish(std::vector<uint8_t>& out) = 0;
};

// A JPEG encoder fed by rows (straight alpha, laid over white), with optimised Huffman tables
// while the picture is small enough for libjpeg to hold its coefficients. libjpeg-turbo on Linux
// (picture_jpeg_posix.cpp), WIC on Windows (picture_jpeg_row_encoder_win.cpp).
class JpegRowEncoder final : public PictureRowEncoder {
public:
    JpegRowEncoder();
    ~JpegRowEncoder() override;
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    bool begin(uint32_t width, uint32_t height, int quality, const std::vector<uint8_t>* icc,
               PictureByteSink* sink = nullptr);
    bool begin(const EncodeInput& in, PictureByteSink* sink) override
    {
        return begin(in.width, in.height, in.jpegQuality, in.icc, sink);
    }
    bool rows(const uint8_t* bgra, uint32_t count) override;
    // The encoded bytes (or the last of them given to the sink), once every row is in.
    bool finish(std::vector<uint8_t>& out) override;
    // What begin() and the rows hold, near enough to budget with (the encoded bytes not counted).
    static uint64_t workingBytes(uint32_t width, uint32_t height);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// --- The program's own readers and writers (portable) ------------------------------------------
RowDecode decodeTgaRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodePnmRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodePcxRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodeWbmpRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodeRasRows(const ByteSource& source, RowReceiver& receiver);
// ICO and CUR, read whole (an icon is small) and handed on as one band; entries stored as PNG
// go to the PNG reader.
RowDecode decodeIcoRows(const ByteSource& source, RowReceiver& receiver);
// 24-bit bottom-up BMP; alpha is laid over white.
bool encodeBmp(const EncodeInput& in, std::vector<uint8_t>& out);

// Colour of a pixel laid over white, for formats that keep no alpha (JPEG, BMP).
inline uint8_t overWhite(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}
