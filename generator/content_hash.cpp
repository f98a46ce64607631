#include "generator/content_hash.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;

constexpr uint64_t rotl(uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

uint64_t load64(const unsigned char* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;  // byte order of the machine: every build machine we target is little-endian
}

uint64_t mixLane(uint64_t acc, uint64_t word) { return rotl(acc + word * kPrime2, 31) * kPrime1; }

uint64_t avalanche(uint64_t h)
{
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

}  // namespace

void ContentHasher::add(const void* data, size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    total_ += size;
    // Four independent lanes over 32-byte stripes keep the multipliers busy; a stripe cut by the
    // end of a piece waits for the next.
    if (pendingSize_ != 0) {
        const size_t n = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, p, n);
        pendingSize_ += n;
        p += n;
        size -= n;
        if (pendingSize_ < sizeof pending_) return;
        for (int i = 0; i < 4; ++i) lanes_[i] = mixLane(lanes_[i], load64(pending_ + 8 * i));
        pendingSize_ = 0;
    }
    for (; size >= 32; p += 32, size -= 32)
        for (int i = 0; i < 4; ++i) lanes_[i] = mixLane(lanes_[i], load64(p + 8 * i));
    std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

uint64_t ContentHasher::finish() const
{
    const unsigned char* p = pending_;
    const unsigned char* end = pending_ + pendingSize_;
    uint64_t h = rotl(lanes_[0], 1) + rotl(lanes_[1], 7) + rotl(lanes_[2], 12) + rotl(lanes_[3], 18);
    h ^= total_ * kPrime3;
    while (end - p >= 8) {
        h = rotl(h ^ mixLane(0, load64(p)), 27) * kPrime1 + kPrime3;
        p += 8;
    }
    while (p < end) {
        h = rotl(h ^ (*p * kPrime3), 11) * kPrime1;
        ++p;
    }
    return avalanche(h);
}

uint64_t contentHash(const void* data, size_t size)
{
    ContentHasher hasher;
    hasher.add(data, size);
    return hasher.finish();
}
