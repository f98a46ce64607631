#include "picture/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Four channels in one register; GCC and Clang turn the arithmetic into SIMD instructions.
using v4f = float __attribute__((vector_size(16)));

struct AxisWeights {
    uint32_t stride = 0;          // weights kept per output sample (the widest window)
    std::vector<uint32_t> start;  // first source sample of each output sample
    std::vector<uint32_t> count;  // taps of each output sample
    std::vector<float> weights;   // `stride` per output sample, summing to 1
};

// Weights of one axis. The window of every output sample is shifted to lie inside the source,
// with the weight of samples beyond the border added to the edge sample (edge repeat).
AxisWeights axisWeights(uint32_t srcSize, uint32_t dstSize, bool averaging)
{
    const double scale = static_cast<double>(dstSize) / srcSize;
    const double stretch = (averaging && scale < 1.0) ? 1.0 / scale : 1.0;
    const double support = 2.0 * stretch;
    const auto window = static_cast<uint32_t>(std::min<double>(srcSize, std::floor(2.0 * support) + 2.0));

    AxisWeights ax;
    ax.stride = window;
    ax.start.resize(dstSize);
    ax.count.resize(dstSize);
    ax.weights.assign(static_cast<size_t>(dstSize) * window, 0.0f);
    std::vector<double> w(window);
    const auto last = static_cast<int64_t>(srcSize) - 1;
    for (uint32_t i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) / scale - 0.5;
        const auto left = static_cast<int64_t>(std::ceil(center - support));
        const auto right = static_cast<int64_t>(std::floor(center + support));
        const int64_t windowStart = std::clamp<int64_t>(left, 0, srcSize - window);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0.0;
        for (int64_t j = left; j <= right; ++j) {
            const double k = cubicKernel((static_cast<double>(j) - center) / stretch);
            if (k == 0.0) continue;
            const int64_t at = std::clamp<int64_t>(j, 0, last) - windowStart;
            if (at < 0 || at >= window) continue;  // cannot happen; keeps the index safe
            w[static_cast<size_t>(at)] += k;
            sum += k;
        }
        if (sum == 0.0) {  // only when the window misses every tap; take the nearest sample
            const int64_t nearest = std::clamp<int64_t>(std::llround(center), 0, last) - windowStart;
            w[static_cast<size_t>(std::clamp<int64_t>(nearest, 0, window - 1))] = 1.0;
            sum = 1.0;
        }
        uint32_t first = 0;
        uint32_t end = window;
        while (first < end && w[first] == 0.0) ++first;
        while (end > first && w[end - 1] == 0.0) --end;
        ax.start[i] = static_cast<uint32_t>(windowStart) + first;
        ax.count[i] = end - first;
        float* out = &ax.weights[static_cast<size_t>(i) * window];
        for (uint32_t k = first; k < end; ++k) out[k - first] = static_cast<float>(w[k] / sum);
    }
    return ax;
}

// The horizontal pass reads the same number of taps for every output pixel, so that its loop
// is unrolled: each window is moved left where it would pass the source's right edge, the
// samples it gains weighing 0 (a sum that gains only zeros is the same sum).
struct FixedTaps {
    uint32_t taps = 1;
    std::vector<uint32_t> start;
    std::vector<float> weights;  // `taps` per output sample
};

FixedTaps fixedTaps(const AxisWeights& ax, uint32_t srcSize)
{
    FixedTaps f;
    const auto outputs = static_cast<uint32_t>(ax.start.size());
    for (uint32_t i = 0; i < outputs; ++i) f.taps = std::max(f.taps, ax.count[i]);
    f.taps = std::min(f.taps, srcSize);
    f.start.resize(outputs);
    f.weights.assign(static_cast<size_t>(outputs) * f.taps, 0.0f);
    for (uint32_t i = 0; i < outputs; ++i) {
        const uint32_t start = std::min(ax.start[i], srcSize - f.taps);
        f.start[i] = start;
        const float* from = &ax.weights[static_cast<size_t>(i) * ax.stride];
        float* to = &f.weights[static_cast<size_t>(i) * f.taps + (ax.start[i] - start)];
        std::copy(from, from + ax.count[i], to);
    }
    return f;
}

#if defined(__SSE2__)

// Four pixels' bytes as sixteen floats.
inline void fourPixelsToFloat(const uint8_t* src, v4f* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
    const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
    out[0] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero));
    out[1] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero));
    out[2] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero));
    out[3] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero));
}

