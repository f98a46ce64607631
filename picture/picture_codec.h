#pragma once
// Inside the picture class: what picture.cpp, the platform codec back ends and the program's own
// format readers share. Not for callers outside the picture code; they use picture.h.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
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

// Decodes whole as `format` (no detection): the platform back end or the program's own reader.
bool decodeFormat(int format, const uint8_t* data, size_t size, const PictureSizeHint& hint, DecodedPicture& out);
// The formats to try for content that starts with `bytes`, in order: the one its signature
// shows, else the caller's code and the formats without a signature whose header holds together.
// Returns how many (0..3); the rest are kFormatUnknown.
int candidateFormats(const uint8_t* bytes, size_t size, int formatCode, int (&candidates)[3]);

// The format that the content shows by its signature; kFormatUnknown when none is certain.
int detectFormat(const uint8_t* data, size_t size);
// Formats without a signature, recognised by a header that holds together; used only when
// nothing else fits.
bool looksLikeTga(const uint8_t* data, size_t size);
bool looksLikeWbmp(const uint8_t* data, size_t size);

// --- Platform back end (picture_codec_posix.cpp / picture_wic_win.cpp) ------------------------
// JPEG, PNG, GIF (first frame), BMP, TIFF, ICO. `hint` is in stored orientation.
bool platformDecode(const uint8_t* data, size_t size, int format, const PictureSizeHint& hint, DecodedPicture& out);
// JPEG, PNG, BMP and GIF.
bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out);

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
};

enum class RowDecode { Done, Failed, NoMemory, Unsupported };

// Collects the rows of a decode into a DecodedPicture; the buffer comes from allocatePicture.
class PictureBufferReceiver final : public RowReceiver {
public:
    explicit PictureBufferReceiver(DecodedPicture& out) : out_(out) {}
    bool header(const RowStreamHeader& header) override;
    bool rows(const uint8_t* bgra, uint32_t count) override;
    uint8_t* pictureBuffer() override { return out_.bgra.data(); }
    bool complete() const { return out_.height != 0 && rowsIn_ == out_.height; }

private:
    DecodedPicture& out_;
    uint32_t rowsIn_ = 0;
};

// Decodes by rows where the platform can: JPEG by scanlines at the hint's DCT scale (`hint` in
// stored orientation), PNG by rows, TIFF by strips or rows of tiles, BMP by bands of rows, GIF's
// first frame by rows. Unsupported: the caller decodes whole (platformDecode).
RowDecode platformDecodeRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver);

// A JPEG encoder fed by rows (straight alpha, laid over white), with optimised Huffman tables
// while the picture is small enough for libjpeg to hold its coefficients.
class JpegRowEncoder {
public:
    JpegRowEncoder();
    ~JpegRowEncoder();
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    // With a `sink`, the encoded bytes go to it as they are made (it must outlive the encoder)
    // and finish() leaves `out` empty.
    bool begin(uint32_t width, uint32_t height, int quality, const std::vector<uint8_t>* icc,
               PictureByteSink* sink = nullptr);
    bool rows(const uint8_t* bgra, uint32_t count);
    // The encoded bytes (or the last of them given to the sink), once every row is in.
    bool finish(std::vector<uint8_t>& out);
    // What begin() and the rows hold, near enough to budget with (the encoded bytes not counted).
    static uint64_t workingBytes(uint32_t width, uint32_t height);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Decodes by rows where a reader of our own or the platform can: the formats above, and PNM,
// PCX, WBMP, RAS and TGA. Unsupported: the caller decodes whole (decodeFormat).
RowDecode decodeFormatRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver);
// A reader by rows run over bytes in memory into a whole picture (its buffer from
// allocatePicture); false, and `out` empty, unless every row came.
bool decodeWholeByRows(RowDecode (*rows)(const ByteSource&, RowReceiver&), const uint8_t* data, size_t size,
                       DecodedPicture& out);

// --- The program's own readers and writers (portable) ------------------------------------------
// The whole-picture readers run the readers by rows (decodeWholeByRows).
RowDecode decodeTgaRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodePnmRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodePcxRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodeWbmpRows(const ByteSource& source, RowReceiver& receiver);
RowDecode decodeRasRows(const ByteSource& source, RowReceiver& receiver);
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
