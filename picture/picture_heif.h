#pragma once
// HEIF pictures through libheif, on every platform (Debian's library on Linux, the same one built
// for Windows by scripts/codec-libs.sh, with libde265 for HEVC, dav1d to decode AV1 and libaom to
// encode it): AVIF and HEIC read as a picture (the primary image, turned and mirrored as its
// container says, with its colour profile), and AVIF written from rows with the profile in its
// `colr` box beside the colour matrix, and nothing else of the source's metadata.
//
// USAGE
//   AvifRowEncoder encoder;                                  // also pictureFormat(kFormatAvif)->encodeRows()
//   encoder.begin(input, nullptr);                          // avifQuality 0..100, avifSpeed 0 (slow)..9
//   encoder.rows(bgra, count); ...
//   encoder.finish(bytes);
//
//   RowDecode r = decodeHeifRows(ByteSource{data, size}, receiver);

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/picture_codec.h"

// Whether the bytes start as a HEIF file of a brand we read: AVIF or HEIC stills.
bool looksLikeHeif(const uint8_t* head, size_t size);
// Whether they start as an AVIF file: a HEIF file whose brands name AVIF.
bool looksLikeAvif(const uint8_t* head, size_t size);

// The rows of the primary image, top down. libheif decodes a picture whole; the header counts it.
RowDecode decodeHeifRows(const ByteSource& source, RowReceiver& receiver);

// An AVIF encoder fed by rows: they are gathered in libheif's picture (workingBytes) and the
// file is made at finish(). 4:2:0, eight bits; the alpha channel is written when the input has one.
class AvifRowEncoder final : public PictureRowEncoder {
public:
    AvifRowEncoder();
    ~AvifRowEncoder() override;
    AvifRowEncoder(const AvifRowEncoder&) = delete;
    AvifRowEncoder& operator=(const AvifRowEncoder&) = delete;

    // With a `sink`, the bytes go to it at finish() and `out` stays empty.
    bool begin(const EncodeInput& in, PictureByteSink* sink) override;
    bool rows(const uint8_t* bgra, uint32_t count) override;
    bool finish(std::vector<uint8_t>& out) override;
    static uint64_t workingBytes(uint32_t width, uint32_t height);

private:
    struct State;
    std::unique_ptr<State> state_;
};
