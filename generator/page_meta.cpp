#include "generator/page_meta.h"

#include <cctype>

#include "gallery/gallery_settings.h"

namespace {

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
    while (i < tag.size() && std::isalnum(static_cast<unsigned char>(tag[i])))
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i++])));
    for (const char* block : {"br", "p", "div", "li", "ul", "ol", "tr", "td", "th", "table", "h1", "h2", "h3", "h4",
                              "h5", "h6", "hr", "blockquote", "section", "header", "footer"})
        if (name == block) return true;
    return false;
}

std::string metaTag(const char* attribute, const char* name, const std::string& content)
{
    return std::string("<meta ") + attribute + "=\"" + name + "\" content=\"" + content + "\">\n";
}

}  // namespace

std::string attributeText(std::string_view html)
{
    std::string out;
    bool space = false;
    for (size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<' && opensTag(html, i)) {
            const size_t end = html.find('>', i);
            if (end == std::string_view::npos) break;  // an unfinished tag: the rest is inside it
            if (separatesWords(html.substr(i, end - i))) space = true;  // "a<br>b" reads as two words
            i = end;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
            space = true;
            continue;
        }
        if (space && !out.empty()) out += ' ';
        space = false;
        switch (c) {
        case '"': out += "&quot;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '%': out += "&#37;"; break;
        default: out += c; break;
        }
    }
    return out;
}

namespace {

std::string metaTags(const std::string& title, const std::string& description, const std::string& firstPhoto)
{
    std::string out;
    if (!description.empty()) out += metaTag("name", "description", description);
    out += metaTag("property", "og:type", "website");
    out += metaTag("property", "og:title", title);
    if (!description.empty()) out += metaTag("property", "og:description", description);
    if (!firstPhoto.empty()) out += metaTag("property", "og:image", attributeText(firstPhoto));
    out += metaTag("name", "twitter:card", firstPhoto.empty() ? "summary" : "summary_large_image");
    return out;
}

}  // namespace

std::string pageMetaTags(const GallerySettings& settings, const std::string& firstPhoto)
{
    return metaTags(attributeText(settings.galleryTitle), attributeText(settings.galleryDescription), firstPhoto);
}

std::string pictureMetaTags(const GallerySettings& settings, const std::string& label, const std::string& photo)
{
    std::string text = attributeText(label);
    if (text.empty()) return metaTags(attributeText(settings.galleryTitle), attributeText(settings.galleryDescription), photo);
    return metaTags(text, text, photo);
}
