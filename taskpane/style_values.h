#pragma once
// The values of style-sheet properties: numbers with their units, colours in all their forms,
// alignments, cursors, font styles, string and integer resources, gradients, rectangles,
// bitmap references. Reading never goes past the token list; a malformed value is Invalid.
// Portable: string resources come through StringSource.

#include <cstdint>
#include <string>
#include <string_view>

#include "taskpane/style_sheet.h"

namespace sidefold {

enum class ValueKind : uint8_t {
    Invalid = 0,
    Integer = 1,      // plain number (or rcint)
    Points = 2,       // number followed by "pt"
    Pixels = 3,       // number followed by "rp"
    Colour = 4,       // COLORREF 0x00BBGGRR (top byte kept from a hexadecimal value)
    AlphaColour = 5,  // argb(): COLORREF with the alpha in the top byte
    Alignment = 6,
    Cursor = 7,
    FontStyle = 8,
    String = 9,  // rcstr: the string resource
    Gradient = 10,
    Rect = 11,
    Bitmap = 12,  // rcbmp: id, mode, colour key or a number
    SysMetric = 13,
    SysMetricString = 14,
};

// Units of a rect() part: recorded, the numbers are used as pixels.
enum class Unit : uint8_t { None, Points, Pixels };

struct BitmapRef {
    int32_t id = 0;
    int32_t mode = 0;  // read, not used
    bool keyIsColour = false;
    uint32_t key = 0;  // colour key (COLORREF) when keyIsColour, else the number (for example -1)
};

struct Value {
    ValueKind kind = ValueKind::Invalid;
    int32_t integer = 0;   // Integer/Points/Pixels, Alignment bits, Cursor id, FontStyle bits, SysMetric index
    uint32_t colour = 0;   // Colour, AlphaColour; Gradient: first colour
    uint32_t colour2 = 0;  // Gradient: second colour
    int32_t rect[4] = {};  // Rect: left, top, right, bottom
    Unit units[4] = {};
    BitmapRef bitmap;
    std::string text;  // String

    bool isColour() const { return kind == ValueKind::Colour || kind == ValueKind::AlphaColour; }
};

// String resources of the shell style file (rcstr, rcint).
class StringSource {
public:
    virtual ~StringSource() = default;
    // The string of that id, at most 260 characters; false when there is none.
    virtual bool load(int32_t id, std::string& text) const = 0;
};

// The value that starts at token `at`.
Value readValue(const StyleSheet& sheet, size_t at, const StringSource& strings);

// Keyword tables (case-insensitive, binary search). False when the name is not in the table.
bool namedColour(std::string_view name, uint32_t& rrggbb);
bool alignmentKeyword(std::string_view name, int32_t& bits);
bool cursorKeyword(std::string_view name, int32_t& id);

}  // namespace sidefold
