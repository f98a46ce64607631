// Writing and reading the bytes of one thumbnail cache entry.

#include "gallery/thumbnail_cache_entry.h"

#include <cstring>
#include <new>

#include "picture/picture_read_cursor.h"

namespace {

// The last two digits are raised when thumbnails are made differently, so older ones are made
// again (02: TIFFs turned by their orientation tag on Windows too).
constexpr char kMagic[8] = {'F', 'L', 'T', 'H', 'M', 'B', '0', '2'};
constexpr size_t kChecksumAt = kThumbnailEntryChecksumAt;
static_assert(kChecksumAt == sizeof kMagic);
constexpr size_t kBodyAt = kChecksumAt + 8;

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

uint64_t fnv1a(const uint8_t* data, size_t size, uint64_t hash = kFnvOffset)
{
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * kFnvPrime;
    return hash;
}

void putLe(std::vector<uint8_t>& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putKey(std::vector<uint8_t>& out, const ThumbnailKey& key)
{
    putLe(out, key.path.size(), 4);
    out.insert(out.end(), key.path.begin(), key.path.end());
    putLe(out, key.size, 8);
    putLe(out, static_cast<uint64_t>(key.modified), 8);
    putLe(out, static_cast<uint16_t>(key.rotation), 2);
}

bool validRotation(int rotation) { return rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270; }

}  // namespace

uint64_t thumbnailEntryChecksum(const uint8_t* body, size_t size) { return fnv1a(body, size); }

uint64_t thumbnailKeyHash(const ThumbnailKey& key)
{
    std::vector<uint8_t> bytes;
    putKey(bytes, key);
    putLe(bytes, key.boxWidth, 4);
    putLe(bytes, key.boxHeight, 4);
    return fnv1a(bytes.data(), bytes.size());
}

std::vector<uint8_t> encodeThumbnailEntry(const ThumbnailKey& key, uint32_t width, uint32_t height, const uint8_t* bgra,
                                          bool keepAlpha)
{
    if (width == 0 || height == 0 || width > kMaxThumbnailSide || height > kMaxThumbnailSide ||
        key.path.size() > kMaxThumbnailPathBytes || !validRotation(key.rotation) || !bgra)
        return {};
    const size_t channels = keepAlpha ? 4 : 3;
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint8_t> out;
    try {
        out.reserve(kBodyAt + 40 + key.path.size() + pixels * channels);
        out.insert(out.end(), kMagic, kMagic + sizeof kMagic);
        putLe(out, 0, 8);  // checksum, filled in below
        putKey(out, key);
        putLe(out, channels, 2);
        putLe(out, key.boxWidth, 4);
        putLe(out, key.boxHeight, 4);
        putLe(out, width, 4);
        putLe(out, height, 4);
        if (keepAlpha) {
            out.insert(out.end(), bgra, bgra + pixels * 4);
        } else {
            const size_t at = out.size();
            out.resize(at + pixels * 3);
            uint8_t* d = out.data() + at;
            for (size_t i = 0; i < pixels; ++i, d += 3, bgra += 4) std::memcpy(d, bgra, 3);
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    const uint64_t sum = fnv1a(out.data() + kBodyAt, out.size() - kBodyAt);
    for (int i = 0; i < 8; ++i) out[kChecksumAt + i] = static_cast<uint8_t>(sum >> (8 * i));
    return out;
}

bool decodeThumbnailEntry(const uint8_t* data, size_t size, ThumbnailEntry& out)
{
    ReadCursor in(data, size);
    const uint8_t* magic = in.take(sizeof kMagic);
    if (!magic || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
    const uint64_t sum = in.u32le() | (static_cast<uint64_t>(in.u32le()) << 32);
    if (!in.ok() || fnv1a(in.here(), in.remaining()) != sum) return false;

    const uint32_t pathLength = in.u32le();
    if (!in.ok() || pathLength > kMaxThumbnailPathBytes) return false;
    const uint8_t* path = in.take(pathLength);
    if (!path) return false;
    ThumbnailKey key;
    key.path.assign(reinterpret_cast<const char*>(path), pathLength);
    key.size = in.u32le() | (static_cast<uint64_t>(in.u32le()) << 32);
    key.modified = static_cast<int64_t>(in.u32le() | (static_cast<uint64_t>(in.u32le()) << 32));
    key.rotation = in.u16le();
    const uint16_t channels = in.u16le();
    key.boxWidth = in.u32le();
    key.boxHeight = in.u32le();
    const uint32_t width = in.u32le();
    const uint32_t height = in.u32le();
    if (!in.ok() || !validRotation(key.rotation) || (channels != 3 && channels != 4)) return false;
    if (width == 0 || height == 0 || width > kMaxThumbnailSide || height > kMaxThumbnailSide) return false;
    const size_t pixels = static_cast<size_t>(width) * height;
    if (in.remaining() != pixels * channels) return false;  // checked before anything is allocated
    const uint8_t* src = in.take(pixels * channels);

    try {
        out.bgra.resize(pixels * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (channels == 4) {
        std::memcpy(out.bgra.data(), src, pixels * 4);
    } else {
        uint8_t* d = out.bgra.data();
        for (size_t i = 0; i < pixels; ++i, d += 4, src += 3) {
            std::memcpy(d, src, 3);
            d[3] = 255;
        }
    }
    out.key = std::move(key);
    out.width = width;
    out.height = height;
    out.hasAlpha = channels == 4;
    return true;
}
