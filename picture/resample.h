#pragma once
// Resizing of 8-bit BGRA pixels with a separable cubic kernel (Keys, a = -0.5).
//
// Shrinking with averaging on widens the kernel by the shrink factor, so every source pixel
// counts and fine detail turns to its average instead of aliasing. Colour is weighted by alpha
// (premultiplied while filtering), so transparent pixels do not bleed their colour into edges.
// Samples beyond the border repeat the edge pixel. Results are the same on every platform.

#include <cstdint>
#include <functional>
#include <memory>

// Resizes src (srcWidth x srcHeight, straight alpha, rows packed) into dst (dstWidth x dstHeight,
// rows packed, allocated by the caller). hasAlpha false treats every pixel as opaque, which is
// faster. False when a size is 0 or the scratch memory cannot be had.
bool resampleBgra(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                  uint32_t dstHeight, bool averaging, bool hasAlpha);

// The same resize, fed one band of source rows at a time as a decoder makes them: each row is
// filtered across as it arrives, and only the rows that the vertical window of the next output
// row spans are kept. Every output row is handed on as soon as its last source row is in, top
// down. Feeding a whole picture gives exactly the pixels of resampleBgra.
//
//   RowResampler r;
//   if (!r.start(srcW, srcH, dstW, dstH, true, true, [&](const uint8_t* row, uint32_t y) { ...; return true; }))
//       ...                              // out of memory
//   while (decoding) r.push(rows, count); // false when the receiver said stop
class RowResampler {
public:
    // Receives one output row (dstWidth BGRA pixels) and its index; false stops the resize.
    using Emit = std::function<bool(const uint8_t* row, uint32_t y)>;

    RowResampler();
    ~RowResampler();
    RowResampler(const RowResampler&) = delete;
    RowResampler& operator=(const RowResampler&) = delete;

    // mayHaveAlpha false promises that every pixel is opaque (rows are not looked at for alpha).
    // False when a size is 0 or the memory cannot be had.
    bool start(uint32_t srcWidth, uint32_t srcHeight, uint32_t dstWidth, uint32_t dstHeight, bool averaging,
               bool mayHaveAlpha, Emit emit);
    // `count` packed rows of srcWidth pixels, following the rows pushed before. False when the
    // receiver stopped, or more rows arrive than the source has.
    bool push(const uint8_t* rows, uint32_t count);
    // Every output row has been handed on.
    bool finished() const;

    // What start() allocates for these sizes, near enough to budget with.
    static uint64_t workingBytes(uint32_t srcWidth, uint32_t srcHeight, uint32_t dstWidth, uint32_t dstHeight,
                                 bool averaging);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The cubic kernel itself, for tests: 1 at 0, 0 at every other integer, negative lobes in 1..2.
double cubicKernel(double x);
