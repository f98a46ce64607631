#include "taskpane/style_values.h"

namespace sidefold {

namespace {

// 0x..RRGGBB as written in the sheet -> COLORREF 0x..BBGGRR, the top byte kept.
uint32_t swapRedBlue(uint32_t v) { return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu); }

uint32_t rgbColour(uint32_t r, uint32_t g, uint32_t b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }

int32_t decimal(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    uint32_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') value = value * 10u + static_cast<uint32_t>(s[i++] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

class ValueReader {
public:
    ValueReader(const StyleSheet& sheet, size_t at, const StringSource& strings)
        : sheet_(sheet), at_(at), strings_(strings)
    {
    }

    Value read()
    {
        Value v;
        const std::vector<Token>& t = sheet_.tokens();
        if (at_ >= t.size()) return v;
        if (sheet_.is(at_, TokenKind::Number)) {
            v.integer = t[at_++].value;
            v.kind = unitKind(takeUnit());
            return v;
        }
        if (sheet_.is(at_, TokenKind::Hash)) {
            v.kind = ValueKind::Colour;
            v.colour = swapRedBlue(static_cast<uint32_t>(t[at_++].value));
            return v;
        }
        if (!sheet_.is(at_, TokenKind::Identifier)) return v;
        const std::string_view name = sheet_.text(t[at_]);
        if (sameName(name, "rgb") || sameName(name, "argb")) return colourFunction(sameName(name, "argb"));
        if (sameName(name, "rcstr")) return stringResource();
        if (sameName(name, "rcint")) return integerResource();
        if (sameName(name, "gradient")) return gradient();
        if (sameName(name, "rect")) return rect();
        if (sameName(name, "rcbmp")) return bitmap();
        if (sameName(name, "sysmetric") || sameName(name, "sysmetricstr")) {
            const bool str = sameName(name, "sysmetricstr");
            ++at_;
            int32_t index;
            if (!open() || !number(index)) return v;
            v.kind = str ? ValueKind::SysMetricString : ValueKind::SysMetric;
            v.integer = index;
            return v;
        }
        uint32_t rrggbb;
        if (namedColour(name, rrggbb)) {
            ++at_;
            v.kind = ValueKind::Colour;
            v.colour = swapRedBlue(rrggbb);
            return v;
        }
        if (alignmentKeyword(name, v.integer)) {
            v.kind = ValueKind::Alignment;
            return v;
        }
        if (cursorKeyword(name, v.integer)) {
            v.kind = ValueKind::Cursor;
            return v;
        }
        return fontStyle();
    }

private:
    bool open()
    {
        if (!sheet_.is(at_, TokenKind::OpenParen)) return false;
        ++at_;
        return true;
    }
    bool take(TokenKind kind)
    {
        if (!sheet_.is(at_, kind)) return false;
        ++at_;
        return true;
    }
    bool number(int32_t& out)
    {
        if (!sheet_.is(at_, TokenKind::Number)) return false;
        out = sheet_.tokens()[at_++].value;
        return true;
    }
    Unit takeUnit()
    {
        if (sheet_.isIdentifier(at_, "pt")) {
            ++at_;
            return Unit::Points;
        }
        if (sheet_.isIdentifier(at_, "rp")) {
            ++at_;
            return Unit::Pixels;
        }
        return Unit::None;
    }
    static ValueKind unitKind(Unit u)
    {
        return u == Unit::Points ? ValueKind::Points : u == Unit::Pixels ? ValueKind::Pixels : ValueKind::Integer;
    }

    // rgb(r, g, b) and argb(a, r, g, b): a part that is missing leaves the bytes read so far.
    Value colourFunction(bool alpha)
    {
        Value v;
        ++at_;
        if (!open()) return v;
        uint32_t parts[4] = {};
        const int count = alpha ? 4 : 3;
        for (int i = 0; i < count; ++i) {
            int32_t n;
            if ((i > 0 && !take(TokenKind::Comma)) || !number(n)) break;
            parts[i] = static_cast<uint32_t>(n);
        }
        take(TokenKind::CloseParen);
        v.kind = alpha ? ValueKind::AlphaColour : ValueKind::Colour;
        v.colour = alpha ? rgbColour(parts[1], parts[2], parts[3]) | ((parts[0] & 0xFF) << 24)
                         : rgbColour(parts[0], parts[1], parts[2]);
        return v;
    }

    // Any colour form, for the parts of gradient() and rcbmp().
    bool colour(uint32_t& out)
    {
        const size_t start = at_;
        if (sheet_.is(at_, TokenKind::Hash)) {
            out = swapRedBlue(static_cast<uint32_t>(sheet_.tokens()[at_++].value));
            return true;
        }
        if (!sheet_.is(at_, TokenKind::Identifier)) return false;
        const std::string_view name = sheet_.text(sheet_.tokens()[at_]);
        if (sameName(name, "rgb") || sameName(name, "argb")) {
            const Value v = colourFunction(sameName(name, "argb"));
            if (v.isColour()) {
                out = v.colour;
                return true;
            }
            at_ = start;
            return false;
        }
        uint32_t rrggbb;
        if (!namedColour(name, rrggbb)) return false;
        ++at_;
        out = swapRedBlue(rrggbb);
        return true;
    }

    Value stringResource()
    {
        Value v;
        ++at_;
        int32_t id;
        if (!open() || !number(id) || !strings_.load(id, v.text)) return v;
        take(TokenKind::CloseParen);
        v.kind = ValueKind::String;
        return v;
    }

    Value integerResource()
    {
        Value v;
        ++at_;
        int32_t id;
        std::string text;
        if (!open() || !number(id) || !strings_.load(id, text)) return v;
        take(TokenKind::CloseParen);
        v.integer = decimal(text);
        v.kind = unitKind(takeUnit());
        return v;
    }

    Value gradient()
    {
        Value v;
        ++at_;
        int32_t exponent;
        if (!open() || !colour(v.colour) || !take(TokenKind::Comma) || !colour(v.colour2) || !take(TokenKind::Comma) ||
            !number(exponent))
            return v;
        take(TokenKind::CloseParen);
        v.kind = ValueKind::Gradient;
        v.integer = exponent;
        return v;
    }

    Value rect()
    {
        Value v;
        ++at_;
        if (!open()) return v;
        for (int i = 0; i < 4; ++i) {
            if ((i > 0 && !take(TokenKind::Comma)) || !number(v.rect[i])) return Value{};
            v.units[i] = takeUnit();
        }
        take(TokenKind::CloseParen);
        v.kind = ValueKind::Rect;
        return v;
    }

    Value bitmap()
    {
        Value v;
        ++at_;
        if (!open() || !number(v.bitmap.id) || !take(TokenKind::Comma) || !number(v.bitmap.mode) ||
            !take(TokenKind::Comma))
            return v;
        int32_t plain;
        if (number(plain)) {
            v.bitmap.key = static_cast<uint32_t>(plain);
        } else if (colour(v.bitmap.key)) {
            v.bitmap.keyIsColour = true;
        } else {
            return v;
        }
        v.kind = ValueKind::Bitmap;
        return v;
    }

    // "bold, italic": keywords separated by commas.
    Value fontStyle()
    {
        Value v;
        bool any = false;
        for (;;) {
            if (!sheet_.is(at_, TokenKind::Identifier)) break;
            const std::string_view name = sheet_.text(sheet_.tokens()[at_]);
            int32_t bit;
            if (sameName(name, "underline"))
                bit = 1;
            else if (sameName(name, "italic") || sameName(name, "oblique"))
                bit = 2;
            else if (sameName(name, "bold"))
                bit = 4;
            else if (sameName(name, "normal"))
                bit = 0;
            else
                break;
            ++at_;
            v.integer |= bit;
            any = true;
            if (!sheet_.is(at_, TokenKind::Comma)) break;
            ++at_;
        }
        if (any) v.kind = ValueKind::FontStyle;
        return v;
    }

    const StyleSheet& sheet_;
    size_t at_;
    const StringSource& strings_;
};

}  // namespace

Value readValue(const StyleSheet& sheet, size_t at, const StringSource& strings)
{
    return ValueReader(sheet, at, strings).read();
}

}  // namespace sidefold
