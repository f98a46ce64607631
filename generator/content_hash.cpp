#include "generator/content_hash.h"

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

uint64_t finish(uint64_t h)
{
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

}  // namespace

uint64_t contentHash(const void* data, size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    const unsigned char* end = p + size;
    // Four independent lanes over 32-byte stripes keep the multipliers busy.
    uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    while (end - p >= 32) {
        for (int i = 0; i < 4; ++i) lanes[i] = mixLane(lanes[i], load64(p + 8 * i));
        p += 32;
    }
    uint64_t h = rotl(lanes[0], 1) + rotl(lanes[1], 7) + rotl(lanes[2], 12) + rotl(lanes[3], 18);
    h ^= static_cast<uint64_t>(size) * kPrime3;
    while (end - p >= 8) {
        h = rotl(h ^ mixLane(0, load64(p)), 27) * kPrime1 + kPrime3;
        p += 8;
    }
    while (p < end) {
        h = rotl(h ^ (*p * kPrime3), 11) * kPrime1;
        ++p;
    }
    return finish(h);
}
