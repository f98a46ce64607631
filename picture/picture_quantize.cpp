#include "picture/picture_quantize.h"

#include <algorithm>
#include <array>
#include <new>
#include <unordered_map>

namespace {

constexpr int kHistogramBits = 5;
constexpr int kBins = 1 << (3 * kHistogramBits);

inline bool isTransparent(const uint8_t* p) { return p[3] < 128; }
inline uint32_t rgbKey(const uint8_t* p) { return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]; }
inline int binOf(const uint8_t* p) { return ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3); }

struct Bin {
    uint64_t count = 0;
    uint64_t sum[3] = {0, 0, 0};  // r, g, b
};

struct Box {
    size_t begin, end;  // slice of the occupied-bin list
};

int channelOf(int bin, int channel) { return (bin >> (10 - 5 * channel)) & 31; }

// Longest side of a box: which channel and how long.
std::pair<int, int> widestChannel(const std::vector<int>& bins, const Box& box)
{
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], channelOf(bins[i], c));
            hi[c] = std::max(hi[c], channelOf(bins[i], c));
        }
    int best = 0;
    for (int c = 1; c < 3; ++c)
        if (hi[c] - lo[c] > hi[best] - lo[best]) best = c;
    return {best, hi[best] - lo[best]};
}

bool exactPalette(const uint8_t* bgra, size_t pixels, size_t maxColours, IndexedPicture& out)
{
    std::unordered_map<uint32_t, uint8_t> index;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = bgra + i * 4;
        if (isTransparent(p)) {
            out.indices[i] = static_cast<uint8_t>(out.transparentIndex);
            continue;
        }
        auto [it, added] = index.try_emplace(rgbKey(p), static_cast<uint8_t>(out.palette.size()));
        if (added) {
            if (out.palette.size() == maxColours) return false;
            out.palette.push_back({p[2], p[1], p[0]});
        }
        out.indices[i] = it->second;
    }
    return true;
}

void medianCutPalette(const uint8_t* bgra, size_t pixels, size_t maxColours, IndexedPicture& out)
{
    std::vector<Bin> histogram(kBins);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = bgra + i * 4;
        if (isTransparent(p)) continue;
        Bin& b = histogram[static_cast<size_t>(binOf(p))];
        ++b.count;
        b.sum[0] += p[2];
        b.sum[1] += p[1];
        b.sum[2] += p[0];
    }
    std::vector<int> bins;
    for (int i = 0; i < kBins; ++i)
        if (histogram[static_cast<size_t>(i)].count) bins.push_back(i);

    std::vector<Box> boxes{{0, bins.size()}};
    while (boxes.size() < maxColours) {
        // Split the box with the longest side at the median of its pixels along that side.
        int chosen = -1, chosenChannel = 0, longest = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2) continue;
            auto [channel, length] = widestChannel(bins, boxes[b]);
            if (length > longest) chosen = static_cast<int>(b), chosenChannel = channel, longest = length;
        }
        if (chosen < 0) break;
        Box& box = boxes[static_cast<size_t>(chosen)];
        auto first = bins.begin() + static_cast<std::ptrdiff_t>(box.begin);
        auto last = bins.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [&](int a, int b) {
            return channelOf(a, chosenChannel) < channelOf(b, chosenChannel) ||
                   (channelOf(a, chosenChannel) == channelOf(b, chosenChannel) && a < b);
        });
        uint64_t total = 0;
        for (auto it = first; it != last; ++it) total += histogram[static_cast<size_t>(*it)].count;
        uint64_t running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            running += histogram[static_cast<size_t>(bins[i])].count;
            split = i + 1;
            if (running * 2 >= total) break;
        }
        const Box upper{split, box.end};
        box.end = split;
        boxes.push_back(upper);
    }

    std::vector<int> lookup(kBins, 0);
    for (const Box& box : boxes) {
        uint64_t count = 0, sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            const Bin& b = histogram[static_cast<size_t>(bins[i])];
            count += b.count;
            for (int c = 0; c < 3; ++c) sum[c] += b.sum[c];
        }
        if (!count) continue;
        const auto mean = [&](int c) { return static_cast<uint8_t>((sum[c] + count / 2) / count); };
        out.palette.push_back({mean(0), mean(1), mean(2)});
    }
    // Every occupied bin maps to the nearest palette colour.
    for (int bin : bins) {
        const int r = channelOf(bin, 0) * 8 + 4, g = channelOf(bin, 1) * 8 + 4, b = channelOf(bin, 2) * 8 + 4;
        int best = 0, bestDistance = 1 << 30;
        for (size_t i = 0; i < out.palette.size(); ++i) {
            const PaletteColour& c = out.palette[i];
            const int d = (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
            if (d < bestDistance) best = static_cast<int>(i), bestDistance = d;
        }
        lookup[static_cast<size_t>(bin)] = best;
    }
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = bgra + i * 4;
        out.indices[i] = isTransparent(p) ? static_cast<uint8_t>(out.transparentIndex)
                                          : static_cast<uint8_t>(lookup[static_cast<size_t>(binOf(p))]);
    }
}

}  // namespace

bool quantizeForGif(const uint8_t* bgra, uint32_t width, uint32_t height, IndexedPicture& out)
{
    out = {};
    if (!bgra || width == 0 || height == 0) return false;
    const size_t pixels = static_cast<size_t>(width) * height;
    try {
        out.indices.resize(pixels);
        bool transparent = false;
        for (size_t i = 0; i < pixels && !transparent; ++i) transparent = isTransparent(bgra + i * 4);
        size_t maxColours = 256;
        if (transparent) {
            out.transparentIndex = 255;
            maxColours = 255;
        }
        if (!exactPalette(bgra, pixels, maxColours, out)) {
            out.palette.clear();
            medianCutPalette(bgra, pixels, maxColours, out);
        }
        if (transparent) {
            out.palette.resize(256);
            out.palette[255] = {255, 255, 255};  // stands for transparency; white where it is not understood
        } else if (out.palette.empty()) {
            out.palette.push_back({});
        }
        return true;
    } catch (const std::bad_alloc&) {
        out = {};
        return false;
    }
}
