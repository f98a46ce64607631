#pragma once
// Where an encoder puts its bytes as it makes them, when they are not to be held in memory: a
// photo of hundreds of megapixels goes straight into its file.

#include <cstddef>
#include <cstdint>

class PictureByteSink {
public:
    virtual ~PictureByteSink() = default;
    // The next bytes of the output, in order. False stops the encode: what was written is then
    // incomplete and must not be used.
    virtual bool write(const uint8_t* bytes, size_t size) = 0;
};
