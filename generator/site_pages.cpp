#include "generator/site_pages.h"

#include <algorithm>
#include <functional>

#include "generator/camera_details.h"
#include "generator/html_text.h"
#include "generator/page_meta.h"
#include "generator/photo_fit.h"
#include "generator/theme_files.h"

namespace {

std::string numbered(const char* stem, size_t a, size_t b, const char* extension)
{
    return stem + std::to_string(a) + "-" + std::to_string(b) + extension;
}

bool isMissing(const AlbumPage& page, size_t index) { return index < page.missing.size() && page.missing[index] != 0; }

// The box a thumbnail that was not made leaves: the grid's width, three quarters as high.
std::string missingThumb(const AlbumPage& page, const Image& image)
{
    const uint32_t width = static_cast<uint32_t>(std::max<int32_t>(page.settings->thumbWidth, 1));
    return missingPictureBox(image, width, width * 3 / 4, "divaround missingpicture");
}

std::string pictureCell(const AlbumPage& page, size_t number, const Image& image)
{
    const std::string w = decimal(page.settings->thumbWidth);
    const std::string& label = pictureLabel(image, *page.album);
    // Forward slashes: every browser and web server takes them; a backslash breaks off Windows.
    const std::string picture = isMissing(page, number - 1)
                                    ? missingThumb(page, image)
                                    : "<img class=\"divaround\" src=\"thumbs/" +
                                          thumbFileName(page.albumNumber, number) + "\" width=\"" + w + "\" alt=\"" +
                                          attributeText(label) + "\">";
    return "<table width=\"" + w + "\">" + "<tr><td width=\"" + w + "\" align=\"center\"><div class=\"divaround\">" +
           "<a href=\"" + picturePageName(page.albumNumber, number) + "\" target=\"_blank\">" + picture +
           "</a></div></td></tr>" + "<tr><td width=\"" + w + "\" align=\"center\"><span class=\"picturecomment\">" +
           image.comment + "</span></td></tr>" + "</table>";
}

std::string sizeAttributes(uint32_t width, uint32_t height)
{
    return " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
}

// "srcset" and "sizes" of a file of width w whose high-density file is 2w wide, shown at most w
// CSS pixels wide (narrower where the page is).
std::string denseSource(const std::string& name, uint32_t width, const char* sizes)
{
    const std::string w = std::to_string(width);
    return " srcset=\"" + name + " " + w + "w, " + denseFileName(name) + " " + std::to_string(uint64_t{width} * 2) +
           "w\" sizes=\"" + sizes + "\"";
}

std::string sharpPictureCell(const AlbumPage& page, size_t index, const Image& image, const PictureLook* look,
                             bool firstRow)
{
    const size_t number = index + 1;
    const std::string w = decimal(page.settings->thumbWidth);
    const std::string thumb = "thumbs/" + thumbFileName(page.albumNumber, number);
    // The picture page opens in place: the browser's back button returns to the album.
    std::string link = "<a href=\"" + picturePageName(page.albumNumber, number) + "\"";
    std::string img = "<img class=\"divaround\" src=\"" + thumb + "\"";
    if (look && look->known()) {
        if (look->densePhoto)
            link +=
                " data-photo2x=\"" + std::to_string(look->photoWidth) + "x" + std::to_string(look->photoHeight) + "\"";
        if (look->denseThumb) {
            const std::string px = std::to_string(look->thumbWidth) + "px";
            img += denseSource(thumb, look->thumbWidth, px.c_str());
        }
        img += sizeAttributes(look->thumbWidth, look->thumbHeight);
    } else {
        // Not made: a box of the grid's width, so that nothing moves around it.
        const uint32_t width = static_cast<uint32_t>(std::max<int32_t>(page.settings->thumbWidth, 1));
        img += sizeAttributes(width, width * 3 / 4);
    }
    if (const ExifFields* details = index < page.details.size() ? &page.details[index] : nullptr) {
        const std::string line = cameraDetailsLine(*details);
        if (!line.empty()) link += " data-details=\"" + escapedText(line) + "\"";
    }
    if (!firstRow) img += " loading=\"lazy\" decoding=\"async\"";
    if (look && look->colour >= 0) img += " style=\"background-color: " + FormatColour(look->colour) + "\"";
    img += " alt=\"" + pictureAltText(image) + "\">";
    if (isMissing(page, index)) img = missingThumb(page, image);
    link += ">";
    return "<table width=\"" + w + "\">" + "<tr><td width=\"" + w + "\" align=\"center\"><div class=\"divaround\">" +
           link + img + "</a></div></td></tr>" + "<tr><td width=\"" + w +
           "\" align=\"center\"><span class=\"picturecomment\">" + image.comment + "</span></td></tr>" + "</table>";
}

size_t gridRows(const GallerySettings& s) { return static_cast<size_t>(int32_t{s.rows}); }
size_t gridColumns(const GallerySettings& s) { return static_cast<size_t>(int32_t{s.columns}); }

// The grid of the page: rows x columns cells, filled in order with the page's pictures by `cell`
// (the picture's index in the album, from 0, and whether it is in the first row).
std::string gridOf(const AlbumPage& page, const std::function<std::string(size_t, bool)>& cell,
                   const std::string& attributes = {})
{
    const size_t rows = gridRows(*page.settings);
    const size_t columns = gridColumns(*page.settings);
    size_t index = (page.page - 1) * rows * columns;  // m: the page's first picture, from 0
    std::string out = "<table width=\"100%\"" + attributes + ">";
    for (size_t r = 0; r < rows; ++r) {
        out += "<tr>";
        for (size_t c = 0; c < columns; ++c) {
            out += "\t\t\t\t<td align=\"center\">";
            if (index < page.images.size()) out += cell(index++, r == 0);
            out += "</td>";
        }
        out += "</tr>\n";
    }
    out += "</table>";
    return out;
}

}  // namespace

