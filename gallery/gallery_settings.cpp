#include "gallery/gallery_settings.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

using S = GallerySettings;
constexpr int32_t kAnyMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kAnyMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kColourMax = 0xFFFFFF;

// Reading and writing one number, whatever type the model keeps it in.
template <auto Member> int32_t getNumber(const S& settings) { return settings.*Member; }
template <auto Member> void setNumber(S& settings, int32_t value) { settings.*Member = value; }

constexpr SettingInfo text(std::string_view name, std::string S::*member)
{
    return {name, SettingKind::Text, member, nullptr, nullptr, 0, 0};
}
template <auto Member> constexpr SettingInfo number(std::string_view name, int32_t lo, int32_t hi)
{
    return {name, SettingKind::Integer, nullptr, &getNumber<Member>, &setNumber<Member>, lo, hi};
}
template <auto Member> constexpr SettingInfo colour(std::string_view name)
{
    return {name, SettingKind::Colour, nullptr, &getNumber<Member>, &setNumber<Member>, 0, kColourMax};
}

constexpr size_t kFileFields = 25;

// The ranges are those the settings panel allows.
const std::array<SettingInfo, kFileFields + 3> kSettings = {{
    text("galleryTitle", &S::galleryTitle),
    text("galleryDescription", &S::galleryDescription),
    text("themeName", &S::themeName),
    number<&S::rows>("rows", GridSide::kMinimum, GridSide::kMaximum),
    number<&S::columns>("columns", GridSide::kMinimum, GridSide::kMaximum),
    number<&S::thumbWidth>("thumbWidth", 50, 300),
    number<&S::reservedSetting>("reservedSetting", kAnyMin, kAnyMax),
    number<&S::albumWidth>("albumWidth", 10, 3000),
    number<&S::albumWidthUnit>("albumWidthUnit", 0, 1),
    number<&S::outsideBorderWidth>("outsideBorderWidth", 0, 100),
    number<&S::insideBorderWidth>("insideBorderWidth", 0, 100),
    colour<&S::outsideBorderColor>("outsideBorderColor"),
    colour<&S::insideBorderColor>("insideBorderColor"),
    colour<&S::pictureCommentColor>("pictureCommentColor"),
    colour<&S::galleryTitleColor>("galleryTitleColor"),
    colour<&S::albumTitleColor>("albumTitleColor"),
    colour<&S::albumLinkColor>("albumLinkColor"),
    colour<&S::galleryDescriptionColor>("galleryDescriptionColor"),
    colour<&S::pageLinksColor>("pageLinksColor"),
    colour<&S::pagesColor>("pagesColor"),
    colour<&S::albumCaptionColor>("albumCaptionColor"),
    colour<&S::homePageColor>("homePageColor"),
    number<&S::photoSize>("photoSize", 0, 6),
    number<&S::homePageLink>("homePageLink", 0, 1),
    text("homePageUrl", &S::homePageUrl),
    // The extension block's, stored under these names: a name never changes its meaning.
    number<&S::cameraDetails>("cameraDetails", 0, 1),
    number<&S::slideshowSeconds>("slideshowSeconds", 1, 60),
    number<&S::darkVariant>("darkVariant", 0, 1),
}};

}  // namespace

std::span<const SettingInfo> allSettings() { return kSettings; }

std::span<const SettingInfo> integerSettings() { return std::span<const SettingInfo>(kSettings).subspan(3, 21); }

std::span<const SettingInfo> extensionSettings()
{
    return std::span<const SettingInfo>(kSettings).subspan(kFileFields);
}

const SettingInfo* findSetting(std::string_view name)
{
    for (const SettingInfo& s : kSettings)
        if (s.name == name) return &s;
    return nullptr;
}

void bringIntoRange(GallerySettings& settings)
{
    for (const SettingInfo& s : kSettings) {
        if (s.kind == SettingKind::Text) continue;
        const int32_t value = s.numberIn(settings);
        s.setNumber(settings,
                    s.kind == SettingKind::Colour ? value & kColourMax : std::clamp(value, s.minimum, s.maximum));
    }
}
