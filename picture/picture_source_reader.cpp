// A decoder's source read front to back through a buffer, or at an offset.

#include "picture/picture_source_reader.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Bytes read from a file at a time.
constexpr size_t kBufferBytes = size_t{64} << 10;

}  // namespace

bool readSourceAt(const ByteSource& source, uint64_t offset, uint8_t* into, size_t size)
{
    if (offset > source.bytes() || size > source.bytes() - offset) return false;
    if (size == 0) return true;
    if (source.data) {
        std::memcpy(into, source.data + offset, size);
        return true;
    }
    // The files streamed are found by their size in a long (ftell), so every offset fits one.
    return offset <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(source.file, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(into, 1, size, source.file) == size;
}

SourceReader::SourceReader(const ByteSource& source, uint64_t start)
    : source_(source), size_(source.bytes()), position_(start)
{
    if (start > size_) fail();
}

bool SourceReader::fill()
{
    if (source_.data) return position_ < size_;
    if (position_ >= bufferStart_ && position_ - bufferStart_ < buffer_.size()) return true;
    if (position_ >= size_) return false;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kBufferBytes, size_ - position_));
    buffer_.resize(n);
    bufferStart_ = position_;
    if (!readSourceAt(source_, position_, buffer_.data(), n)) {
        buffer_.clear();
        return false;
    }
    return true;
}

uint8_t SourceReader::fail()
{
    ok_ = false;
    position_ = size_;
    return 0;
}

int SourceReader::peek()
{
    if (!ok_ || !fill()) return -1;
    return source_.data ? source_.data[position_] : buffer_[static_cast<size_t>(position_ - bufferStart_)];
}

uint8_t SourceReader::u8()
{
    const int c = peek();
    if (c < 0) return fail();
    ++position_;
    return static_cast<uint8_t>(c);
}

uint16_t SourceReader::u16le()
{
    const uint8_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
}

uint16_t SourceReader::u16be()
{
    const uint8_t hi = u8();
    return static_cast<uint16_t>((hi << 8) | u8());
}

uint32_t SourceReader::u32le()
{
    const uint32_t lo = u16le();
    return lo | (static_cast<uint32_t>(u16le()) << 16);
}

uint32_t SourceReader::u32be()
{
    const uint32_t hi = u16be();
    return (hi << 16) | u16be();
}

bool SourceReader::read(uint8_t* into, size_t n)
{
    if (!ok_ || n > remaining()) return fail(), false;
    if (n == 0) return true;  // `into` may be null then (an empty vector's data)
    if (source_.data) {
        std::memcpy(into, source_.data + position_, n);
        position_ += n;
        return true;
    }
    while (n > 0) {
        if (!fill()) return fail(), false;
        const size_t at = static_cast<size_t>(position_ - bufferStart_);
        const size_t k = std::min(n, buffer_.size() - at);
        std::memcpy(into, buffer_.data() + at, k);
        into += k, n -= k, position_ += k;
    }
    return true;
}

bool SourceReader::skip(uint64_t n)
{
    if (!ok_ || n > remaining()) return fail(), false;
    position_ += n;
    return true;
}

bool SourceReader::seek(uint64_t position)
{
    if (!ok_ || position > size_) return fail(), false;
    position_ = position;
    return true;
}
