#pragma once
// The size arithmetic of the picture readers: bytes per row and per picture worked out from the
// numbers a file claims. Worked out in 64 bits and handed back in the size type the reader indexes
// with, or refused when it does not fit there, so that a 32-bit build never wraps to a small
// buffer and then reads past it. Templates over the size type, so the unit tests run the very
// same arithmetic with 32-bit types on a 64-bit machine.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace picture_size {

template <typename Size> bool fits(uint64_t value, Size& out)
{
    if (value > std::numeric_limits<Size>::max()) return false;
    out = static_cast<Size>(value);
    return true;
}

// Bytes of one row of `width` pixels at `bitsPerPixel`, padded to a multiple of `alignBytes`.
template <typename Size = size_t> bool rowBytes(uint64_t width, uint64_t bitsPerPixel, uint64_t alignBytes, Size& out)
{
    // Both bounds keep width * bits below 2^38 and the padding below 2^16: no 64-bit wrap either.
    if (alignBytes == 0 || alignBytes > 8192 || width > UINT32_MAX || bitsPerPixel > 64) return false;
    const uint64_t bits = width * bitsPerPixel;
    const uint64_t alignBits = alignBytes * 8;
    return fits((bits + alignBits - 1) / alignBits * alignBytes, out);
}

// a * b, refused when it does not fit.
template <typename Size = size_t> bool product(uint64_t a, uint64_t b, Size& out)
{
    if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a) return false;
    return fits(a * b, out);
}

}  // namespace picture_size
