#pragma once
// The texts of a built gallery: names of its files, the album list, the picture grid with its
// cells, the page bar, the credit line, the picture page, and a whole album page.
//
// A is the album's position in the album list, N the picture's within its album, P the page's
// within its album; all from 1. Line ends are "\n" here; WriteTextFile writes them as CR LF.
// Texts from the gallery are inserted between tags as they are (they may hold markup), and into
// attributes as attributeText() (html_text.h), so that no text can leave its attribute.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gallery/gallery_settings.h"
#include "gallery/gallery_types.h"
#include "generator/build_manifest.h"
#include "picture/exif_fields.h"

// The address in the credit line under every album page.
inline constexpr char kCreditLineUrl[] = "https://fotoloom.example/";

std::string albumPageName(size_t album, size_t page);       // "index-A-P.html"
std::string picturePageName(size_t album, size_t picture);  // "image-A-N.html"
std::string photoFileName(size_t album, size_t picture);    // "image-A-N.jpg"
std::string thumbFileName(size_t album, size_t picture);    // "thumb-A-N.jpg"

// The high-density file of a photo or thumbnail: "photos/image-A-N.jpg" -> "photos/image-A-N@2x.jpg".
std::string denseFileName(const std::string& name);

// The keys a theme uses to ask for high-density pictures: the thumbnail grid in its page
// template, the photo in its picture page template ("picture.html").
inline constexpr char kSharpPicturesKey[] = "%SHARPPICTURES%";
inline constexpr char kPhotoKey[] = "%PHOTO%";
// The previous and next picture and "3 of 40", in a picture page template.
inline constexpr char kPictureNavigationKey[] = "%PICTURENAV%";
// How the picture was taken, in a picture page template; empty unless the owner shows it.
inline constexpr char kCameraDetailsKey[] = "%EXIF%";

// What stands where a picture that could not be made would be: a box drawn by the page itself
// holding the (escaped) name of its file, so that nothing refers to a photo or thumbnail that is
// not there. `width` and `height` in CSS pixels; `className` for a theme's style sheet.
std::string missingPictureBox(const Image& image, uint32_t width, uint32_t height, const char* className);

// The comment, or the album's title when the comment is empty.
const std::string& pictureLabel(const Image& image, const Album& album);
// What a picture's alt attribute says where a theme asks for today's pages: the comment's text,
// or the readable form of its file's name when the comment has none. Escaped for the attribute.
std::string pictureAltText(const Image& image);

// Pictures per page (rows x columns) and pages of an album of n pictures.
size_t pageSize(const GallerySettings& settings);
size_t pageCount(size_t pictures, size_t pageSize);

// The value of "%ALBUMS%": a link to the first page of every album, the current one (from 0) in bold.
std::string albumListBlock(std::span<const Album> albums, size_t current);
// The page of one picture: the photo, titled with the label; the box of missingPictureBox() in its
// place when `missing` (a picture that could not be made) is given.
std::string picturePageText(const std::string& label, size_t album, size_t picture, const Image* missing = nullptr);
// The credit line appended to every album page.
std::string creditLine();

// One album page.
struct AlbumPage {
    const GallerySettings* settings = nullptr;
    const Album* album = nullptr;
    size_t albumNumber = 0;                // A
    std::span<const Image* const> images;  // the album's pictures, in order
    size_t page = 1;                       // P
    std::span<const PictureLook> looks;    // of the same pictures when the theme asked for them; may be empty
    std::span<const ExifFields> details;   // of the same pictures when the owner shows them; may be empty
    std::span<const uint8_t> missing;  // of the same pictures: non-zero where none of its files was made; may be empty
};
// The thumbnail grid of the page ("%PICTURES%").
std::string pictureGrid(const AlbumPage& page);
// The same grid for today's screens ("%SHARPPICTURES%"): each thumbnail with its size, its
// high-density file offered beside it, its average colour behind it until it arrives, and those
// below the first row loaded lazily; each link tells the viewer the photo's size when a
// high-density photo exists, and the camera details when the owner shows them ("data-details").
std::string sharpPictureGrid(const AlbumPage& page);
// The bar above it ("%PAGES%"), with "%ALBUMTITLE%" and "%ALBUMCAPTION%" left for the page to fill.
std::string pageBar(const AlbumPage& page);
// "%WIDTH%" and "%HOMEPAGE%".
std::string albumWidthText(const GallerySettings& settings);
std::string homePageLink(const GallerySettings& settings);
// One picture's page from the theme's picture page template (LoadPicturePageTemplate).
struct PicturePage {
    const GallerySettings* settings = nullptr;
    const Album* album = nullptr;
    size_t albumNumber = 0;    // A
    size_t number = 0;         // N
    size_t albumPage = 1;      // P of the album page showing it
    size_t albumPictures = 0;  // n: how many the album holds
    const Image* image = nullptr;
    PictureLook look;                     // unknown for a picture that could not be read
    const ExifFields* details = nullptr;  // when the owner shows camera details
    bool missing = false;                 // none of its files was made: the page shows its file's name
};
// "%PHOTO%": the photo with its size and its high-density file offered beside it.
std::string photoElement(const PicturePage& page);
// "%PICTURENAV%": links to the previous and the next picture of the album, and "N of n".
std::string pictureNavigation(const PicturePage& page);
// The template's keys filled: "%PAGEMETA%", "%PHOTO%", "%ALBUMPAGE%" (the album page's name), "%PICTURENAV%",
// "%PICTURETITLE%" (the label), "%ALBUMTITLE%" ("%GALLERYTITLE%" and "%GALLERYDESCRIPTION%" are
// filled by the loader).
std::string picturePageFromTemplate(std::string pageTemplate, const PicturePage& page);

// The whole page: the page template (from LoadPageTemplate; may be empty) filled in the fixed key
// order, followed by the credit line.
std::string albumPageText(std::string pageTemplate, const AlbumPage& page, const std::string& albumList);
