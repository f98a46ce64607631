#pragma once
// Reading a decoder's source (bytes in memory, or an open file) for the program's own readers
// that hand out rows as they go: front to back through a small buffer, or at an offset. Every
// read checks what remains; a failed read leaves the reader failed instead of reading past the end.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/picture_codec.h"

// `size` bytes at `offset` of the source into `into`; false when they are not all there.
bool readSourceAt(const ByteSource& source, uint64_t offset, uint8_t* into, size_t size);

class SourceReader {
public:
    explicit SourceReader(const ByteSource& source, uint64_t start = 0);

    bool ok() const { return ok_; }
    uint64_t position() const { return position_; }
    uint64_t remaining() const { return position_ < size_ ? size_ - position_ : 0; }

    // The next byte without moving past it; -1 at the end (no failure).
    int peek();
    uint8_t u8();
    uint16_t u16le();
    uint16_t u16be();
    uint32_t u32le();
    uint32_t u32be();
    // n bytes into `into`; false (and failed) when fewer remain.
    bool read(uint8_t* into, size_t n);
    bool skip(uint64_t n);
    bool seek(uint64_t position);

private:
    bool fill();
    uint8_t fail();

    const ByteSource& source_;
    uint64_t size_;
    uint64_t position_;
    std::vector<uint8_t> buffer_;  // bytes from bufferStart_ on (files only)
    uint64_t bufferStart_ = 0;
    bool ok_ = true;
};
