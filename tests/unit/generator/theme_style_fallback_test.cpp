// The shipped themes in the Windows preview, whose engine is the system's WebBrowser control in
// IE11 mode: that engine drops every declaration it cannot read, so each one using something it
// lacks (custom properties, the newer colour functions, relative colours, gap on flex, grid) must
// come after a plain declaration of the same property that carries the same settings (the same
// placeholders), or the theme loses the user's colours there. Reads every theme's style sheet.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Declaration {
    std::string property;
    std::string value;
};

struct Rule {
    std::string selector;
    std::vector<Declaration> declarations;
};

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string withoutComments(const std::string& css)
{
    std::string out;
    for (size_t i = 0; i < css.size(); ++i) {
        if (css.compare(i, 2, "/*") == 0) {
            const size_t end = css.find("*/", i + 2);
            if (end == std::string::npos) break;
            i = end + 1;
        } else {
            out += css[i];
        }
    }
    return out;
}

// Splits at `separator` outside brackets and quotes.
std::vector<std::string> splitOutside(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    int depth = 0;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == separator && depth == 0) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
    }
    return parts;
}

// The rules of a style sheet, those inside @media and @supports blocks included.
void readRules(const std::string& css, std::vector<Rule>& rules)
{
    size_t at = 0;
    while (at < css.size()) {
        const size_t open = css.find('{', at);
        if (open == std::string::npos) return;
        // The block ends at its matching brace.
        size_t close = open + 1;
        for (int depth = 1; close < css.size() && depth > 0; ++close) {
            if (css[close] == '{') ++depth;
            if (css[close] == '}') --depth;
        }
        ASSERT_LE(close, css.size());
        const std::string prelude = trimmed(css.substr(at, open - at));
        const std::string body = css.substr(open + 1, close - open - 2);
        if (prelude.rfind('@', 0) == 0) {
            readRules(body, rules);
        } else {
            Rule rule{prelude, {}};
            for (const std::string& part : splitOutside(body, ';')) {
                const size_t colon = part.find(':');
                if (colon == std::string::npos) continue;
                std::string value = trimmed(part.substr(colon + 1));
                const size_t important = value.find("!important");
                if (important != std::string::npos) value = trimmed(value.substr(0, important));
                rule.declarations.push_back({trimmed(part.substr(0, colon)), value});
            }
            rules.push_back(rule);
        }
        at = close;
    }
}

// What IE11 lacks in this declaration; empty when it reads it.
std::string lacking(const Declaration& d)
{
    static const std::regex newColour(R"((^|[^\w-])(oklch|oklab|lch|lab|hwb|color-mix|color)\()");
    static const std::regex relativeColour(R"(\(\s*from\s)");
    if (d.property.rfind("--", 0) == 0) return {};  // defining one is harmless; using one is not
    if (d.value.find("var(") != std::string::npos) return "a custom property";
    if (std::regex_search(d.value, relativeColour)) return "a relative colour";
    if (std::regex_search(d.value, newColour)) return "a colour function";
    if (d.property == "gap" || d.property == "row-gap" || d.property == "column-gap") return "gap (space with margins)";
    if (d.property == "display" && (d.value == "grid" || d.value == "inline-grid")) return "grid";
    return {};
}

std::set<std::string> placeholders(const std::string& value)
{
    static const std::regex placeholder("%[A-Z]+%");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(value.begin(), value.end(), placeholder); it != std::sregex_iterator(); ++it)
        found.insert(it->str());
    return found;
}

// Every declaration IE11 cannot read, without a plain one before it carrying the same settings.
std::vector<std::string> unsupportedWithoutFallback(const std::string& css)
{
    std::vector<Rule> rules;
    readRules(withoutComments(css), rules);
    std::vector<std::string> faults;
    for (const Rule& rule : rules) {
        for (size_t i = 0; i < rule.declarations.size(); ++i) {
            const Declaration& d = rule.declarations[i];
            const std::string what = lacking(d);
            if (what.empty()) continue;
            bool plain = false;
            std::set<std::string> carried;
            for (size_t j = 0; j < i; ++j) {
                const Declaration& before = rule.declarations[j];
                if (before.property != d.property || !lacking(before).empty()) continue;
                plain = true;
                const auto p = placeholders(before.value);
                carried.insert(p.begin(), p.end());
            }
            bool same = plain;
            for (const std::string& p : placeholders(d.value)) same = same && carried.count(p) > 0;
            if (!same)
                faults.push_back(
                    rule.selector + " { " + d.property + ": " + d.value + " } uses " + what +
                    (plain ? ", and the plain one before it lacks its setting" : " with nothing plain before it"));
        }
    }
    return faults;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ThemeStyleFallback, TheCheckFindsWhatIE11WouldDropAndAcceptsAPlainSettingBefore)
{
    EXPECT_TRUE(unsupportedWithoutFallback("a { color: %X%; color: oklch(from %X% l c h); }").empty());
    EXPECT_TRUE(
        unsupportedWithoutFallback("@media (x) { p { flex: 1 0 25%; flex: 1 0 var(--c, 25%); --c: 5%; } }").empty());
    // A plain grey keeps the text readable but loses the user's colour.
    EXPECT_EQ(unsupportedWithoutFallback("a { color: #eee; color: oklch(from %X% l c h); }").size(), 1u);
    EXPECT_EQ(unsupportedWithoutFallback("a { color: color-mix(in srgb, red, %X%); color: %X%; }").size(), 1u);
    EXPECT_EQ(unsupportedWithoutFallback("/* a { gap: 1px } */ @media (y) { b { display: flex; gap: 4px; } }").size(),
              1u);
    EXPECT_EQ(unsupportedWithoutFallback("c { display: grid; } d { display: block; display: grid; }").size(), 1u);
    EXPECT_EQ(unsupportedWithoutFallback("e { background: rgb(from %X% r g b / 50%); }").size(), 1u);
}

TEST(ThemeStyleFallback, EveryShippedThemeKeepsItsSettingsWhereIE11ReadsIt)
{
    const fs::path themes = fs::path(FOTOLOOM_TEST_DATA) / ".." / ".." / "template";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(themes)) {
        const fs::path sheet = entry.path() / "style.css";
        if (!fs::exists(sheet)) continue;
        ++checked;
        const std::string css = readAll(sheet);
        ASSERT_FALSE(css.empty()) << sheet;
        for (const std::string& fault : unsupportedWithoutFallback(css))
            ADD_FAILURE() << entry.path().filename().string() << ": " << fault;
    }
    EXPECT_GE(checked, 3);
}

}  // namespace
