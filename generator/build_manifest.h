#pragma once
// The build manifest: what a build wrote into the gallery folder, kept there as ".fotoloom-manifest".
//
// It serves two purposes. The next build of the same folder removes the files that an earlier
// build wrote and this one does not (an album that shrank leaves nothing behind), and it keeps a
// photo and thumbnail whose fingerprint has not changed instead of making them again.
//
// The file is outside input: anybody can edit it. Reading it never fails; a line that does not
// parse, or names anything but a file of ours directly in the gallery folder or in its "images",
// "photos" or "thumbs" folder, is passed over. Names are relative, with "/" as separator.

#include <cstdint>
#include <map>
#include <string>

// What shaped one photo and its thumbnail: the source file and everything applied to it.
struct PictureFingerprint {
    std::string source;          // the source picture's path
    uint64_t sourceSize = 0;
    int64_t sourceModified = 0;  // file clock ticks
    uint64_t sourceHash = 0;     // contentHash of the source bytes
    std::string shape;           // rotation, photo box, thumbnail width, quality, pipeline version
    std::string thumbName;       // relative name of the thumbnail made with the photo

    bool operator==(const PictureFingerprint&) const = default;
};

struct BuildManifest {
    std::map<std::string, uint64_t> files;                // every file written: name -> size written
    std::map<std::string, PictureFingerprint> pictures;   // photo name -> its fingerprint

    void clear()
    {
        files.clear();
        pictures.clear();
    }
};

// Reads the manifest file; an empty manifest when it is missing, too large or not ours.
BuildManifest readManifest(const std::string& path);
// Writes it beside the target and renames it into place. False on failure (nothing reported).
bool writeManifest(const std::string& path, const BuildManifest& manifest);
// The manifest as text, and back; exposed for tests.
std::string manifestText(const BuildManifest& manifest);
BuildManifest parseManifest(std::string_view text);
// True for the names a build writes: "x" in the folder itself, or "images/x", "photos/x",
// "thumbs/x", where x is a plain file name.
bool isGalleryFileName(std::string_view name);
