// The thumbnail cache's entry reader on arbitrary bytes: it must fail cleanly or give pixels
// matching the sides it read, and an entry it accepts must encode back to the same bytes. Each
// input is tried as it is and with its checksum made right, so the fields behind the checksum
// are explored too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gallery/thumbnail_cache_entry.h"

namespace {

void tryEntry(const uint8_t* data, size_t size)
{
    ThumbnailEntry entry;
    if (!decodeThumbnailEntry(data, size, entry)) return;
    if (entry.bgra.size() != static_cast<size_t>(entry.width) * entry.height * 4) std::abort();
    const std::vector<uint8_t> again =
        encodeThumbnailEntry(entry.key, entry.width, entry.height, entry.bgra.data(), entry.hasAlpha);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tryEntry(data, size);
    constexpr size_t bodyAt = kThumbnailEntryChecksumAt + 8;
    if (size < bodyAt) return 0;
    std::vector<uint8_t> sealed(data, data + size);
    const uint64_t sum = thumbnailEntryChecksum(sealed.data() + bodyAt, size - bodyAt);
    for (int i = 0; i < 8; ++i) sealed[kThumbnailEntryChecksumAt + i] = static_cast<uint8_t>(sum >> (8 * i));
    tryEntry(sealed.data(), sealed.size());
    return 0;
}
