#pragma once
// Resizing of 8-bit BGRA pixels with a separable cubic kernel (Keys, a = -0.5).
//
// Shrinking with averaging on widens the kernel by the shrink factor, so every source pixel
// counts and fine detail turns to its average instead of aliasing. Colour is weighted by alpha
// (premultiplied while filtering), so transparent pixels do not bleed their colour into edges.
// Samples beyond the border repeat the edge pixel. Results are the same on every platform.

#include <cstdint>

// Resizes src (srcWidth x srcHeight, straight alpha, rows packed) into dst (dstWidth x dstHeight,
// rows packed, allocated by the caller). hasAlpha false treats every pixel as opaque, which is
// faster. False when a size is 0 or the scratch memory cannot be had.
bool resampleBgra(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                  uint32_t dstHeight, bool averaging, bool hasAlpha);

// The cubic kernel itself, for tests: 1 at 0, 0 at every other integer, negative lobes in 1..2.
double cubicKernel(double x);
