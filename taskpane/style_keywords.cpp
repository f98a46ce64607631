// The keyword tables of the style sheet: named colours, alignments and cursors, each sorted by
// name (checked at compile time) and searched by binary search without regard to case.

#include <cstdint>
#include <string_view>

#include "taskpane/style_values.h"

namespace sidefold {

namespace {

struct Keyword {
    std::string_view name;
    uint32_t value;
};

constexpr char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr int compareNames(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char x = lowerChar(a[i]), y = lowerChar(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <size_t N> constexpr bool sorted(const Keyword (&table)[N])
{
    for (size_t i = 1; i < N; ++i)
        if (compareNames(table[i - 1].name, table[i].name) >= 0) return false;
    return true;
}

template <size_t N> bool search(const Keyword (&table)[N], std::string_view name, uint32_t& value)
{
    size_t low = 0, high = N;
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        const int c = compareNames(table[mid].name, name);
        if (c == 0) {
            value = table[mid].value;
            return true;
        }
        if (c < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return false;
}

// 0xRRGGBB, the standard named colours of the web; Dk and Lt are the short forms of Dark and Light.
constexpr Keyword kColours[] = {
    {"AliceBlue", 0xF0F8FF},
    {"AntiqueWhite", 0xFAEBD7},
    {"Aqua", 0x00FFFF},
    {"Aquamarine", 0x7FFFD4},
    {"Azure", 0xF0FFFF},
    {"Beige", 0xF5F5DC},
    {"Bisque", 0xFFE4C4},
    {"Black", 0x000000},
    {"BlanchedAlmond", 0xFFEBCD},
    {"Blue", 0x0000FF},
    {"BlueViolet", 0x8A2BE2},
    {"Brown", 0xA52A2A},
    {"BurlyWood", 0xDEB887},
    {"CadetBlue", 0x5F9EA0},
    {"Chartreuse", 0x7FFF00},
    {"Chocolate", 0xD2691E},
    {"Coral", 0xFF7F50},
    {"CornflowerBlue", 0x6495ED},
    {"Cornsilk", 0xFFF8DC},
    {"Crimson", 0xDC143C},
    {"Cyan", 0x00FFFF},
    {"DarkBlue", 0x00008B},
    {"DarkCyan", 0x008B8B},
    {"DarkGoldenrod", 0xB8860B},
    {"DarkGray", 0xA9A9A9},
    {"DarkGreen", 0x006400},
    {"DarkGrey", 0xA9A9A9},
    {"DarkKhaki", 0xBDB76B},
    {"DarkMagenta", 0x8B008B},
    {"DarkOliveGreen", 0x556B2F},
    {"DarkOrange", 0xFF8C00},
    {"DarkOrchid", 0x9932CC},
    {"DarkRed", 0x8B0000},
    {"DarkSalmon", 0xE9967A},
    {"DarkSeaGreen", 0x8FBC8F},
    {"DarkSlateBlue", 0x483D8B},
    {"DarkSlateGray", 0x2F4F4F},
    {"DarkTurquoise", 0x00CED1},
    {"DarkViolet", 0x9400D3},
    {"DeepPink", 0xFF1493},
    {"DeepSkyBlue", 0x00BFFF},
    {"DimGray", 0x696969},
    {"DkBlue", 0x00008B},
    {"DkCyan", 0x008B8B},
    {"DkGoldenrod", 0xB8860B},
    {"DkGray", 0xA9A9A9},
    {"DkGreen", 0x006400},
    {"DkGrey", 0xA9A9A9},
    {"DkKhaki", 0xBDB76B},
    {"DkMagenta", 0x8B008B},
    {"DkOliveGreen", 0x556B2F},
    {"DkOrange", 0xFF8C00},
    {"DkOrchid", 0x9932CC},
    {"DkRed", 0x8B0000},
    {"DkSalmon", 0xE9967A},
    {"DkSeaGreen", 0x8FBC8F},
    {"DkSlateBlue", 0x483D8B},
    {"DkSlateGray", 0x2F4F4F},
    {"DkTurquoise", 0x00CED1},
    {"DkViolet", 0x9400D3},
    {"DodgerBlue", 0x1E90FF},
    {"FireBrick", 0xB22222},
    {"FloralWhite", 0xFFFAF0},
    {"ForestGreen", 0x228B22},
    {"Fuchsia", 0xFF00FF},
    {"Gainsboro", 0xDCDCDC},
    {"GhostWhite", 0xF8F8FF},
    {"Gold", 0xFFD700},
    {"Goldenrod", 0xDAA520},
    {"Gray", 0x808080},
    {"Green", 0x008000},
    {"GreenYellow", 0xADFF2F},
    {"Grey", 0x808080},
    {"Honeydew", 0xF0FFF0},
    {"HotPink", 0xFF69B4},
    {"IndianRed", 0xCD5C5C},
    {"Indigo", 0x4B0082},
    {"Ivory", 0xFFFFF0},
    {"Khaki", 0xF0E68C},
    {"Lavender", 0xE6E6FA},
    {"LavenderBlush", 0xFFF0F5},
    {"LawnGreen", 0x7CFC00},
    {"LemonChiffon", 0xFFFACD},
    {"LightBlue", 0xADD8E6},
    {"LightCoral", 0xF08080},
    {"LightCyan", 0xE0FFFF},
    {"LightGoldenrodYellow", 0xFAFAD2},
    {"LightGray", 0xD3D3D3},
    {"LightGreen", 0x90EE90},
    {"LightGrey", 0xD3D3D3},
    {"LightPink", 0xFFB6C1},
    {"LightSalmon", 0xFFA07A},
    {"LightSeaGreen", 0x20B2AA},
    {"LightSkyBlue", 0x87CEFA},
    {"LightSlateGray", 0x778899},
    {"LightSteelBlue", 0xB0C4DE},
    {"LightYellow", 0xFFFFE0},
    {"Lime", 0x00FF00},
    {"LimeGreen", 0x32CD32},
    {"Linen", 0xFAF0E6},
    {"LtBlue", 0xADD8E6},
    {"LtCoral", 0xF08080},
    {"LtCyan", 0xE0FFFF},
    {"LtGoldenrodYellow", 0xFAFAD2},
    {"LtGray", 0xD3D3D3},
    {"LtGreen", 0x90EE90},
    {"LtGrey", 0xD3D3D3},
    {"LtPink", 0xFFB6C1},
    {"LtSalmon", 0xFFA07A},
    {"LtSeaGreen", 0x20B2AA},
    {"LtSkyBlue", 0x87CEFA},
    {"LtSlateGray", 0x778899},
    {"LtSteelBlue", 0xB0C4DE},
    {"LtYellow", 0xFFFFE0},
    {"Magenta", 0xFF00FF},
    {"Maroon", 0x800000},
    {"MediumAquamarine", 0x66CDAA},
    {"MediumBlue", 0x0000CD},
    {"MediumOrchid", 0xBA55D3},
    {"MediumPurple", 0x9370DB},
    {"MediumSeaGreen", 0x3CB371},
    {"MediumSlateBlue", 0x7B68EE},
    {"MediumSpringGreen", 0x00FA9A},
    {"MediumTurquoise", 0x48D1CC},
    {"MediumVioletRed", 0xC71585},
    {"MidnightBlue", 0x191970},
    {"MintCream", 0xF5FFFA},
    {"MistyRose", 0xFFE4E1},
    {"Moccasin", 0xFFE4B5},
    {"NavajoWhite", 0xFFDEAD},
    {"Navy", 0x000080},
    {"OldLace", 0xFDF5E6},
    {"Olive", 0x808000},
    {"OliveDrab", 0x6B8E23},
    {"Orange", 0xFFA500},
    {"OrangeRed", 0xFF4500},
    {"Orchid", 0xDA70D6},
    {"PaleGoldenrod", 0xEEE8AA},
    {"PaleGreen", 0x98FB98},
    {"PaleTurquoise", 0xAFEEEE},
    {"PaleVioletRed", 0xDB7093},
    {"PapayaWhip", 0xFFEFD5},
    {"PeachPuff", 0xFFDAB9},
    {"Peru", 0xCD853F},
    {"Pink", 0xFFC0CB},
    {"Plum", 0xDDA0DD},
    {"PowderBlue", 0xB0E0E6},
    {"Purple", 0x800080},
    {"Red", 0xFF0000},
    {"RosyBrown", 0xBC8F8F},
    {"RoyalBlue", 0x4169E1},
    {"SaddleBrown", 0x8B4513},
    {"Salmon", 0xFA8072},
    {"SandyBrown", 0xF4A460},
    {"SeaGreen", 0x2E8B57},
    {"Seashell", 0xFFF5EE},
    {"Sienna", 0xA0522D},
    {"Silver", 0xC0C0C0},
    {"SkyBlue", 0x87CEEB},
    {"SlateBlue", 0x6A5ACD},
    {"SlateGray", 0x708090},
    {"Snow", 0xFFFAFA},
    {"SpringGreen", 0x00FF7F},
    {"SteelBlue", 0x4682B4},
    {"Tan", 0xD2B48C},
    {"Teal", 0x008080},
    {"Thistle", 0xD8BFD8},
    {"Tomato", 0xFF6347},
    {"Turquoise", 0x40E0D0},
    {"Violet", 0xEE82EE},
    {"Wheat", 0xF5DEB3},
    {"White", 0xFFFFFF},
    {"WhiteSmoke", 0xF5F5F5},
    {"Yellow", 0xFFFF00},
    {"YellowGreen", 0x9ACD32},
};
static_assert(sizeof(kColours) / sizeof(kColours[0]) == 175 && sorted(kColours), "named colours");

// left 0x01, center 0x02, right 0x04, wrap 0x08, top 0x10, middle 0x20, bottom 0x40, focusrect 0x80
constexpr Keyword kAlignments[] = {
    {"bottom", 0x40},       {"bottomcenter", 0x42}, {"bottomleft", 0x41}, {"bottomright", 0x44}, {"center", 0x02},
    {"centerbottom", 0x42}, {"centermiddle", 0x22}, {"centertop", 0x12},  {"focusrect", 0x80},   {"left", 0x01},
    {"leftbottom", 0x41},   {"leftmiddle", 0x21},   {"lefttop", 0x11},    {"middle", 0x20},      {"middlecenter", 0x22},
    {"middleleft", 0x21},   {"middleright", 0x24},  {"right", 0x04},      {"rightbottom", 0x44}, {"rightmiddle", 0x24},
    {"righttop", 0x14},     {"top", 0x10},          {"topcenter", 0x12},  {"topleft", 0x11},     {"topright", 0x14},
    {"wrap", 0x08},         {"wrapcenter", 0x0A},   {"wrapleft", 0x09},   {"wrapright", 0x0C},
};
static_assert(sizeof(kAlignments) / sizeof(kAlignments[0]) == 29 && sorted(kAlignments), "alignments");

// The system cursor ids (IDC_ARROW and the others).
constexpr Keyword kCursors[] = {
    {"arrow", 32512},    {"cross", 32515},  {"hand", 32649},    {"help", 32651},     {"ibeam", 32513},
    {"no", 32648},       {"size", 32640},   {"sizeall", 32646}, {"sizenesw", 32643}, {"sizens", 32645},
    {"sizenwse", 32642}, {"sizewe", 32644}, {"uparrow", 32516}, {"wait", 32514},
};
static_assert(sizeof(kCursors) / sizeof(kCursors[0]) == 14 && sorted(kCursors), "cursors");

}  // namespace

bool namedColour(std::string_view name, uint32_t& rrggbb) { return search(kColours, name, rrggbb); }

bool alignmentKeyword(std::string_view name, int32_t& bits)
{
    uint32_t v;
    if (!search(kAlignments, name, v)) return false;
    bits = static_cast<int32_t>(v);
    return true;
}

bool cursorKeyword(std::string_view name, int32_t& id)
{
    uint32_t v;
    if (!search(kCursors, name, v)) return false;
    id = static_cast<int32_t>(v);
    return true;
}

}  // namespace sidefold
