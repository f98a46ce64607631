#include "generator/theme_files.h"

#include <algorithm>
#include <cstdio>

#include "base/file_system.h"
#include "generator/file_ops.h"

namespace {

// Templates are small; anything larger is not a template we could use.
constexpr uint64_t kMaxTemplateBytes = uint64_t{64} << 20;

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(foldCase(x)) < static_cast<unsigned char>(foldCase(y));
    });
}

// A theme is one folder directly under the root: a name with a separator, "." or ".." would
// reach somewhere else.
bool isBareName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

std::string GetProgramFolder()
{
    const std::string path = programPath();
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return ".";
    if (cut == 0 || path[cut - 1] == ':') return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

std::string shippedFilesFolder(const std::string& programFolder)
{
    constexpr char kTemplateFolderName[] = "template";
    if (folderExists(joinPath(programFolder, kTemplateFolderName))) return programFolder;
    // <prefix>/bin -> <prefix>/share/fotoloom
    std::string folder = programFolder;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    const size_t cut = folder.find_last_of("/\\");
    if (cut != std::string::npos) {
        const std::string shared = joinPath(joinPath(folder.substr(0, cut + 1), "share"), "fotoloom");
        if (folderExists(joinPath(shared, kTemplateFolderName))) return shared;
    }
    return programFolder;
}

std::string defaultTemplateRoot() { return joinPath(shippedFilesFolder(GetProgramFolder()), "template"); }

std::string themeFolder(const std::string& templateRoot, const std::string& themeName)
{
    return joinPath(templateRoot, themeName);
}

std::string ReadTextFile(const std::string& path)
{
    std::string bytes;
    if (!readFileBytes(path, bytes, kMaxTemplateBytes)) return {};
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text.push_back(bytes[i]);
    }
    return text;
}

std::string toCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        // A CR LF already there (a caption typed in a Windows edit box) is kept, not doubled.
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

bool WriteTextFile(const std::string& path, const std::string& text) { return writeFileBytes(path, toCrLf(text)); }

size_t ReplaceAll(std::string& text, std::string_view key, std::string_view value)
{
    if (key.empty() || text.empty()) return 0;
    size_t count = 0;
    size_t at = text.find(key);
    if (at == std::string::npos) return 0;
    // Built into a second string so that many matches cost one pass, not one move each.
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out.append(value);
        from = at + key.size();
        ++count;
        at = text.find(key, from);
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
    return count;
}

std::string FormatColour(int32_t colour)
{
    const auto c = static_cast<uint32_t>(colour);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c & 0xFFu, (c >> 8) & 0xFFu, (c >> 16) & 0xFFu);
    return buffer;
}

std::string decimal(int64_t value) { return std::to_string(value); }

std::string ResolveTheme(const std::string& name, const std::string& templateRoot)
{
    if (isBareName(name) && folderExists(themeFolder(templateRoot, name))) return name;
    const auto entries = listFolder(templateRoot);
    if (!entries) return {};
    for (const FolderEntry& e : *entries) {
        if (e.isFolder && isBareName(e.name) && folderExists(themeFolder(templateRoot, e.name))) return e.name;
    }
    return {};
}

std::string ResolveTheme(const std::string& name) { return ResolveTheme(name, defaultTemplateRoot()); }

std::vector<std::string> ListThemes(const std::string& templateRoot)
{
    std::vector<std::string> names;
    if (const auto entries = listFolder(templateRoot)) {
        for (const FolderEntry& e : *entries)
            if (e.isFolder && e.name != "." && e.name != "..") names.push_back(e.name);
    }
    std::stable_sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

std::vector<std::string> ListThemes() { return ListThemes(defaultTemplateRoot()); }

namespace {

// A page template of the gallery's theme with the gallery's title and description filled.
std::string loadPageTemplate(const GallerySettings& gallery, const std::string& templateRoot, const char* name)
{
    std::string text = ReadTextFile(joinPath(themeFolder(templateRoot, gallery.themeName), name));
    if (text.empty()) return text;
    ReplaceAll(text, "%GALLERYTITLE%", gallery.galleryTitle);
    ReplaceAll(text, "%GALLERYDESCRIPTION%", pageDescription(gallery));
    return text;
}

}  // namespace

std::string LoadPageTemplate(const GallerySettings& gallery, const std::string& templateRoot)
{
    return loadPageTemplate(gallery, templateRoot, kPageTemplateName);
}

std::string LoadPageTemplate(const GallerySettings& gallery)
{
    return LoadPageTemplate(gallery, defaultTemplateRoot());
}

std::string LoadPicturePageTemplate(const GallerySettings& gallery, const std::string& templateRoot)
{
    return loadPageTemplate(gallery, templateRoot, kPicturePageTemplateName);
}

bool themeUses(const std::string& templateRoot, const std::string& themeName, std::string_view key)
{
    const std::string folder = themeFolder(templateRoot, themeName);
    for (const char* name : {kPageTemplateName, kPicturePageTemplateName})
        if (ReadTextFile(joinPath(folder, name)).find(key) != std::string::npos) return true;
    return false;
}

void fillStyleSheet(std::string& text, const GallerySettings& v, std::string_view albumLinkKey)
{
    ReplaceAll(text, "%OUTSIDEWIDTH%", decimal(v.outsideBorderWidth));
    ReplaceAll(text, "%INSIDEWIDTH%", decimal(v.insideBorderWidth));
    ReplaceAll(text, "%OUTSIDECOLOR%", FormatColour(v.outsideBorderColor));
    ReplaceAll(text, "%INSIDECOLOR%", FormatColour(v.insideBorderColor));
    ReplaceAll(text, "%PICTURECOMMENTCOLOR%", FormatColour(v.pictureCommentColor));
    ReplaceAll(text, "%GALLERYTITLECOLOR%", FormatColour(v.galleryTitleColor));
    ReplaceAll(text, "%GALLERYDESCRIPTIONCOLOR%", FormatColour(v.galleryDescriptionColor));
    ReplaceAll(text, "%ALBUMTITLECOLOR%", FormatColour(v.albumTitleColor));
    ReplaceAll(text, albumLinkKey, FormatColour(v.albumLinkColor));
    ReplaceAll(text, "%PAGELINKSCOLOR%", FormatColour(v.pageLinksColor));
    ReplaceAll(text, "%ALBUMCAPTIONCOLOR%", FormatColour(v.albumCaptionColor));
    ReplaceAll(text, "%PAGESCOLOR%", FormatColour(v.pagesColor));
    ReplaceAll(text, "%HOMEPAGECOLOR%", FormatColour(v.homePageColor));
    // A theme's dark variant is a media query the owner can turn off: "not all" never applies.
    ReplaceAll(text, kDarkMediaKey, v.darkVariant ? "(prefers-color-scheme: dark)" : "not all");
}

std::string LoadStyleSheet(const GallerySettings& gallery, const std::string& templateRoot)
{
    std::string text = ReadTextFile(joinPath(themeFolder(templateRoot, gallery.themeName), kStyleSheetName));
    if (text.empty()) return text;
    fillStyleSheet(text, gallery, "%ALBUMLINKCOLOR%");
    return text;
}

std::string LoadStyleSheet(const GallerySettings& gallery) { return LoadStyleSheet(gallery, defaultTemplateRoot()); }