inline void pixelToFloat(const uint8_t* src, v4f* out)
{
    int32_t word;
    std::memcpy(&word, src, sizeof word);
    const __m128i zero = _mm_setzero_si128();
    *out = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero));
}

// Four rounded pixels (as toByte rounds) to bytes, alpha made opaque.
inline void storeFourOpaque(const v4f* in, uint8_t* dst)
{
    const __m128 hi = _mm_set1_ps(255.0f);
    const __m128 zero = _mm_setzero_ps();
    const __m128 half = _mm_set1_ps(0.5f);
    __m128i n[4];
    for (int i = 0; i < 4; ++i) n[i] = _mm_cvttps_epi32(_mm_add_ps(_mm_min_ps(_mm_max_ps(in[i], zero), hi), half));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(n[0], n[1]), _mm_packs_epi32(n[2], n[3]));
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(bytes, opaque));
}

#else

// Without SSE a vector is not returned by value (its calling convention would differ).
inline void pixelToFloat(const uint8_t* src, v4f* out)
{
    *out = v4f{static_cast<float>(src[0]), static_cast<float>(src[1]), static_cast<float>(src[2]),
               static_cast<float>(src[3])};
}

inline void fourPixelsToFloat(const uint8_t* src, v4f* out)
{
    for (int i = 0; i < 4; ++i) pixelToFloat(src + 4 * i, out + i);
}

inline uint8_t toByte(float v);

inline void storeFourOpaque(const v4f* in, uint8_t* dst)
{
    for (int i = 0; i < 4; ++i, dst += 4) {
        dst[0] = toByte(in[i][0]);
        dst[1] = toByte(in[i][1]);
        dst[2] = toByte(in[i][2]);
        dst[3] = 255;
    }
}

#endif

// One source row to floats, colour multiplied by alpha when there is alpha.
void loadRow(const uint8_t* src, uint32_t width, bool hasAlpha, v4f* out)
{
    if (hasAlpha) {
        constexpr float kInv255 = 1.0f / 255.0f;
        for (uint32_t x = 0; x < width; ++x, src += 4) {
            const float m = static_cast<float>(src[3]) * kInv255;
            pixelToFloat(src, out + x);
            out[x] *= v4f{m, m, m, 1.0f};
        }
        return;
    }
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) fourPixelsToFloat(src + x * 4, out + x);
    for (; x < width; ++x) pixelToFloat(src + x * 4, out + x);
}

// Each output pixel is the sum of its taps, the leftmost first.
template <uint32_t N> void filterRowFixed(const v4f* in, const FixedTaps& f, v4f* out, uint32_t dstWidth)
{
    const float* w = f.weights.data();
    const uint32_t* start = f.start.data();
    for (uint32_t x = 0; x < dstWidth; ++x, w += N) {
        const v4f* p = in + start[x];
        v4f acc = p[0] * w[0];
        for (uint32_t k = 1; k < N; ++k) acc += p[k] * w[k];
        out[x] = acc;
    }
}

void filterRowAny(const v4f* in, const FixedTaps& f, v4f* out, uint32_t dstWidth)
{
    const uint32_t n = f.taps;
    const float* w = f.weights.data();
    const uint32_t* start = f.start.data();
    for (uint32_t x = 0; x < dstWidth; ++x, w += n) {
        const v4f* p = in + start[x];
        v4f acc = p[0] * w[0];
        for (uint32_t k = 1; k < n; ++k) acc += p[k] * w[k];
        out[x] = acc;
    }
}

void filterRow(const v4f* in, const FixedTaps& f, v4f* out, uint32_t dstWidth)
{
    switch (f.taps) {
    case 1: return filterRowFixed<1>(in, f, out, dstWidth);
    case 2: return filterRowFixed<2>(in, f, out, dstWidth);
    case 3: return filterRowFixed<3>(in, f, out, dstWidth);
    case 4: return filterRowFixed<4>(in, f, out, dstWidth);
    case 5: return filterRowFixed<5>(in, f, out, dstWidth);
    case 6: return filterRowFixed<6>(in, f, out, dstWidth);
    case 7: return filterRowFixed<7>(in, f, out, dstWidth);
    case 8: return filterRowFixed<8>(in, f, out, dstWidth);
    case 9: return filterRowFixed<9>(in, f, out, dstWidth);
    case 10: return filterRowFixed<10>(in, f, out, dstWidth);
    case 11: return filterRowFixed<11>(in, f, out, dstWidth);
    case 12: return filterRowFixed<12>(in, f, out, dstWidth);
    default: return filterRowAny(in, f, out, dstWidth);
    }
}