std::string albumPageName(size_t album, size_t page) { return numbered("index-", album, page, ".html"); }
std::string picturePageName(size_t album, size_t picture) { return numbered("image-", album, picture, ".html"); }
std::string photoFileName(size_t album, size_t picture) { return numbered("image-", album, picture, ".jpg"); }
std::string thumbFileName(size_t album, size_t picture) { return numbered("thumb-", album, picture, ".jpg"); }

std::string denseFileName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + "@2x";
    return name.substr(0, dot) + "@2x" + name.substr(dot);
}

const std::string& pictureLabel(const Image& image, const Album& album)
{
    return image.comment.empty() ? album.title : image.comment;
}

std::string pictureAltText(const Image& image)
{
    std::string text = attributeText(image.comment);
    return text.empty() ? escapedText(readableFileName(image.path)) : text;
}

size_t pageSize(const GallerySettings& settings) { return gridRows(settings) * gridColumns(settings); }

size_t pageCount(size_t pictures, size_t size) { return (std::max<size_t>(pictures, 1) + size - 1) / size; }

std::string albumListBlock(std::span<const Album> albums, size_t current)
{
    std::string out = "<table><tr><td align=\"left\">";
    for (size_t i = 0; i < albums.size(); ++i) {
        const std::string link =
            "<a href=\"" + albumPageName(i + 1, 1) + "\" class=\"albumlinks\">" + albums[i].title + "</a>";
        out += i == current ? "\t\t\t<b>" + link + "</b><br>\n" : "\t\t\t" + link + "<br>\n";
    }
    out += "</td></tr></table>";
    return out;
}

std::string missingPictureBox(const Image& image, uint32_t width, uint32_t height, const char* className)
{
    std::string_view name = image.path;
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const std::string text = escapedText(name);
    // Styled here rather than by the theme, so that a theme that knows nothing of it still shows a
    // box; the plain display first for a browser without flexible boxes.
    return std::string("<span class=\"") + className + "\" role=\"img\" aria-label=\"" + text +
           "\" style=\"display: inline-block; display: inline-flex; align-items: center; justify-content: center; "
           "box-sizing: border-box; width: " +
           std::to_string(width) + "px; max-width: 100%; height: " + std::to_string(height) +
           "px; padding: 4px; border: 1px dashed; font-size: 12px; line-height: 1.3; text-align: center; "
           "vertical-align: middle; overflow: hidden; overflow-wrap: anywhere; word-break: break-all\">" +
           text + "</span>";
}

