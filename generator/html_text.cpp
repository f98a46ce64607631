#include "generator/html_text.h"

#include <cctype>

namespace {

bool isAsciiAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Where a "<" opens a tag or a comment rather than standing for itself.
bool opensTag(std::string_view html, size_t at)
{
    if (at + 1 >= html.size()) return false;
    const unsigned char next = static_cast<unsigned char>(html[at + 1]);
    return std::isalpha(next) || next == '/' || next == '!' || next == '?';
}

// Whether a tag stands between words on its own (a line break, a block) rather than inside a
// word, as <em> and <a> may.
bool separatesWords(std::string_view tag)
{
    size_t i = 1;
    if (i < tag.size() && tag[i] == '/') ++i;
    std::string name;
    while (i < tag.size() && isAsciiAlnum(tag[i]))
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i++])));
    for (const char* block : {"br", "p",  "div", "li", "ul", "ol", "tr",         "td",      "th",     "table", "h1",
                              "h2", "h3", "h4",  "h5", "h6", "hr", "blockquote", "section", "header", "footer"})
        if (name == block) return true;
    return false;
}

// "&amp;", "&#233;", "&#xE9;": an "&" the owner meant as a reference means the same in an attribute.
bool beginsReference(std::string_view text, size_t at)
{
    size_t i = at + 1;
    const bool numeric = i < text.size() && text[i] == '#';
    const bool hex = numeric && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
    i += numeric ? (hex ? 2 : 1) : 0;
    const size_t start = i;
    while (i < text.size() && i - start < 32 &&
           (numeric && !hex ? std::isdigit(static_cast<unsigned char>(text[i])) != 0
            : hex           ? std::isxdigit(static_cast<unsigned char>(text[i])) != 0
                            : isAsciiAlnum(text[i])))
        ++i;
    return i > start && i < text.size() && text[i] == ';';
}

void appendEscaped(std::string& out, char c)
{
    switch (c) {
    case '&': out += "&amp;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&#39;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '%': out += "&#37;"; break;
    default: out += c; break;
    }
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

}  // namespace

std::string attributeText(std::string_view html)
{
    std::string out;
    bool space = false;
    for (size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<' && opensTag(html, i)) {
            const size_t end = html.find('>', i);
            if (end == std::string_view::npos) break;                   // an unfinished tag: the rest is inside it
            if (separatesWords(html.substr(i, end - i))) space = true;  // "a<br>b" reads as two words
            i = end;
            continue;
        }
        if (isSpace(c)) {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        if (c == '&' && beginsReference(html, i))
            out += c;
        else
            appendEscaped(out, c);
    }
    return out;
}

std::string escapedText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) appendEscaped(out, c);
    return out;
}

std::string readableFileName(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const size_t dot = path.rfind('.');
    if (dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
    std::string out;
    bool space = false;
    for (char c : path) {
        if (c == '_' || isSpace(c)) {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        out += c;
    }
    return out;
}