// One output row of the vertical pass: each pixel summed over the window's rows, the top one first.
template <uint32_t N> void sumRowsFixed(const v4f* const* rows, const float* w, v4f* out, uint32_t width)
{
    const v4f* r[N];
    for (uint32_t k = 0; k < N; ++k) r[k] = rows[k];
    for (uint32_t x = 0; x < width; ++x) {
        v4f acc = r[0][x] * w[0];
        for (uint32_t k = 1; k < N; ++k) acc += r[k][x] * w[k];
        out[x] = acc;
    }
}

void sumRowsAny(const v4f* const* rows, const float* w, uint32_t taps, v4f* out, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x) out[x] = rows[0][x] * w[0];
    for (uint32_t k = 1; k < taps; ++k) {
        const v4f* r = rows[k];
        const float wk = w[k];
        for (uint32_t x = 0; x < width; ++x) out[x] += r[x] * wk;
    }
}

void sumRows(const v4f* const* rows, const float* w, uint32_t taps, v4f* out, uint32_t width)
{
    switch (taps) {
    case 1: return sumRowsFixed<1>(rows, w, out, width);
    case 2: return sumRowsFixed<2>(rows, w, out, width);
    case 3: return sumRowsFixed<3>(rows, w, out, width);
    case 4: return sumRowsFixed<4>(rows, w, out, width);
    case 5: return sumRowsFixed<5>(rows, w, out, width);
    case 6: return sumRowsFixed<6>(rows, w, out, width);
    case 7: return sumRowsFixed<7>(rows, w, out, width);
    case 8: return sumRowsFixed<8>(rows, w, out, width);
    default: return sumRowsAny(rows, w, taps, out, width);
    }
}

inline uint8_t toByte(float v)
{
    v = std::clamp(v, 0.0f, 255.0f);
    return static_cast<uint8_t>(v + 0.5f);
}

void storeRowOpaque(const v4f* in, uint32_t width, uint8_t* dst)
{
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) storeFourOpaque(in + x, dst + x * 4);
    for (; x < width; ++x) {
        uint8_t* d = dst + x * 4;
        d[0] = toByte(in[x][0]);
        d[1] = toByte(in[x][1]);
        d[2] = toByte(in[x][2]);
        d[3] = 255;
    }
}

// Premultiplied colour back to straight alpha; a pixel with next to no coverage is transparent black.
void storeRowWithAlpha(const v4f* in, uint32_t width, uint8_t* dst)
{
    for (uint32_t x = 0; x < width; ++x, dst += 4) {
        const v4f p = in[x];
        const float a = std::clamp(p[3], 0.0f, 255.0f);
        if (a < 0.5f) {
            dst[0] = dst[1] = dst[2] = dst[3] = 0;
            continue;
        }
        const float unmul = 255.0f / a;
        dst[0] = toByte(p[0] * unmul);
        dst[1] = toByte(p[1] * unmul);
        dst[2] = toByte(p[2] * unmul);
        dst[3] = toByte(a);
    }
}

// Opaque pictures are resized in fixed point, which is about twice as fast: weights of 14
// fractional bits (each window's summing to exactly 1, so that a flat colour stays exact), rows
// filtered across held as 16-bit values with 6 fractional bits. The channels differ from the
// floating-point sums by well under one level before rounding. Each source row is first laid out
// as overlapping pairs of neighbouring pixels, channel by channel, so that one multiply-add
// instruction takes two taps of a pixel's four channels.
constexpr int kWeightBits = 14;
constexpr int kAcrossBits = 6;  // fractional bits of a row filtered across
constexpr int kAcrossShift = kWeightBits - kAcrossBits;
constexpr int kDownShift = kWeightBits + kAcrossBits;
// Each weight is rounded by up to half a step; over a wider window those errors could add up to
// a level, so a shrink by more than about seven is left to floating point.
constexpr uint32_t kMostFixedTaps = 32;

