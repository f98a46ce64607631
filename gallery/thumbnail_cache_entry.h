#pragma once
// One entry of the thumbnail cache as bytes: the key it was made for, then the pixels of the
// finished thumbnail. The bytes come from a file anybody may have changed, truncated or replaced,
// so the reader checks every length against what remains and a checksum over the whole entry.
//
// Layout (little-endian):
//   "FLTHMB02"                    8 bytes (the digits: how thumbnails are made)
//   checksum                      u64, FNV-1a over every byte after it
//   path length, path             u32, UTF-8 bytes
//   file size, modification time  u64, i64
//   rotation, channels            u16 (0, 90, 180, 270), u16 (3: BGR, 4: BGRA)
//   box width, box height         u32, u32: the box the picture was fitted into
//   width, height                 u32, u32
//   pixels                        width x height x channels, rows top down, nothing after them

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a thumbnail was made from: the picture file as it was, and how it is shown.
struct ThumbnailKey {
    std::string path;      // full path of the picture file, UTF-8
    uint64_t size = 0;     // of the file, in bytes
    int64_t modified = 0;  // ticks of the file clock; compared, never shown
    int rotation = 0;      // clockwise: 0, 90, 180 or 270
    uint32_t boxWidth = 0;
    uint32_t boxHeight = 0;

    bool operator==(const ThumbnailKey&) const = default;
};

struct ThumbnailEntry {
    ThumbnailKey key;
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasAlpha = false;      // stored with its alpha channel
    std::vector<uint8_t> bgra;  // width x height x 4, straight alpha (255 when stored without)
};

// Sides of a stored thumbnail: a cell at a high screen scale stays well within this.
inline constexpr uint32_t kMaxThumbnailSide = 2048;
inline constexpr size_t kMaxThumbnailPathBytes = 32 * 1024;

// The bytes of an entry; bgra holds width x height x 4 bytes. keepAlpha false stores three
// channels. Empty when a side or the path is out of bounds.
std::vector<uint8_t> encodeThumbnailEntry(const ThumbnailKey& key, uint32_t width, uint32_t height, const uint8_t* bgra,
                                          bool keepAlpha);
// Reads an entry; false for anything but an intact one, `out` then unspecified.
bool decodeThumbnailEntry(const uint8_t* data, size_t size, ThumbnailEntry& out);
// The checksum of an entry, over the bytes after the checksum field (the fuzz target makes
// entries that pass it, so the fields behind it get tried too).
inline constexpr size_t kThumbnailEntryChecksumAt = 8;
uint64_t thumbnailEntryChecksum(const uint8_t* body, size_t size);
// A 64-bit FNV-1a hash of the key, which names its entry's file.
uint64_t thumbnailKeyHash(const ThumbnailKey& key);
