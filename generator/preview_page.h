#pragma once
// The preview's sample album page: the theme's templates filled with sample content (ten made-up
// albums, a fixed page bar, a grid of one sample picture) and the values of the settings panel,
// written into a folder of its own under the user's temporary folder (or local data folder).
//
// USAGE (what the preview dialog does)
//   std::string folder = previewFolder();                 // ".../FotoloomPreview/"
//   preparePreviewFolder(folder);
//   CPicture sample(sampleImagePath(), kFormatGif);       // beside the program
//   CopyThemeImages(theme, folder, root);                 // then:
//   PreviewResult r = RenderPreview(input, folder, root, prompter);
//   if (r.outcome == PreviewOutcome::Shown) browser.navigate(r.pagePath);
//   MakeSampleImage(sample, thumbWidth, folder);
//
// Nothing here keeps state; the dialog owns the sample picture and the settings panel.

#include <string>

#include "gallery/gallery_settings.h"
#include "gallery/prompter.h"
#include "picture/picture.h"

// The values the sample page is made from: the settings panel's over the gallery's.
struct PreviewInput {
    // themeName: the theme list's text. rows, columns, thumbWidth, the two border widths and the
    // eleven colours: as the panel shows them. galleryTitle, galleryDescription, homePageLink:
    // the gallery's. albumWidthUnit: 0 when the unit list shows "percents".
    GallerySettings settings;
    // The album width edit's text as shown; when empty, settings.albumWidth in decimal.
    std::string albumWidthText;
    // For a page opened in the user's own browser: the sample pictures by their name alone (they
    // lie beside the page), which any browser shows. The embedded control gets the full path.
    bool samplesBesidePage = false;
};

enum class PreviewOutcome {
    Shown,           // "index.htm" and "style.css" written; navigate to pagePath
    NoTheme,         // "Cannot load template. Reinstall Fotoloom." told; nothing written
    NoPageTemplate,  // "Cannot open template '<path>" told; nothing written
    NoStyleSheet,    // "Cannot open template '<path>" told; "index.htm" written, not to be shown
    NotWritten,      // "Cannot write file '<path>" told: the preview folder refused it
};

struct PreviewResult {
    PreviewOutcome outcome = PreviewOutcome::Shown;
    std::string themeName;  // the theme used; differs from the input when it fell back (select it in the list)
    std::string pagePath;   // full path of the preview folder's "index.htm"
};

// The user's temporary folder + "FotoloomPreview" + a trailing separator; when the system's
// temporary folder is not there, the user's local data folder stands in for it (never the
// working folder); "" when neither is.
std::string previewFolder();
// Creates the preview folder and its "images" folder, one level each; false when either is
// missing after or is a link. Every file of the preview is written relative to the folder held
// open, through a new file renamed over its name, never through a link.
bool preparePreviewFolder(const std::string& folder);
// The sample picture beside the program: shippedFilesFolder() + separator + "sample.gif".
std::string sampleImagePath();

// Makes "index.htm" and "style.css" in the preview folder (which ends with a separator). Warnings
// go to the prompter. The page's sample pictures point at the folder's "sample.gif" by full path
// (by name alone with samplesBesidePage).
PreviewResult RenderPreview(const PreviewInput& input, const std::string& folder, const std::string& templateRoot,
                            IPrompter& prompter);
// The page text alone (template already read), for tests and for the dialog's own use.
std::string fillPreviewPage(std::string pageTemplate, const PreviewInput& input, const std::string& folder);
// Copies every file of the theme's "images" folder into the preview's "images", replacing files of
// the same name and keeping the rest. Returns the number of files copied. Call RenderPreview after.
size_t CopyThemeImages(const std::string& themeName, const std::string& folder, const std::string& templateRoot);
// Writes the sample picture, resized to thumbWidth wide (enlarged when smaller), as the preview
// folder's "sample.gif". False, writing nothing, when the sample is not loaded or a side is 0.
bool MakeSampleImage(const CPicture& sample, int thumbWidth, const std::string& folder);

inline constexpr char kPreviewPageName[] = "index.htm";
inline constexpr char kSampleImageName[] = "sample.gif";
