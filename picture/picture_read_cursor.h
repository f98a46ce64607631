#pragma once
// A bounds-checked reader over bytes for the picture format readers: every read checks what
// remains, and a failed read leaves the cursor failed instead of reading past the end.

#include <cstddef>
#include <cstdint>

class ReadCursor {
public:
    ReadCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
    const uint8_t* here() const { return data_ + pos_; }

    bool seek(size_t position)
    {
        if (position > size_) return ok_ = false;
        pos_ = position;
        return true;
    }
    bool skip(size_t n)
    {
        if (n > remaining()) return ok_ = false;
        pos_ += n;
        return true;
    }
    uint8_t u8()
    {
        if (remaining() < 1) return fail();
        return data_[pos_++];
    }
    uint16_t u16le()
    {
        const uint8_t lo = u8();
        return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint16_t u16be()
    {
        const uint8_t hi = u8();
        return static_cast<uint16_t>((hi << 8) | u8());
    }
    uint32_t u32le()
    {
        const uint32_t lo = u16le();
        return lo | (static_cast<uint32_t>(u16le()) << 16);
    }
    uint32_t u32be()
    {
        const uint32_t hi = u16be();
        return (hi << 16) | u16be();
    }
    // Points at n bytes and moves past them; null when fewer remain.
    const uint8_t* take(size_t n)
    {
        if (n > remaining()) {
            fail();
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    uint8_t fail()
    {
        ok_ = false;
        pos_ = size_;
        return 0;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};
