#pragma once
// Small edits of encoded files, for encoders that leave something out (Wine's WIC writes no
// PNG colour profile and no GIF transparency): the piece is spliced into the finished stream.

#include <cstddef>
#include <cstdint>
#include <vector>

// Adds an iCCP chunk after IHDR (the profile stored uncompressed in its zlib stream). False
// when `png` does not start with a signature and IHDR, or already has an iCCP chunk.
bool insertPngIccProfile(const std::vector<uint8_t>& png, const std::vector<uint8_t>& icc, std::vector<uint8_t>& out);
bool pngHasChunk(const uint8_t* data, size_t size, const char* type);

// Adds a graphic control extension that makes palette entry `index` transparent before the
// first image (and marks the file GIF89a). False when the stream cannot be walked or already
// has such an extension there.
bool insertGifTransparency(const std::vector<uint8_t>& gif, int index, std::vector<uint8_t>& out);
