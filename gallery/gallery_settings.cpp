#include "gallery/gallery_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

using S = GallerySettings;
constexpr int32_t kAnyMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kAnyMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kColourMax = 0xFFFFFF;

// Reading and writing one number, whatever type the model keeps it in.
template <auto Member> int32_t getNumber(const S& settings) { return settings.*Member; }
template <auto Member> void setNumber(S& settings, int32_t value) { settings.*Member = value; }

constexpr SettingInfo text(std::string_view name, std::string S::*member, bool (*accepts)(std::string_view) = nullptr,
                           std::string_view expected = {})
{
    return {name, SettingKind::Text, member, nullptr, nullptr, 0, 0, accepts, expected};
}
template <auto Member> constexpr SettingInfo number(std::string_view name, int32_t lo, int32_t hi)
{
    return {name, SettingKind::Integer, nullptr, &getNumber<Member>, &setNumber<Member>, lo, hi};
}
template <auto Member> constexpr SettingInfo colour(std::string_view name)
{
    return {name, SettingKind::Colour, nullptr, &getNumber<Member>, &setNumber<Member>, 0, kColourMax};
}

bool isPlaceOrEmpty(std::string_view text) { return text.empty() || parseGeoPoint(text).has_value(); }

// Put into pages and scripts: an https address with the tile's place in it, nothing that could
// end an attribute or a string.
bool isTileAddress(std::string_view text)
{
    if (!text.starts_with("https://")) return false;
    for (const char* part : {"{z}", "{x}", "{y}"})
        if (text.find(part) == std::string_view::npos) return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' || c == '\\' ||
               c == '`' || c == 0x7F;
    });
}

constexpr size_t kFileFields = 25;

// The ranges are those the settings panel allows.
const std::array<SettingInfo, kFileFields + 9> kSettings = {{
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
    number<&S::downloadOriginals>("downloadOriginals", 0, 1),
    number<&S::downloadAlbums>("downloadAlbums", 0, 1),
    number<&S::showMap>("showMap", 0, 1),
    text("mapTiles", &S::mapTiles, &isTileAddress, "an https:// address with {z}, {x} and {y} in it"),
    text("mapHideNear", &S::mapHideNear, &isPlaceOrEmpty, "\"latitude, longitude\" in degrees, or empty"),
    number<&S::mapHideRadius>("mapHideRadius", 1, 100),
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
    static const GallerySettings defaults;
    for (const SettingInfo& s : kSettings) {
        if (s.kind == SettingKind::Text) {
            if (s.accepts && !s.accepts(settings.*s.text)) settings.*s.text = defaults.*s.text;
            continue;
        }
        const int32_t value = s.numberIn(settings);
        s.setNumber(settings,
                    s.kind == SettingKind::Colour ? value & kColourMax : std::clamp(value, s.minimum, s.maximum));
    }
}

std::optional<GeoPoint> parseGeoPoint(std::string_view text)
{
    auto number = [](std::string_view part) -> std::optional<double> {
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        double value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc() || end != part.data() + part.size()) return std::nullopt;
        return value;
    };
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::optional<double> latitude = number(text.substr(0, comma));
    std::optional<double> longitude = number(text.substr(comma + 1));
    // The comparisons also refuse a NaN.
    if (!latitude || !longitude || !(*latitude >= -90 && *latitude <= 90) || !(*longitude >= -180 && *longitude <= 180))
        return std::nullopt;
    return GeoPoint{*latitude, *longitude};
}