// Weights to fixed point, the rounding error of the sum put on the largest.
void quantise(const float* w, uint32_t count, int16_t* out)
{
    int32_t sum = 0;
    uint32_t largest = 0;
    for (uint32_t k = 0; k < count; ++k) {
        out[k] = static_cast<int16_t>(std::lround(w[k] * (1 << kWeightBits)));
        sum += out[k];
        if (w[k] > w[largest]) largest = k;
    }
    out[largest] = static_cast<int16_t>(out[largest] + ((1 << kWeightBits) - sum));
}

// Two weights in one 32-bit lane, the first in the low half, as a multiply-add of pairs takes them.
inline int32_t packPair(int16_t first, int16_t second)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(first)) |
                                static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16);
}

struct PairTaps {
    uint32_t pairs = 1;            // pairs of taps per output pixel
    std::vector<uint32_t> start;   // as FixedTaps
    std::vector<int32_t> weights;  // per pair, the two weights packed (first in the low half), four times
};

PairTaps pairTaps(const FixedTaps& f)
{
    PairTaps p;
    p.pairs = (f.taps + 1) / 2;
    p.start = f.start;
    const size_t outputs = f.start.size();
    p.weights.assign(outputs * p.pairs * 4, 0);
    std::vector<int16_t> q(size_t{p.pairs} * 2, 0);
    for (size_t i = 0; i < outputs; ++i) {
        std::fill(q.begin(), q.end(), int16_t{0});
        quantise(&f.weights[i * f.taps], f.taps, q.data());
        for (uint32_t j = 0; j < p.pairs; ++j) {
            std::fill_n(&p.weights[(i * p.pairs + j) * 4], 4, packPair(q[2 * j], q[2 * j + 1]));
        }
    }
    return p;
}

// Pair j of a row: pixels j and j + 1 as 16-bit values, B B G G R R A A; the last pixel is
// paired with itself (its partner weighs 0 wherever it is read).
void pairRow(const uint8_t* src, uint32_t width, int16_t* pairs)
{
    uint32_t j = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; j + 5 <= width; j += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + j * 4));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + j * 4 + 4));
        const __m128i lo = _mm_unpacklo_epi8(a, b);
        const __m128i hi = _mm_unpackhi_epi8(a, b);
        auto* out = reinterpret_cast<__m128i*>(pairs + j * 8);
        _mm_storeu_si128(out, _mm_unpacklo_epi8(lo, zero));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(lo, zero));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi8(hi, zero));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi8(hi, zero));
    }
#endif
    for (; j < width; ++j) {
        const uint8_t* p = src + j * 4;
        const uint8_t* q = j + 1 < width ? p + 4 : p;
        for (int c = 0; c < 4; ++c) {
            pairs[j * 8 + c * 2] = p[c];
            pairs[j * 8 + c * 2 + 1] = q[c];
        }
    }
}

#if defined(__SSE2__)

// N pairs of taps a pixel (0: as many as the weights say).
template <uint32_t N> void filterPairsFixed(const int16_t* pairs, const PairTaps& t, int16_t* out, uint32_t dstWidth)
{
    const uint32_t n = N != 0 ? N : t.pairs;
    const auto* w = reinterpret_cast<const __m128i*>(t.weights.data());
    const uint32_t* start = t.start.data();
    const __m128i round = _mm_set1_epi32(1 << (kAcrossShift - 1));
    for (uint32_t x = 0; x < dstWidth; ++x, w += n) {
        const auto* p = reinterpret_cast<const __m128i*>(pairs + static_cast<size_t>(start[x]) * 8);
        __m128i acc = round;
        for (uint32_t j = 0; j < n; ++j)
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_loadu_si128(p + 2 * j), _mm_loadu_si128(w + j)));
        acc = _mm_srai_epi32(acc, kAcrossShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * 4), _mm_packs_epi32(acc, acc));
    }
}

void filterPairs(const int16_t* pairs, const PairTaps& t, int16_t* out, uint32_t dstWidth)
{
    switch (t.pairs) {
    case 1: return filterPairsFixed<1>(pairs, t, out, dstWidth);
    case 2: return filterPairsFixed<2>(pairs, t, out, dstWidth);
    case 3: return filterPairsFixed<3>(pairs, t, out, dstWidth);
    case 4: return filterPairsFixed<4>(pairs, t, out, dstWidth);
    case 5: return filterPairsFixed<5>(pairs, t, out, dstWidth);
    case 6: return filterPairsFixed<6>(pairs, t, out, dstWidth);
    default: return filterPairsFixed<0>(pairs, t, out, dstWidth);
    }
}

