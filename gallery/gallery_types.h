#pragma once
// The two records of a gallery: an album (one row of the album list) and an image.

#include <cstdint>
#include <string>

struct Album {
    std::string title;    // shown in the album list and on the built pages
    std::string caption;  // may hold line breaks
    int32_t key = 0;      // 1..99,999,999, unique within the gallery, never shown

    bool operator==(const Album&) const = default;
};

struct Image {
    std::string path;      // full path of the source picture; the file is only ever read
    int32_t albumKey = 0;  // key of the album it belongs to
    int32_t rotation = 0;  // degrees clockwise, a multiple of 90 in -270..270
    std::string comment;

    bool operator==(const Image&) const = default;
};
