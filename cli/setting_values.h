#pragma once
// Settings by their model names on the command line: "NAME=VALUE" assignments checked against
// the ranges of the settings table, and the values written back for people.

#include <cstdint>
#include <string>
#include <string_view>

#include "gallery/gallery_settings.h"

struct SettingAssignment {
    const SettingInfo* setting = nullptr;
    std::string text;    // for text settings
    int32_t number = 0;  // for integers and colours (0x00BBGGRR)
};

// Parses one "NAME=VALUE". Colours take "#rrggbb" (red first, as in HTML) or a number (decimal
// or 0x hex) in the model's 0x00BBGGRR order. Throws CliUsageError without '=', for an unknown
// name, a value that is not a number or colour, one out of range, a gallery title the build
// refuses (it names the gallery's folder), and a theme that is not installed ("" is the default).
SettingAssignment parseSettingAssignment(std::string_view argument);
void applySetting(GallerySettings& settings, const SettingAssignment& assignment);

// "#rrggbb" of a 0x00BBGGRR colour.
std::string htmlColour(int32_t colour);