#else

void filterPairs(const int16_t* pairs, const PairTaps& t, int16_t* out, uint32_t dstWidth)
{
    const int32_t* w = t.weights.data();
    const uint32_t n = t.pairs;
    for (uint32_t x = 0; x < dstWidth; ++x, w += n * 4) {
        const int16_t* p = pairs + static_cast<size_t>(t.start[x]) * 8;
        for (int c = 0; c < 4; ++c) {
            int32_t acc = 1 << (kAcrossShift - 1);
            for (uint32_t j = 0; j < n; ++j) {
                const auto packed = static_cast<uint32_t>(w[j * 4]);
                acc += p[j * 16 + c * 2] * static_cast<int16_t>(packed & 0xFFFF) +
                       p[j * 16 + c * 2 + 1] * static_cast<int16_t>(packed >> 16);
            }
            out[x * 4 + c] = static_cast<int16_t>(std::clamp(acc >> kAcrossShift, -32768, 32767));
        }
    }
}

#endif

inline uint8_t fixedToByte(int32_t acc)
{
    return static_cast<uint8_t>(std::clamp((acc + (1 << (kDownShift - 1))) >> kDownShift, 0, 255));
}

// One output row from `pairs` pairs of rows filtered across (an odd last row is paired with
// itself, weighing 0 the second time): each value summed over the rows, made a byte, alpha
// opaque.
template <uint32_t N>
void sumFixedRows(const int16_t* const* rows, const int32_t* w, uint32_t pairs, uint32_t width, uint8_t* dst)
{
    const uint32_t n = N != 0 ? N : pairs;
    const uint32_t values = width * 4;
    uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i round = _mm_set1_epi32(1 << (kDownShift - 1));
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    for (; i + 8 <= values; i += 8) {
        __m128i lo = round;
        __m128i hi = round;
        for (uint32_t j = 0; j < n; ++j) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j + 1] + i));
            const __m128i wj = _mm_set1_epi32(w[j]);
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), wj));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), wj));
        }
        const __m128i words = _mm_packs_epi32(_mm_srai_epi32(lo, kDownShift), _mm_srai_epi32(hi, kDownShift));
        const __m128i bytes = _mm_or_si128(_mm_packus_epi16(words, words), opaque);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), bytes);
    }
#endif
    for (; i < values; ++i) {
        int32_t acc = 0;
        for (uint32_t j = 0; j < n; ++j) {
            const auto packed = static_cast<uint32_t>(w[j]);
            acc += rows[2 * j][i] * static_cast<int16_t>(packed & 0xFFFF) +
                   rows[2 * j + 1][i] * static_cast<int16_t>(packed >> 16);
        }
        dst[i] = i % 4 == 3 ? 255 : fixedToByte(acc);
    }
}

void sumFixedRows(const int16_t* const* rows, const int32_t* w, uint32_t pairs, uint32_t width, uint8_t* dst)
{
    switch (pairs) {
    case 1: return sumFixedRows<1>(rows, w, pairs, width, dst);
    case 2: return sumFixedRows<2>(rows, w, pairs, width, dst);
    case 3: return sumFixedRows<3>(rows, w, pairs, width, dst);
    case 4: return sumFixedRows<4>(rows, w, pairs, width, dst);
    case 5: return sumFixedRows<5>(rows, w, pairs, width, dst);
    default: return sumFixedRows<0>(rows, w, pairs, width, dst);
    }
}

}  // namespace

double cubicKernel(double x)
{
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0) return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

namespace {

uint32_t windowOf(uint32_t srcSize, uint32_t dstSize, bool averaging)
{
    const double scale = static_cast<double>(dstSize) / srcSize;
    const double stretch = (averaging && scale < 1.0) ? 1.0 / scale : 1.0;
    return static_cast<uint32_t>(std::min<double>(srcSize, std::floor(4.0 * stretch) + 2.0));
}

bool rowOpaque(const uint8_t* row, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x)
        if (row[x * 4 + 3] != 255) return false;
    return true;
}

}  // namespace

