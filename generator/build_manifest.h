#pragma once
// The build manifest: what a build wrote into the gallery folder, kept there as ".fotoloom-manifest".
//
// It serves two purposes. The next build of the same folder removes the files that an earlier
// build wrote and this one does not (an album that shrank leaves nothing behind), and it keeps a
// photo and thumbnail whose fingerprint has not changed instead of making them again. Each file is
// recorded with the size and content hash of what was written, and a leftover is removed only
// while it still holds exactly that: a user's own file that took its place stays. A finished build
// also records a hash of what it was made from, so that a publish can tell whether the project
// would build something else now (build_inputs.h).
//
// The file is outside input: anybody can edit it. Reading it never fails; a line that does not
// parse, or names anything but a file of ours directly in the gallery folder or in its "images",
// "photos" or "thumbs" folder, is passed over. Names are relative, with "/" as separator.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/folder_handle.h"

// What the pages of a theme with high-density pictures tell of a picture (sizes, whether the
// high-density files exist, its average colour), kept so that an unchanged picture is not decoded
// again for them. Unknown (thumbWidth 0) for themes without them.
struct PictureLook {
    uint32_t photoWidth = 0;
    uint32_t photoHeight = 0;
    uint32_t thumbWidth = 0;
    uint32_t thumbHeight = 0;
    int32_t colour = -1;      // the average colour, 0x00BBGGRR; -1 when not known
    bool densePhoto = false;  // "photos/image-A-N@2x.jpg" was made
    bool denseThumb = false;  // "thumbs/thumb-A-N@2x.jpg" was made

    bool known() const { return thumbWidth != 0 && thumbHeight != 0; }
    bool operator==(const PictureLook&) const = default;
};

// What shaped one photo and its thumbnail: the source file and everything applied to it.
struct PictureFingerprint {
    std::string source;  // the source picture's path
    uint64_t sourceSize = 0;
    int64_t sourceModified = 0;  // file clock ticks
    uint64_t sourceHash = 0;     // contentHash of the source bytes
    std::string shape;           // rotation, photo box, thumbnail width, quality, pipeline version
    std::string thumbName;       // relative name of the thumbnail made with the photo
    PictureLook look;            // known when the shape asked for high-density files

    bool operator==(const PictureFingerprint&) const = default;
};

// What was written into one file.
struct WrittenFile {
    uint64_t size = 0;
    uint64_t hash = 0;  // contentHash of the bytes

    bool operator==(const WrittenFile&) const = default;
};

struct BuildManifest {
    std::map<std::string, WrittenFile> files;            // every file written, by name
    std::map<std::string, PictureFingerprint> pictures;  // photo name -> its fingerprint
    // What the pages and pictures were made from (build_inputs.h); only a build that finished and
    // wrote every file records it.
    std::optional<uint64_t> inputs;

    void clear()
    {
        files.clear();
        pictures.clear();
        inputs.reset();
    }
};

// The manifest's file name inside the gallery folder.
inline constexpr char kManifestName[] = ".fotoloom-manifest";

// Reads the manifest of the folder; an empty manifest when it is missing, too large, not a
// regular file (a link is not followed) or not ours.
BuildManifest readManifest(const FolderHandle& galleryFolder);
// The manifest as text, and back; exposed for tests. Lines of the first format, which had no
// content hashes, are passed over: nothing they list can be proven ours.
std::string manifestText(const BuildManifest& manifest);
BuildManifest parseManifest(std::string_view text);
// True for the names a build writes: "x" in the folder itself, or "images/x", "photos/x",
// "thumbs/x", where x is a plain file name.
bool isGalleryFileName(std::string_view name);
