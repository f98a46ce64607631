#include "gallery/gallery_settings.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

using S = GallerySettings;
constexpr int32_t kAnyMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kAnyMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kColourMax = 0xFFFFFF;

constexpr SettingInfo text(std::string_view name, std::string S::*member)
{
    return {name, SettingKind::Text, member, nullptr, 0, 0};
}
constexpr SettingInfo number(std::string_view name, int32_t S::*member, int32_t lo, int32_t hi)
{
    return {name, SettingKind::Integer, nullptr, member, lo, hi};
}
constexpr SettingInfo colour(std::string_view name, int32_t S::*member)
{
    return {name, SettingKind::Colour, nullptr, member, 0, kColourMax};
}

// The ranges are those the settings panel allows.
const std::array<SettingInfo, 25> kSettings = {{
    text("galleryTitle", &S::galleryTitle),
    text("galleryDescription", &S::galleryDescription),
    text("themeName", &S::themeName),
    number("rows", &S::rows, 1, 100),
    number("columns", &S::columns, 1, 100),
    number("thumbWidth", &S::thumbWidth, 50, 300),
    number("reservedSetting", &S::reservedSetting, kAnyMin, kAnyMax),
    number("albumWidth", &S::albumWidth, 10, 3000),
    number("albumWidthUnit", &S::albumWidthUnit, 0, 1),
    number("outsideBorderWidth", &S::outsideBorderWidth, 0, 100),
    number("insideBorderWidth", &S::insideBorderWidth, 0, 100),
    colour("outsideBorderColor", &S::outsideBorderColor),
    colour("insideBorderColor", &S::insideBorderColor),
    colour("pictureCommentColor", &S::pictureCommentColor),
    colour("galleryTitleColor", &S::galleryTitleColor),
    colour("albumTitleColor", &S::albumTitleColor),
    colour("albumLinkColor", &S::albumLinkColor),
    colour("galleryDescriptionColor", &S::galleryDescriptionColor),
    colour("pageLinksColor", &S::pageLinksColor),
    colour("pagesColor", &S::pagesColor),
    colour("albumCaptionColor", &S::albumCaptionColor),
    colour("homePageColor", &S::homePageColor),
    number("photoSize", &S::photoSize, 0, 6),
    number("homePageLink", &S::homePageLink, 0, 1),
    text("homePageUrl", &S::homePageUrl),
}};

}  // namespace

std::span<const SettingInfo> allSettings() { return kSettings; }

std::span<const SettingInfo> integerSettings() { return std::span<const SettingInfo>(kSettings).subspan(3, 21); }

const SettingInfo* findSetting(std::string_view name)
{
    for (const SettingInfo& s : kSettings)
        if (s.name == name) return &s;
    return nullptr;
}

void bringIntoRange(GallerySettings& settings)
{
    for (const SettingInfo& s : integerSettings()) {
        int32_t& value = settings.*s.number;
        value = s.kind == SettingKind::Colour ? value & kColourMax : std::clamp(value, s.minimum, s.maximum);
    }
}
