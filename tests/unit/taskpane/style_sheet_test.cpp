// The style-sheet reader of the task pane: tokens, selector lookup and value conversions, on
// sheets written here. Portable, so it runs natively as well as under Wine.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "taskpane/style_sheet.h"
#include "taskpane/style_values.h"

using namespace sidefold;

namespace {

class Strings : public StringSource {
public:
    std::map<int32_t, std::string> table;
    bool load(int32_t id, std::string& text) const override
    {
        auto it = table.find(id);
        if (it == table.end()) return false;
        text = it->second;
        return true;
    }
};

struct Sheet {
    explicit Sheet(std::string source) : text(std::move(source))
    {
        EXPECT_TRUE(sheet.parse(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    std::string text;
    StyleSheet sheet;
};

// The value of `property: <value>` inside a one-rule block.
Value valueOf(const std::string& value, const Strings& strings = Strings())
{
    Sheet s("<style resid=b> e { p: " + value + "; } </style>");
    const auto at = s.sheet.find("b", "e", {}, "p");
    EXPECT_TRUE(at.has_value()) << value;
    return at ? readValue(s.sheet, *at, strings) : Value{};
}

}  // namespace

TEST(StyleSheetTokens, SignsFoldIntoTheNumberHoweverSpaced)
{
    for (const char* text : {"-12", "- 12", "-\t\n12"}) {
        Sheet s(text);
        ASSERT_EQ(s.sheet.tokens().size(), 1u) << text;
        EXPECT_EQ(s.sheet.tokens()[0].kind, TokenKind::Number);
        EXPECT_EQ(s.sheet.tokens()[0].value, -12) << text;
    }
    Sheet plus("+7 0x1F 0x");
    ASSERT_EQ(plus.sheet.tokens().size(), 3u);
    EXPECT_EQ(plus.sheet.tokens()[0].value, 7);
    EXPECT_EQ(plus.sheet.tokens()[1].value, 0x1F);
    EXPECT_EQ(plus.sheet.tokens()[2].kind, TokenKind::Number);  // "0x" alone is 0, the x consumed
    EXPECT_EQ(plus.sheet.tokens()[2].value, 0);
}

TEST(StyleSheetTokens, KindsOfPunctuationHashAndOtherCharacters)
{
    Sheet s("<>=()[]{}:;,|/#zz #0a \"\xC3");
    std::vector<TokenKind> kinds;
    for (const Token& t : s.sheet.tokens()) kinds.push_back(t.kind);
    const std::vector<TokenKind> expected = {
        TokenKind::Less,       TokenKind::Greater,     TokenKind::Equals,       TokenKind::OpenParen,
        TokenKind::CloseParen, TokenKind::OpenBracket, TokenKind::CloseBracket, TokenKind::OpenBrace,
        TokenKind::CloseBrace, TokenKind::Colon,       TokenKind::Semicolon,    TokenKind::Comma,
        TokenKind::Bar,        TokenKind::Slash,       TokenKind::Other,        TokenKind::Identifier,
        TokenKind::Hash,       TokenKind::Other,       TokenKind::Other};
    EXPECT_EQ(kinds, expected);
}

TEST(StyleSheetLookup, SelectorsMatchExactlyTheirQualifiersInTheirBlock)
{
    Sheet s(R"(
        <style resid=other> button { foreground: #010203; } </style>
        <style resid=Sectionss>
            button [id=atom(header)] { foreground: red; }
            element [id=atom(title)] [mousefocused] { foreground: blue; }
            element [id=atom(title)] { foreground: lime; padding: rect(1,2,3,4); }
            BUTTON { foreground: white; }
        </style>
        <style resid=after> element { foreground: black; } </style>)");
    auto colour = [&](std::initializer_list<Qualifier> q, const char* element) {
        const auto at = s.sheet.find("sectionss", element, q, "foreground");
        return at ? readValue(s.sheet, *at, Strings()).colour : 0xDEADu;
    };
    EXPECT_EQ(colour({}, "button"), 0xFFFFFFu);                  // the plain one, not the qualified one
    EXPECT_EQ(colour({{"header", true}}, "button"), 0x0000FFu);  // red as COLORREF
    EXPECT_EQ(colour({{"title", true}}, "element"), 0x00FF00u);  // not the one with [mousefocused]
    EXPECT_EQ(colour({{"title", true}, {"mousefocused", false}}, "element"), 0xFF0000u);
    EXPECT_EQ(colour({}, "element"), 0xDEADu);                                        // the next block does not count
    EXPECT_FALSE(s.sheet.find("sectionss", "element", {{"title", true}}, "margin"));  // "}" ends the rule
    EXPECT_FALSE(s.sheet.find("missing", "button", {}, "foreground"));
}

TEST(StyleSheetValues, ColoursInEveryForm)
{
    EXPECT_EQ(valueOf("#FF0000").colour, 0x000000FFu);
    EXPECT_EQ(valueOf("#80112233").colour, 0x80332211u);  // top byte kept
    const Value argb = valueOf("argb(128, 0, 0, 255)");
    EXPECT_EQ(argb.kind, ValueKind::AlphaColour);
    EXPECT_EQ(argb.colour, 0x80FF0000u);
    EXPECT_EQ(valueOf("rgb(1, 2, 3)").colour, 0x030201u);
    EXPECT_EQ(valueOf("rgb(1, 2)").colour, 0x000201u);  // a missing part leaves what was read
    for (const char* name : {"DkOrange", "DKORANGE", "dkorange", "DarkOrange"}) {
        EXPECT_EQ(valueOf(name).kind, ValueKind::Colour) << name;
        EXPECT_EQ(valueOf(name).colour, 0x008CFFu) << name;
    }
    EXPECT_EQ(valueOf("LtSeaGreen").colour, valueOf("LightSeaGreen").colour);
    EXPECT_EQ(valueOf("AliceBlue").colour, 0xFFF8F0u);    // first of the table
    EXPECT_EQ(valueOf("YellowGreen").colour, 0x32CD9Au);  // last of the table
    EXPECT_EQ(valueOf("NoSuchColour").kind, ValueKind::Invalid);
}

TEST(StyleSheetValues, NumbersRectanglesAndGradients)
{
    const Value r = valueOf("rect(1pt, 2rp, 3, 4)");
    ASSERT_EQ(r.kind, ValueKind::Rect);
    EXPECT_EQ(r.rect[0], 1);
    EXPECT_EQ(r.rect[1], 2);
    EXPECT_EQ(r.rect[2], 3);
    EXPECT_EQ(r.rect[3], 4);
    EXPECT_EQ(r.units[0], Unit::Points);
    EXPECT_EQ(r.units[1], Unit::Pixels);
    EXPECT_EQ(valueOf("rect(1, 2, 3)").kind, ValueKind::Invalid);
    EXPECT_EQ(valueOf("8pt").kind, ValueKind::Points);
    EXPECT_EQ(valueOf("8rp").kind, ValueKind::Pixels);
    EXPECT_EQ(valueOf("-8").integer, -8);

    const Value g = valueOf("gradient(#FFFFFF, rgb(0,0,0), -3)");
    ASSERT_EQ(g.kind, ValueKind::Gradient);
    EXPECT_EQ(g.colour, 0xFFFFFFu);
    EXPECT_EQ(g.colour2, 0u);
    EXPECT_EQ(g.integer, -3);
    EXPECT_EQ(valueOf("gradient(#FFFFFF, 2)").kind, ValueKind::Invalid);
}

TEST(StyleSheetValues, KeywordsResourcesAndBitmaps)
{
    EXPECT_EQ(valueOf("middleleft").integer, 0x21);
    EXPECT_EQ(valueOf("wrapright").kind, ValueKind::Alignment);
    EXPECT_EQ(valueOf("hand").integer, 32649);
    EXPECT_EQ(valueOf("bold, italic, underline").integer, 7);

    Strings strings;
    strings.table[10] = "Trebuchet MS";
    strings.table[11] = "-14";
    const Value face = valueOf("rcstr(10)", strings);
    EXPECT_EQ(face.kind, ValueKind::String);
    EXPECT_EQ(face.text, "Trebuchet MS");
    const Value size = valueOf("rcint(11) pt", strings);
    EXPECT_EQ(size.kind, ValueKind::Points);
    EXPECT_EQ(size.integer, -14);
    EXPECT_EQ(valueOf("rcstr(12)", strings).kind, ValueKind::Invalid);  // no such string

    const Value keyed = valueOf("rcbmp(110, 6, #FF00FF, 0, 0, 1, 0)");
    ASSERT_EQ(keyed.kind, ValueKind::Bitmap);
    EXPECT_EQ(keyed.bitmap.id, 110);
    EXPECT_TRUE(keyed.bitmap.keyIsColour);
    EXPECT_EQ(keyed.bitmap.key, 0xFF00FFu);
    const Value own = valueOf("rcbmp(111, 2, -1)");
    ASSERT_EQ(own.kind, ValueKind::Bitmap);
    EXPECT_FALSE(own.bitmap.keyIsColour);
    EXPECT_EQ(valueOf("rcbmp(111, 2)").kind, ValueKind::Invalid);
}

TEST(StyleSheetLookup, TruncatedSheetsEndInNotFound)
{
    const std::string whole = "<style resid=b> e [id=atom(t)] { p: rect(1, 2, 3, 4); } </style>";
    for (size_t n = 0; n < whole.size(); ++n) {
        Sheet s(whole.substr(0, n));
        const auto at = s.sheet.find("b", "e", {{"t", true}}, "p");
        if (at) (void)readValue(s.sheet, *at, Strings());  // whatever is there reads without fault
        EXPECT_EQ(at.has_value(), n > whole.find("rect")) << n;
    }
}
