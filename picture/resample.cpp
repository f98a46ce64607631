#include "picture/resample.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

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

struct ByteToFloat {
    float value[256];
    ByteToFloat()
    {
        for (int i = 0; i < 256; ++i) value[i] = static_cast<float>(i);
    }
};
const ByteToFloat kFloat;

// One source row to floats, colour multiplied by alpha when there is alpha.
void loadRow(const uint8_t* src, uint32_t width, bool hasAlpha, v4f* out)
{
    if (hasAlpha) {
        constexpr float kInv255 = 1.0f / 255.0f;
        for (uint32_t x = 0; x < width; ++x, src += 4) {
            const float a = kFloat.value[src[3]];
            const float m = a * kInv255;
            out[x] = v4f{kFloat.value[src[0]] * m, kFloat.value[src[1]] * m, kFloat.value[src[2]] * m, a};
        }
    } else {
        for (uint32_t x = 0; x < width; ++x, src += 4)
            out[x] = v4f{kFloat.value[src[0]], kFloat.value[src[1]], kFloat.value[src[2]], 255.0f};
    }
}

void filterRow(const v4f* in, const AxisWeights& ax, v4f* out, uint32_t dstWidth)
{
    const float* weights = ax.weights.data();
    for (uint32_t x = 0; x < dstWidth; ++x, weights += ax.stride) {
        const v4f* p = in + ax.start[x];
        v4f acc = {0.0f, 0.0f, 0.0f, 0.0f};
        for (uint32_t k = 0, n = ax.count[x]; k < n; ++k) acc += p[k] * weights[k];
        out[x] = acc;
    }
}

inline uint8_t toByte(float v)
{
    v = std::clamp(v, 0.0f, 255.0f);
    return static_cast<uint8_t>(v + 0.5f);
}

void storeRow(const v4f* in, uint32_t width, bool hasAlpha, uint8_t* dst)
{
    if (hasAlpha) {
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
    } else {
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            const v4f p = in[x];
            dst[0] = toByte(p[0]);
            dst[1] = toByte(p[1]);
            dst[2] = toByte(p[2]);
            dst[3] = 255;
        }
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
    AxisWeights across;
    AxisWeights down;
    std::vector<uint32_t> readyAt;   // source rows that must be in before output row y can be made
    std::vector<uint32_t> keepFrom;  // the first source row that output row y or a later one reads
    uint32_t ringRows = 0;
    std::vector<v4f> sourceRow;
    std::vector<v4f> ring;  // rows filtered across, ringRows of them, row r in slot r % ringRows
    std::vector<uint8_t> ringOpaque;
    std::vector<v4f> outRow;
    std::vector<uint8_t> outBytes;
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
        st->across = axisWeights(srcWidth, dstWidth, averaging);
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
        st->sourceRow.resize(srcWidth);
        st->ring.resize(static_cast<size_t>(span) * dstWidth);
        st->ringOpaque.assign(span, 1);
        st->outRow.resize(dstWidth);
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
        const float* weights = &down.weights[static_cast<size_t>(y) * down.stride];
        std::fill(outRow.begin(), outRow.end(), v4f{0.0f, 0.0f, 0.0f, 0.0f});
        bool opaque = true;
        for (uint32_t k = 0; k < taps; ++k) {
            const uint32_t slot = (first + k) % ringRows;
            const v4f* filtered = &ring[static_cast<size_t>(slot) * dstWidth];
            opaque = opaque && ringOpaque[slot];
            const float w = weights[k];
            v4f* out = outRow.data();
            for (uint32_t x = 0; x < dstWidth; ++x) out[x] += filtered[x] * w;
        }
        storeRow(outRow.data(), dstWidth, !opaque, outBytes.data());
        ++made;
        if (!emit(outBytes.data(), y)) return false;
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