std::string picturePageText(const std::string& label, size_t album, size_t picture, const Image* missing)
{
    const std::string photo = missing ? missingPictureBox(*missing, 320, 240, "missingpicture")
                                      : "<img src=\"photos/" + photoFileName(album, picture) +
                                            "\" border=\"0\" alt=\"" + attributeText(label) + "\">";
    // The page text is UTF-8; without the declaration a browser reads the label in its local code page.
    return "<html><head><meta charset=\"utf-8\"><title>" + label + "</title></head><body>" +
           "<table width=\"100%\" height=\"100%\" align=\"center\" valign=\"top\">\t<tr>\t\t<td align=\"center\">" +
           photo + "\t\t</td>\t</tr></table></body></html>";
}

std::string creditLine()
{
    return std::string("\t\t\t<center><span style=\"width: 100%; font-family: helvetica; font-size: 11px;\"><br>") +
           "\t\t\tWeb gallery generated by <a href=\"" + kCreditLineUrl +
           "\" target=\"_blank\" style=\"font-family: helvetica; font-size: 11px;\">Fotoloom</a><br>" +
           "\t\t\t</span></center><br><br>\n";
}

std::string pictureGrid(const AlbumPage& page)
{
    return gridOf(page, [&page](size_t index, bool) { return pictureCell(page, index + 1, *page.images[index]); });
}

std::string sharpPictureGrid(const AlbumPage& page)
{
    // The viewer's slideshow starts at the owner's interval.
    const std::string attributes = " data-slideshow=\"" + decimal(page.settings->slideshowSeconds) + "\"";
    return gridOf(
        page,
        [&page](size_t index, bool firstRow) {
            const PictureLook* look = index < page.looks.size() ? &page.looks[index] : nullptr;
            return sharpPictureCell(page, index, *page.images[index], look, firstRow);
        },
        attributes);
}

std::string photoElement(const PicturePage& page)
{
    if (page.missing) {
        // The photo's box, at most a middling one: a large empty box says no more than a small one.
        PhotoBox box = photoBoxOf(page.settings->photoSize);
        if (box.width == 0 || box.width > 640) box = photoBoxOf(1);
        return "<p class=\"missingphoto\" style=\"text-align: center\">" +
               missingPictureBox(*page.image, box.width, box.height, "missingpicture") + "</p>";
    }
    const std::string photo = "photos/" + photoFileName(page.albumNumber, page.number);
    std::string img = "<img class=\"photo\" src=\"" + photo + "\"";
    if (page.look.known()) {
        if (page.look.densePhoto) {
            const std::string w = std::to_string(page.look.photoWidth) + "px";
            const std::string sizes = "(max-width: " + w + ") 100vw, " + w;
            img += denseSource(photo, page.look.photoWidth, sizes.c_str());
        }
        img += sizeAttributes(page.look.photoWidth, page.look.photoHeight);
    }
    return img + " alt=\"" + pictureAltText(*page.image) + "\">";
}

std::string pictureNavigation(const PicturePage& page)
{
    const size_t a = page.albumNumber, n = page.number;
    std::string out = "<nav class=\"picturenav\" aria-label=\"Pictures of the album\">";
    if (n > 1) out += "<a class=\"previous\" rel=\"prev\" href=\"" + picturePageName(a, n - 1) + "\">Previous</a>";
    out += "<span class=\"position\">" + std::to_string(n) + " of " + std::to_string(page.albumPictures) + "</span>";
    if (n < page.albumPictures)
        out += "<a class=\"next\" rel=\"next\" href=\"" + picturePageName(a, n + 1) + "\">Next</a>";
    return out + "</nav>";
}