struct RowResampler::State {
    FixedTaps across;
    AxisWeights down;
    std::vector<uint32_t> readyAt;   // source rows that must be in before output row y can be made
    std::vector<uint32_t> keepFrom;  // the first source row that output row y or a later one reads
    uint32_t ringRows = 0;
    std::vector<v4f> sourceRow;
    std::vector<v4f> ring;  // rows filtered across, ringRows of them, row r in slot r % ringRows
    std::vector<uint8_t> ringOpaque;
    std::vector<const v4f*> tapRows;  // the ring rows of the output row being made
    std::vector<v4f> outRow;
    std::vector<uint8_t> outBytes;
    // The fixed-point path, for pictures without alpha.
    bool fixed = false;
    PairTaps acrossPairs;
    std::vector<int32_t> downPairs;  // per output row, its weights in packed pairs; down.stride a row
    std::vector<int16_t> pairRowBuffer;
    std::vector<int16_t> fixedRing;  // ringRows rows of dstWidth * 4 values
    std::vector<const int16_t*> fixedTapRows;
    uint32_t srcWidth = 0, srcHeight = 0, dstWidth = 0, dstHeight = 0;
    bool mayHaveAlpha = true;
    uint32_t received = 0;
    uint32_t made = 0;
    Emit emit;

    bool makeReadyRows();
};

RowResampler::RowResampler() = default;
RowResampler::~RowResampler() = default;

uint64_t RowResampler::workingBytes(uint32_t srcWidth, uint32_t srcHeight, uint32_t dstWidth, uint32_t dstHeight,
                                    bool averaging)
{
    const uint64_t across = windowOf(srcWidth, dstWidth, averaging);
    const uint64_t down = windowOf(srcHeight, dstHeight, averaging);
    return uint64_t{dstWidth} * (across * 4 + 8) + uint64_t{dstHeight} * (down * 4 + 16) + uint64_t{srcWidth} * 16 +
           (down + 2) * dstWidth * 16 + uint64_t{dstWidth} * 4;
}

