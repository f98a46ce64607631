#pragma once
// The images of a project listed for people (tab-separated lines) and for programs (JSON), with
// what their files are now: size and last change, or nothing when a file is missing.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

class CBuilderDoc;

// A picture file as the list shows it; nothing when it is missing or not a regular file.
struct PictureFileFacts {
    uint64_t size = 0;
    std::string modified;  // ISO 8601, UTC, to the second: "2024-05-01T09:30:00Z"
};
std::optional<PictureFileFacts> pictureFileFacts(const std::string& path);

// The images of album `albumRow` (0-based), or of every album in order followed by the images in
// no album when it is empty. One line each: album position (empty for none), row in the album
// (empty for none), file, rotation, comment, size in bytes, modification time; separated by tabs,
// with tab, line breaks and backslash in texts written as \t, \n, \r and \\, and size and time
// empty for a missing file.
void writeImageList(std::ostream& out, const CBuilderDoc& doc, std::optional<int> albumRow);
// The same as one JSON array of objects: "album", "position", "file", "rotation", "comment",
// "size", "modified"; null where there is no album, no row or no file.
void writeImageListJson(std::ostream& out, const CBuilderDoc& doc, std::optional<int> albumRow);
