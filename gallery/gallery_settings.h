#pragma once
// The gallery settings, their reset values, and a table that names each one: the 25 of the
// project file's fields, then those of its extension block (gallery/project_extension.h).
// The table drives the project file (the 21 integers in file order, the extension's records),
// the modified test, and the command line's show/set.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gallery/grid_side.h"
#include "gallery/project_extension.h"

// A new gallery's description until its owner writes one: a prompt to the owner, which the title
// dialog shows as a grey cue and no page shows.
inline constexpr char kDefaultGalleryDescription[] = "Enter gallery description here ...";

// Colours are 0x00BBGGRR: red in the lowest byte.
struct GallerySettings {
    std::string galleryTitle = "Untitled Gallery";
    std::string galleryDescription = kDefaultGalleryDescription;
    std::string themeName;
    GridSide rows = 6;  // always within 1 to 100
    GridSide columns = 4;
    int32_t thumbWidth = 150;
    int32_t reservedSetting = 5;  // kept in the file for compatibility, read by nothing
    int32_t albumWidth = 80;
    int32_t albumWidthUnit = 0;  // 0 percents, 1 pixels
    int32_t outsideBorderWidth = 0;
    int32_t insideBorderWidth = 1;
    int32_t outsideBorderColor = 0x7D7C7B;
    int32_t insideBorderColor = 0xFFFFFF;
    int32_t pictureCommentColor = 0x7D7C7B;
    int32_t galleryTitleColor = 0x646464;
    int32_t albumTitleColor = 0x646464;
    int32_t albumLinkColor = 0x696867;
    int32_t galleryDescriptionColor = 0x646464;
    int32_t pageLinksColor = 0x7D7C7B;
    int32_t pagesColor = 0x7D7C7B;
    int32_t albumCaptionColor = 0x646464;
    int32_t homePageColor = 0x696867;
    int32_t photoSize = 3;  // index into the photo size list; 3 is 1024 x 768
    int32_t homePageLink = 0;
    std::string homePageUrl = "http://";

    // --- Beyond the project file's fields: kept in its extension block ------------------------
    int32_t cameraDetails = 0;      // 1: camera, lens and exposure on picture pages, never the place
    int32_t slideshowSeconds = 5;   // the slideshow's interval until the visitor changes it
    int32_t darkVariant = 1;        // 1: themes that have one follow the visitor's dark preference
    KeptExtensions keptExtensions;  // what the file held that this program does not read

    bool operator==(const GallerySettings&) const = default;
};

// The description as pages show it: empty while it is still kDefaultGalleryDescription.
inline const std::string& pageDescription(const GallerySettings& settings)
{
    static const std::string kNone;
    return settings.galleryDescription == kDefaultGalleryDescription ? kNone : settings.galleryDescription;
}

enum class SettingKind { Text, Integer, Colour };

struct SettingInfo {
    std::string_view name;  // the model name, as used by the command line
    SettingKind kind;
    std::string GallerySettings::*text;      // set for Text
    int32_t (*get)(const GallerySettings&);  // set for Integer and Colour
    void (*set)(GallerySettings&, int32_t);  // set for Integer and Colour
    int32_t minimum;                         // accepted range for Integer and Colour
    int32_t maximum;

    int32_t numberIn(const GallerySettings& settings) const { return get(settings); }
    void setNumber(GallerySettings& settings, int32_t value) const { set(settings, value); }
};

// Every setting: in project file order the three texts, the 21 integers and the home page URL,
// then those of the extension block.
std::span<const SettingInfo> allSettings();
// Just the 21 integers and colours, in project file order.
std::span<const SettingInfo> integerSettings();
// The settings of the extension block; each is stored under its name.
std::span<const SettingInfo> extensionSettings();
const SettingInfo* findSetting(std::string_view name);
// Moves every integer setting into the range the settings panel allows: a number to the nearer
// end, a colour to its red, green and blue (the top byte dropped). For settings read from a file.
void bringIntoRange(GallerySettings& settings);