bool RowResampler::start(uint32_t srcWidth, uint32_t srcHeight, uint32_t dstWidth, uint32_t dstHeight, bool averaging,
                         bool mayHaveAlpha, Emit emit)
{
    state_.reset();
    if (srcWidth == 0 || srcHeight == 0 || dstWidth == 0 || dstHeight == 0) return false;
    try {
        auto st = std::make_unique<State>();
        st->across = fixedTaps(axisWeights(srcWidth, dstWidth, averaging), srcWidth);
        st->down = axisWeights(srcHeight, dstHeight, averaging);
        // Each output row is made once every row up to the furthest one read so far is in, and
        // needs the rows from the nearest first row it or any later one reads: the ring holds
        // that span, which is the vertical window.
        st->readyAt.resize(dstHeight);
        st->keepFrom.resize(dstHeight);
        uint32_t furthest = 0;
        for (uint32_t y = 0; y < dstHeight; ++y) {
            furthest = std::max(furthest, st->down.start[y] + st->down.count[y]);
            st->readyAt[y] = furthest;
        }
        uint32_t nearest = srcHeight;
        for (uint32_t y = dstHeight; y-- > 0;) {
            nearest = std::min(nearest, st->down.start[y]);
            st->keepFrom[y] = nearest;
        }
        uint32_t span = 1;
        for (uint32_t y = 0; y < dstHeight; ++y) span = std::max(span, st->readyAt[y] - st->keepFrom[y]);
        st->ringRows = span;
        st->fixed = !mayHaveAlpha && st->across.taps <= kMostFixedTaps && st->down.stride <= kMostFixedTaps;
        if (st->fixed) {
            st->acrossPairs = pairTaps(st->across);
            st->across = {};
            st->downPairs.assign(st->down.weights.size(), 0);
            std::vector<int16_t> q(st->down.stride + 1);
            for (uint32_t y = 0; y < dstHeight; ++y) {
                const size_t at = static_cast<size_t>(y) * st->down.stride;
                std::fill(q.begin(), q.end(), int16_t{0});
                quantise(&st->down.weights[at], st->down.count[y], q.data());
                for (uint32_t j = 0; 2 * j < st->down.count[y]; ++j)
                    st->downPairs[at + j] = packPair(q[2 * j], q[2 * j + 1]);
            }
            st->pairRowBuffer.resize(static_cast<size_t>(srcWidth) * 8);
            st->fixedRing.resize(static_cast<size_t>(span) * dstWidth * 4);
            st->fixedTapRows.resize(st->down.stride + 1);
        } else {
            st->sourceRow.resize(srcWidth);
            st->ring.resize(static_cast<size_t>(span) * dstWidth);
            st->ringOpaque.assign(span, 1);
            st->tapRows.resize(st->down.stride);
            st->outRow.resize(dstWidth);
        }
        st->outBytes.resize(static_cast<size_t>(dstWidth) * 4);
        st->srcWidth = srcWidth;
        st->srcHeight = srcHeight;
        st->dstWidth = dstWidth;
        st->dstHeight = dstHeight;
        st->mayHaveAlpha = mayHaveAlpha;
        st->emit = std::move(emit);
        state_ = std::move(st);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool RowResampler::finished() const { return state_ && state_->made == state_->dstHeight; }

bool RowResampler::State::makeReadyRows()
{
    while (made < dstHeight && readyAt[made] <= received) {
        const uint32_t y = made;
        const uint32_t first = down.start[y];
        const uint32_t taps = down.count[y];
        if (fixed) {
            for (uint32_t k = 0; k < taps; ++k)
                fixedTapRows[k] = &fixedRing[static_cast<size_t>((first + k) % ringRows) * dstWidth * 4];
            fixedTapRows[taps] = fixedTapRows[taps - 1];  // the partner of an odd last row, weighing 0
            sumFixedRows(fixedTapRows.data(), &downPairs[static_cast<size_t>(y) * down.stride], (taps + 1) / 2,
                         dstWidth, outBytes.data());
            ++made;
            if (!emit(outBytes.data(), y)) return false;
            continue;
        }
        const float* weights = &down.weights[static_cast<size_t>(y) * down.stride];
        bool opaque = true;
        for (uint32_t k = 0; k < taps; ++k) {
            const uint32_t slot = (first + k) % ringRows;
            tapRows[k] = &ring[static_cast<size_t>(slot) * dstWidth];
            opaque = opaque && ringOpaque[slot];
        }
        sumRows(tapRows.data(), weights, taps, outRow.data(), dstWidth);
        uint8_t* bytes = outBytes.data();
        if (opaque)
            storeRowOpaque(outRow.data(), dstWidth, bytes);
        else
            storeRowWithAlpha(outRow.data(), dstWidth, bytes);
        ++made;
        if (!emit(bytes, y)) return false;
    }
    return true;
}

bool RowResampler::push(const uint8_t* rows, uint32_t count)
{
    State* st = state_.get();
    if (!st || count > st->srcHeight - st->received) return false;
    const size_t stride = static_cast<size_t>(st->srcWidth) * 4;
    for (uint32_t i = 0; i < count; ++i, rows += stride) {
        const uint32_t r = st->received;
        // Rows above what any output row still to come reads are passed over.
        if (st->made < st->dstHeight && r >= st->keepFrom[st->made]) {
            const uint32_t slot = r % st->ringRows;
            if (st->fixed) {
                pairRow(rows, st->srcWidth, st->pairRowBuffer.data());
                filterPairs(st->pairRowBuffer.data(), st->acrossPairs,
                            &st->fixedRing[static_cast<size_t>(slot) * st->dstWidth * 4], st->dstWidth);
                st->received = r + 1;
                if (!st->makeReadyRows()) return false;
                continue;
            }
            const bool opaque = !st->mayHaveAlpha || rowOpaque(rows, st->srcWidth);
            loadRow(rows, st->srcWidth, !opaque, st->sourceRow.data());
            filterRow(st->sourceRow.data(), st->across, &st->ring[static_cast<size_t>(slot) * st->dstWidth],
                      st->dstWidth);
            st->ringOpaque[slot] = opaque ? 1 : 0;
        }
        st->received = r + 1;
        if (!st->makeReadyRows()) return false;
    }
    return true;
}

bool resampleBgra(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                  uint32_t dstHeight, bool averaging, bool hasAlpha)
{
    if (!src || !dst) return false;
    const size_t dstStride = static_cast<size_t>(dstWidth) * 4;
    RowResampler resampler;
    if (!resampler.start(srcWidth, srcHeight, dstWidth, dstHeight, averaging, hasAlpha,
                         [&](const uint8_t* row, uint32_t y) {
                             std::copy(row, row + dstStride, dst + y * dstStride);
                             return true;
                         }))
        return false;
    return resampler.push(src, srcHeight) && resampler.finished();
}
