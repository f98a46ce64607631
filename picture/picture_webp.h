#pragma once
// WebP through libwebp, on every platform (Debian's library on Linux, the same one built for
// Windows by scripts/codec-libs.sh): read as a picture (a still, or an animation's first frame as
// it is shown), and written from rows with the colour profile in its ICCP chunk and nothing else
// of the source's metadata.
//
// USAGE
//   WebpRowEncoder encoder;                                  // also pictureFormat(kFormatWebp)->encodeRows()
//   encoder.begin(input, nullptr);                          // size, alpha, profile, webpQuality
//   encoder.rows(bgra, count); ...                          // top down, every row once
//   encoder.finish(bytes);
//
//   RowDecode r = decodeWebpRows(ByteSource{data, size}, receiver);

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/picture_codec.h"

// Whether the bytes start as a WebP file does (a RIFF container of the WEBP form).
bool looksLikeWebp(const uint8_t* head, size_t size);

// The rows of a WebP file, top down. libwebp decodes a picture whole, so the rows come after
// it has; the header counts that buffer among what the decoder holds.
RowDecode decodeWebpRows(const ByteSource& source, RowReceiver& receiver);

// A WebP encoder fed by rows. libwebp encodes a whole picture at once: the rows are gathered
// in its own picture buffer (workingBytes), and the bytes come out at finish().
class WebpRowEncoder final : public PictureRowEncoder {
public:
    WebpRowEncoder();
    ~WebpRowEncoder() override;
    WebpRowEncoder(const WebpRowEncoder&) = delete;
    WebpRowEncoder& operator=(const WebpRowEncoder&) = delete;

    // With a `sink`, the bytes go to it at finish() and `out` stays empty.
    bool begin(const EncodeInput& in, PictureByteSink* sink) override;
    bool rows(const uint8_t* bgra, uint32_t count) override;
    bool finish(std::vector<uint8_t>& out) override;
    static uint64_t workingBytes(uint32_t width, uint32_t height);

private:
    struct State;
    std::unique_ptr<State> state_;
};
