#pragma once
// The remote manifest: what earlier publishes put on the destination, kept there as
// ".fotoloom-published" beside the pages. A publish compares it with the build manifest to
// upload only what changed, and removes a file only while this record lists it, so nothing the
// owner of the destination put there by hand is ever touched.
//
// It lives on a server anybody with access can edit, so it is read as hostile input: a line that
// does not parse, or names anything but a file of a gallery (see isGalleryFileName: no "..", no
// folder but "images", "photos" and "thumbs"), is passed over; a record larger than any we write
// is not read at all. A file's stamp is a line of its own ("S"), after its "F" line, so a record
// stays readable by earlier versions, which pass such lines over.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

inline constexpr char kRemoteManifestName[] = ".fotoloom-published";
// Far above what a gallery of a million pictures needs (about 60 bytes a file).
inline constexpr uint64_t kMaxRemoteManifestBytes = uint64_t{64} << 20;
inline constexpr size_t kMaxStampLength = 80;

struct RemoteFile {
    uint64_t size = 0;
    uint64_t hash = 0;  // contentHash of the bytes uploaded
    // What the destination itself said of the file once it was up, by which a later publish knows
    // it is still the one it put there ("" when unknown): its modification time over SFTP, its
    // ETag on S3. Never a secret; at most kMaxStampLength bytes of printable text.
    std::string stamp;

    bool operator==(const RemoteFile&) const = default;
};

struct RemoteManifest {
    std::map<std::string, RemoteFile> files;  // relative name, "/" as separator
};

// True for a name a publish may write or remove: a gallery file's name (isGalleryFileName), and
// never one of the program's own records (".fotoloom-...").
bool isPublishableName(std::string_view name);

std::string remoteManifestText(const RemoteManifest& manifest);
RemoteManifest parseRemoteManifest(std::string_view text);
