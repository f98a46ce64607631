#include "cli/setting_values.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "cli/cli_context.h"
#include "cli/gallery_build_run.h"
#include "generator/gallery_title.h"

namespace {

// A whole number in the given base, with an optional sign; a number too large for 64 bits is
// clamped so that the range check reports it.
std::optional<int64_t> parseNumber(std::string_view text, int base)
{
    bool plus = text.starts_with('+');
    if (plus) text.remove_prefix(1);
    if (text.empty() || (plus && text[0] == '-')) return std::nullopt;
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (end != text.data() + text.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return text[0] == '-' ? INT64_MIN : INT64_MAX;
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::optional<int64_t> parseHtmlColour(std::string_view text)
{
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    std::optional<int64_t> rgb = parseNumber(text.substr(1), 16);
    if (!rgb || text[1] == '-' || text[1] == '+') return std::nullopt;
    int64_t red = (*rgb >> 16) & 0xFF, green = (*rgb >> 8) & 0xFF, blue = *rgb & 0xFF;
    return red | (green << 8) | (blue << 16);
}

std::optional<int64_t> parseColourNumber(std::string_view text)
{
    if (text.starts_with('#')) return parseHtmlColour(text);
    if (text.starts_with("0x") || text.starts_with("0X")) {
        if (text.size() > 2 && (text[2] == '-' || text[2] == '+')) return std::nullopt;
        return parseNumber(text.substr(2), 16);
    }
    return parseNumber(text, 10);
}

}  // namespace

SettingAssignment parseSettingAssignment(std::string_view argument)
{
    size_t equals = argument.find('=');
    if (equals == std::string_view::npos)
        throw CliUsageError("expected NAME=VALUE, got '" + std::string(argument) + "'");
    const std::string name(argument.substr(0, equals));
    const std::string value(argument.substr(equals + 1));

    SettingAssignment assignment;
    assignment.setting = findSetting(name);
    if (!assignment.setting) throw CliUsageError("unknown setting '" + name + "'");
    const SettingInfo& s = *assignment.setting;
    if (s.kind == SettingKind::Text) {
        // What the build would refuse, or quietly replace, is refused here, by the build's own rules.
        if (s.text == &GallerySettings::galleryTitle) {
            if (const std::string problem = galleryTitleProblem(value); !problem.empty())
                throw CliUsageError(name + ": " + problem);
        } else if (s.text == &GallerySettings::themeName && !value.empty()) {
            try {
                requireInstalledTheme(value);
            } catch (const CliUsageError& e) {
                throw CliUsageError(name + ": " + e.what());
            }
        }
        assignment.text = value;
        return assignment;
    }

    std::optional<int64_t> number = s.kind == SettingKind::Colour ? parseColourNumber(value) : parseNumber(value, 10);
    if (!number) {
        throw CliUsageError(name + ": '" + value + "' is not " +
                            (s.kind == SettingKind::Colour ? "a colour (#rrggbb or a number)" : "a whole number"));
    }
    if (*number < s.minimum || *number > s.maximum) {
        throw CliUsageError(name + ": " + value + " is out of range (" + std::to_string(s.minimum) + " to " +
                            std::to_string(s.maximum) + ")");
    }
    assignment.number = static_cast<int32_t>(*number);
    return assignment;
}

void applySetting(GallerySettings& settings, const SettingAssignment& assignment)
{
    const SettingInfo& s = *assignment.setting;
    if (s.kind == SettingKind::Text)
        settings.*s.text = assignment.text;
    else
        s.setNumber(settings, assignment.number);
}

std::string htmlColour(int32_t colour)
{
    auto c = static_cast<uint32_t>(colour);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c & 0xFFu, (c >> 8) & 0xFFu, (c >> 16) & 0xFFu);
    return text;
}