std::string picturePageFromTemplate(std::string text, const PicturePage& page)
{
    const std::string photo = "photos/" + photoFileName(page.albumNumber, page.number);
    const std::string& label = pictureLabel(*page.image, *page.album);
    const bool shared = page.look.known() && !page.missing;
    ReplaceAll(text, "%PAGEMETA%", pictureMetaTags(*page.settings, label, shared ? photo : std::string()));
    ReplaceAll(text, kPhotoKey, photoElement(page));
    ReplaceAll(text, "%ALBUMPAGE%", albumPageName(page.albumNumber, page.albumPage));
    ReplaceAll(text, kPictureNavigationKey, pictureNavigation(page));
    ReplaceAll(text, kCameraDetailsKey, page.details ? cameraDetailsBlock(*page.details) : std::string());
    ReplaceAll(text, "%PICTURETITLE%", label);
    ReplaceAll(text, "%ALBUMTITLE%", page.album->title);
    return text;
}

std::string pageBar(const AlbumPage& page)
{
    const size_t n = page.images.size();
    const size_t size = pageSize(*page.settings);
    const size_t pages = pageCount(n, size);
    const size_t m = (page.page - 1) * size;
    const size_t first = n == 0 ? 0 : m + 1;
    const size_t last = std::min(m + size, n);
    std::string previous, next;
    if (page.page > 1)
        previous = " <a href=\"" + albumPageName(page.albumNumber, page.page - 1) + "\"><b>&lt;&lt; Previous</b></a> ";
    if (page.page < pages)
        next = " <a href=\"" + albumPageName(page.albumNumber, page.page + 1) + "\"><b>Next &gt;&gt;</b></a> ";
    return "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"10\"><tr>\n"
           "\t\t\t<td align=\"left\" valign=\"middle\">\n"
           "\t\t\t<nobr><b>Pictures " +
           std::to_string(first) + " - " + std::to_string(last) + "</b> of " + std::to_string(n) + "</nobr></td>\n" +
           "\t\t\t<td width=\"100%\" align=\"center\" valign=\"middle\"><span "
           "class=\"albumtitle\">%ALBUMTITLE%</span>" +
           (page.album->caption.empty() ? "" : " : ") + "<span class=\"albumcaption\">%ALBUMCAPTION%</span></td>\n" +
           "\t\t\t<td align=\"right\" valign=\"middle\"><nobr>" + previous + " Page " + std::to_string(page.page) +
           " of " + std::to_string(pages) + next + "\t\t\t</nobr></td>\n" + "\t\t\t</tr></table>\n";
}

std::string albumWidthText(const GallerySettings& settings)
{
    return decimal(settings.albumWidth) + (settings.albumWidthUnit == 0 ? "%" : "");
}

std::string homePageLink(const GallerySettings& settings)
{
    if (!settings.homePageLink) return {};
    return "<a href=\"" + attributeText(settings.homePageUrl) +
           "\" class=\"homepage\" title=\"Return to Home\">Back to Home</a>";
}

std::string albumPageText(std::string text, const AlbumPage& page, const std::string& albumList)
{
    const GallerySettings& s = *page.settings;
    // First, so that no text of the user's is searched for it, and nothing in it for other keys.
    // The album's first photo that was made stands for it.
    size_t first = 0;
    while (first < page.images.size() && isMissing(page, first)) ++first;
    ReplaceAll(text, "%PAGEMETA%",
               pageMetaTags(s, first == page.images.size() ? std::string()
                                                           : "photos/" + photoFileName(page.albumNumber, first + 1)));
    ReplaceAll(text, "%HOMEPAGE%", homePageLink(s));
    ReplaceAll(text, "%PAGES%", pageBar(page));
    ReplaceAll(text, "%WIDTH%", albumWidthText(s));
    ReplaceAll(text, "%PICTURES%", pictureGrid(page));
    // Beside "%PICTURES%", and made only for a theme that uses it.
    if (text.find(kSharpPicturesKey) != std::string::npos) ReplaceAll(text, kSharpPicturesKey, sharpPictureGrid(page));
    ReplaceAll(text, "%GALLERYTITLE%", s.galleryTitle);
    ReplaceAll(text, "%GALLERYDESCRIPTION%", pageDescription(s));
    ReplaceAll(text, "%ALBUMTITLE%", page.album->title);
    ReplaceAll(text, "%ALBUMCAPTION%", page.album->caption);
    ReplaceAll(text, "%ALBUMS%", albumList);
    text += creditLine();
    return text;
}
