#pragma once
// The project file's extension block: settings the original format has no field for.
//
// ABOUT
//   A reader of the original format stops after the home page address and never sees what
//   follows, so everything newer lives there, in blocks:
//
//     magic     8 bytes   89 'F' 'L' 'X' 0D 0A 1A 0A
//     version   uint32    1: the records below; a block of another version is kept unread
//     length    uint32    bytes of records that follow
//     records   key       1 byte length (1 to 255), then the key's bytes (ASCII by custom)
//               value     uint32 length, then the value's bytes
//
//   All numbers are little-endian. A value is stored as it is meant, never transcoded: a text
//   as UTF-8, a number as decimal digits; so a file holds the same bytes on every system. A
//   key never changes its meaning: a new meaning takes a new key.
//
// USAGE
//   A flat setting is one more field of GallerySettings and one more row of the settings table
//   (gallery_settings.cpp, after the home page address): the project file, the modified test,
//   the command line's show and set all take it from there. Only settings off their default are
//   written, and a gallery with nothing to write has no block at all, so it saves byte for byte
//   as it always did. Records this program does not know, and blocks of other versions, are
//   kept as read and written back after its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct GallerySettings;

inline constexpr char kExtensionMagic[8] = {'\x89', 'F', 'L', 'X', '\r', '\n', '\x1A', '\n'};
inline constexpr uint32_t kExtensionVersion = 1;

struct ExtensionRecord {
    std::string key;
    std::string value;

    bool operator==(const ExtensionRecord&) const = default;
};

// What a file held that this program does not read: records of unknown keys, and whole blocks
// of other versions (magic and header included). Written back unchanged.
struct KeptExtensions {
    std::vector<ExtensionRecord> records;
    std::vector<std::string> blocks;

    bool operator==(const KeptExtensions&) const = default;
};

// The records of a version-1 block; nothing when they do not hold together (a length past the
// end, an empty key). Never allocates more than the bytes given.
std::optional<std::vector<ExtensionRecord>> parseExtensionRecords(std::string_view payload);
// One whole version-1 block of these records.
std::string encodeExtensionBlock(const std::vector<ExtensionRecord>& records);

// The settings' records: those off their default, then the kept ones.
std::vector<ExtensionRecord> extensionRecordsOf(const GallerySettings& settings);
// Takes the records of a block into the settings: a known key sets its setting (a value that is
// no number is passed over), any other is kept; of a repeated key the last one read counts.
void applyExtensionRecords(GallerySettings& settings, std::vector<ExtensionRecord> records);
