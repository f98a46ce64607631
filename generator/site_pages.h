#pragma once
// The texts of a built gallery: names of its files, the album list, the picture grid with its
// cells, the page bar, the credit line, the picture page, and a whole album page.
//
// A is the album's position in the album list, N the picture's within its album, P the page's
// within its album; all from 1. Line ends are "\n" here; WriteTextFile writes them as CR LF.
// Texts from the gallery are inserted as they are (no HTML escaping): they may hold markup.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gallery/gallery_settings.h"
#include "gallery/gallery_types.h"

// The address in the credit line under every album page.
inline constexpr char kCreditLineUrl[] = "https://fotoloom.example/";

std::string albumPageName(size_t album, size_t page);       // "index-A-P.html"
std::string picturePageName(size_t album, size_t picture);  // "image-A-N.html"
std::string photoFileName(size_t album, size_t picture);    // "image-A-N.jpg"
std::string thumbFileName(size_t album, size_t picture);    // "thumb-A-N.jpg"

// The comment, or the album's title when the comment is empty.
const std::string& pictureLabel(const Image& image, const Album& album);

// Pictures per page (rows x columns) and pages of an album of n pictures.
size_t pageSize(const GallerySettings& settings);
size_t pageCount(size_t pictures, size_t pageSize);

// The value of "%ALBUMS%": a link to the first page of every album, the current one (from 0) in bold.
std::string albumListBlock(std::span<const Album> albums, size_t current);
// The page of one picture: the photo, titled with the label.
std::string picturePageText(const std::string& label, size_t album, size_t picture);
// The credit line appended to every album page.
std::string creditLine();

// One album page.
struct AlbumPage {
    const GallerySettings* settings = nullptr;
    const Album* album = nullptr;
    size_t albumNumber = 0;                // A
    std::span<const Image* const> images;  // the album's pictures, in order
    size_t page = 1;                       // P
};
// The thumbnail grid of the page ("%PICTURES%").
std::string pictureGrid(const AlbumPage& page);
// The bar above it ("%PAGES%"), with "%ALBUMTITLE%" and "%ALBUMCAPTION%" left for the page to fill.
std::string pageBar(const AlbumPage& page);
// "%WIDTH%" and "%HOMEPAGE%".
std::string albumWidthText(const GallerySettings& settings);
std::string homePageLink(const GallerySettings& settings);
// The whole page: the page template (from LoadPageTemplate; may be empty) filled in the fixed key
// order, followed by the credit line.
std::string albumPageText(std::string pageTemplate, const AlbumPage& page, const std::string& albumList);
