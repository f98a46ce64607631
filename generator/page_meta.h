#pragma once
// "%PAGEMETA%": what a search engine and a shared link read from an album page's head — the
// description as text, and the Open Graph and card tags (title, description, the album's first
// photo as the preview picture). A theme without the key gets the page it always had.

#include <string>
#include <string_view>

#include "generator/html_text.h"

struct GallerySettings;

// The tags, one a line. `firstPhoto` is the album's first photo ("photos/image-1-1.jpg"), or
// empty for an album without pictures (no picture tag then).
std::string pageMetaTags(const GallerySettings& settings, const std::string& firstPhoto);

// The same for a picture's page: the label as its title and description (the gallery's
// description when the label has no text), the photo as the preview picture.
std::string pictureMetaTags(const GallerySettings& settings, const std::string& label, const std::string& photo);
