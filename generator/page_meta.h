#pragma once
// "%PAGEMETA%": what a search engine and a shared link read from an album page's head — the
// description as text, and the Open Graph and card tags (title, description, the album's first
// photo as the preview picture). A theme without the key gets the page it always had.

#include <string>
#include <string_view>

struct GallerySettings;

// Text of a fragment of HTML for an attribute value: tags dropped, runs of white space made one
// space, quotes and a lone "<" or ">" written as references; "%" too, so that no later key of
// the page is ever found inside the value.
std::string attributeText(std::string_view html);

// The tags, one a line. `firstPhoto` is the album's first photo ("photos/image-1-1.jpg"), or
// empty for an album without pictures (no picture tag then).
std::string pageMetaTags(const GallerySettings& settings, const std::string& firstPhoto);

// The same for a picture's page: the label as its title and description (the gallery's
// description when the label has no text), the photo as the preview picture.
std::string pictureMetaTags(const GallerySettings& settings, const std::string& label, const std::string& photo);
