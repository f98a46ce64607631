#include "picture/picture_jpeg_markers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include "picture/exif_orientation.h"

namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
constexpr char kIccTag[] = "ICC_PROFILE";  // 12 bytes with its NUL
constexpr size_t kIccHeader = 14;          // tag, sequence number, count
constexpr size_t kMaxSegmentPayload = 65533;

// Calls visit(marker, payload, length, segmentStart) for each segment up to the first scan.
void walkSegments(const uint8_t* data, size_t size,
                  const std::function<bool(uint8_t, const uint8_t*, size_t, size_t)>& visit)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != kSoi) return;
    size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) return;
        size_t at = pos;
        while (at < size && data[at] == 0xFF) ++at;  // fill bytes
        if (at >= size) return;
        const uint8_t marker = data[at];
        if (marker == kSos || marker == kEoi) return;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos = at + 1;
            continue;
        }
        if (size - at < 3) return;
        const size_t length = (static_cast<size_t>(data[at + 1]) << 8) | data[at + 2];
        if (length < 2 || length - 2 > size - at - 3) return;
        if (!visit(marker, data + at + 3, length - 2, pos)) return;
        pos = at + 1 + length;
    }
}

}  // namespace

JpegMarkerInfo readJpegMarkers(const uint8_t* data, size_t size)
{
    JpegMarkerInfo info;
    bool exifSeen = false;
    std::array<std::vector<uint8_t>, 256> chunks;
    std::array<bool, 256> have{};
    int chunkCount = 0;
    bool iccBroken = false;
    walkSegments(data, size, [&](uint8_t marker, const uint8_t* p, size_t n, size_t) {
        if (marker == kApp1 && !exifSeen && n >= 6 && std::memcmp(p, "Exif\0\0", 6) == 0) {
            exifSeen = true;
            info.orientation = exifOrientationFromTiff(p + 6, n - 6);
        } else if (marker == kApp2 && n >= kIccHeader && std::memcmp(p, kIccTag, sizeof kIccTag) == 0) {
            const int seq = p[12];
            const int count = p[13];
            if (seq == 0 || count == 0 || seq > count || (chunkCount && count != chunkCount) || have[seq])
                iccBroken = true;
            else {
                chunkCount = count;
                have[seq] = true;
                chunks[seq].assign(p + kIccHeader, p + n);
            }
        }
        return true;
    });
    if (chunkCount && !iccBroken) {
        size_t total = 0;
        for (int i = 1; i <= chunkCount; ++i) {
            if (!have[i]) return info;  // incomplete: better no profile than a wrong one
            total += chunks[i].size();
        }
        info.icc.reserve(total);
        for (int i = 1; i <= chunkCount; ++i) info.icc.insert(info.icc.end(), chunks[i].begin(), chunks[i].end());
    }
    return info;
}

bool insertIccProfile(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& icc, std::vector<uint8_t>& out)
{
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kSoi) return false;
    constexpr size_t kPerChunk = kMaxSegmentPayload - kIccHeader;
    const size_t count = (icc.size() + kPerChunk - 1) / kPerChunk;
    if (count > 255) return false;
    if (count == 0) {
        out = jpeg;
        return true;
    }
    // After SOI and a JFIF APP0 when there is one, as readers expect JFIF to come first.
    size_t insertAt = 2;
    walkSegments(jpeg.data(), jpeg.size(), [&](uint8_t marker, const uint8_t*, size_t n, size_t start) {
        if (marker == kApp0 && start == 2) insertAt = start + 4 + n;
        return false;
    });
    out.clear();
    out.reserve(jpeg.size() + icc.size() + count * (kIccHeader + 4));
    out.insert(out.end(), jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(insertAt));
    for (size_t i = 0; i < count; ++i) {
        const size_t from = i * kPerChunk;
        const size_t n = std::min(kPerChunk, icc.size() - from);
        const size_t length = n + kIccHeader + 2;
        out.insert(out.end(), {0xFF, kApp2, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF)});
        out.insert(out.end(), kIccTag, kIccTag + sizeof kIccTag);
        out.push_back(static_cast<uint8_t>(i + 1));
        out.push_back(static_cast<uint8_t>(count));
        out.insert(out.end(), icc.begin() + static_cast<std::ptrdiff_t>(from),
                   icc.begin() + static_cast<std::ptrdiff_t>(from + n));
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(insertAt), jpeg.end());
    return true;
}

bool jpegHasAppSegment(const uint8_t* data, size_t size, int n)
{
    bool found = false;
    walkSegments(data, size, [&](uint8_t marker, const uint8_t*, size_t, size_t) {
        if (marker == kApp0 + n) found = true;
        return !found;
    });
    return found;
}
