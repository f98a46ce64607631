#pragma once
// The JPEG segments that the picture class reads and writes itself, the same on every platform:
// the EXIF orientation (APP1) and the ICC colour profile (APP2 "ICC_PROFILE", possibly split
// over several segments).

#include <cstddef>
#include <cstdint>
#include <vector>

struct JpegMarkerInfo {
    int orientation = 1;       // EXIF orientation, 1..8
    std::vector<uint8_t> icc;  // empty when absent or incomplete
};

// Walks the segments before the first scan. Malformed segments end the walk; what was read
// before them counts.
JpegMarkerInfo readJpegMarkers(const uint8_t* data, size_t size);

// A copy of a JPEG stream with the profile written as APP2 segments after SOI and any APP0
// (JFIF). False when `jpeg` does not start with SOI or the profile is too large.
bool insertIccProfile(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& icc, std::vector<uint8_t>& out);

// True when the stream holds an APPn segment (n = 0..15) before its first scan; for tests that
// saved files carry no EXIF.
bool jpegHasAppSegment(const uint8_t* data, size_t size, int n);
