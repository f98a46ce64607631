#include "generator/preview_page.h"

#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/file_system.h"
#include "base/folder_handle.h"
#include "base/known_folders.h"
#include "generator/file_ops.h"
#include "generator/page_meta.h"
#include "generator/site_pages.h"
#include "generator/theme_files.h"

namespace {

constexpr uint64_t kMaxThemeImageBytes = uint64_t{256} << 20;

std::string cannotWrite(const std::string& path) { return "Cannot write file '" + path; }

constexpr char kSamplePageBar[] =
    "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"10\"><tr>"
    "<td align=\"left\" valign=\"middle\" class=\"pages\"><nobr><b>Pictures 1 - 5</b> of 5</nobr></td>"
    "<td width=\"100%\" align=\"center\" valign=\"middle\"><span class=\"albumtitle\">New album</span> : "
    "<span class=\"albumcaption\">%ALBUMCAPTION%</span></td>"
    "<td align=\"right\" valign=\"middle\" class=\"pages\"><nobr>Page 1 of 5 "
    "<a href=\"#\" class=\"pagelinks\">Next &gt;&gt;</a></nobr></td></tr></table>";

std::string sampleAlbumList()
{
    std::string out = "\t\t\t\t<table><tr><td align=\"left\">";
    for (int i = 1; i <= 10; ++i) {
        if (i == 5) {
            out += "\t\t\t\t<span class=\"albumlinks\"><b>Album 5 (selected album)</b></span><br>";
        } else {
            out += "\t\t\t\t<a href=\"#\" class=\"albumlinks\">Album ";
            out += std::to_string(i);
            out += "</a><br>";
        }
    }
    out += "\t\t\t\t</td></tr></table>";
    return out;
}

std::string sampleGrid(const GallerySettings& s, const std::string& folder)
{
    const std::string w = decimal(s.thumbWidth);
    const std::string cell =
        "<table width=\"" + w + "\">" + "<tr><td width=\"" + w +
        "\"><div class=\"divaround\"><a href=\"#\"><img class=\"divaround\" src=\"" + folder + kSampleImageName + "\"" +
        " width=\"" + w + "\" alt=\"Sample picture\"></a></div></td></tr>" + "<tr><td width=\"" + w +
        "\" align=\"center\"><span class=\"picturecomment\">Picture comment</span></td></tr>" + "</table>";
    std::string out = "<table width=\"100%\">";
    for (int32_t r = 0; r < s.rows; ++r) {
        out += "<tr>";
        for (int32_t c = 0; c < s.columns; ++c) out += "\n<td align=\"center\">" + cell + "</td>";
        out += "</tr>\n";
    }
    out += "</table>";
    return out;
}

std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path;
}

// The preview folder (made when missing) held open, never through a link at its own name: the
// temporary folder above it is shared with other users.
std::optional<FolderHandle> openPreviewFolder(const std::string& folder)
{
    const std::string path = withoutTrailingSeparator(folder);
    if (path.empty()) return std::nullopt;
    const std::string parentPath = folderOf(path);
    std::optional<FolderHandle> parent = FolderHandle::open(parentPath.empty() ? "." : parentPath);
    FileKind found = FileKind::Missing;
    return parent ? parent->openChild(fileNameOf(path), true, found) : std::nullopt;
}

}  // namespace

std::string previewFolder()
{
    // Never the working folder: the system's temporary folder when it is there, else the user's
    // local data folder.
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    std::string parent = ec ? std::string() : utf8Path(temp);
    if (parent.empty() || !folderExists(parent)) parent = localDataFolder();
    if (parent.empty() || !folderExists(parent)) return {};
    std::string folder = joinPath(withoutTrailingSeparator(parent), "FotoloomPreview");
    folder.push_back(kPathSeparator);
    return folder;
}

bool preparePreviewFolder(const std::string& folder)
{
    std::optional<FolderHandle> preview = openPreviewFolder(folder);
    FileKind found = FileKind::Missing;
    return preview && preview->openChild(kThemeImagesName, true, found);
}

std::string sampleImagePath() { return joinPath(shippedFilesFolder(GetProgramFolder()), kSampleImageName); }

std::string fillPreviewPage(std::string text, const PreviewInput& input, const std::string& folder)
{
    const GallerySettings& s = input.settings;
    const std::string width = (input.albumWidthText.empty() ? decimal(s.albumWidth) : input.albumWidthText) +
                              (s.albumWidthUnit == 0 ? "%" : "");
    const std::string home =
        s.homePageLink ? "<a href=\"#\" class=\"homepage\" title=\"Return to Home\">Back to Home</a>" : std::string();
    ReplaceAll(text, "%PAGEMETA%", pageMetaTags(s, std::string()));
    ReplaceAll(text, "%HOMEPAGE%", home);
    ReplaceAll(text, "%PAGES%", kSamplePageBar);
    ReplaceAll(text, "%WIDTH%", width);
    const std::string grid = sampleGrid(s, input.samplesBesidePage ? std::string() : folder);
    ReplaceAll(text, "%PICTURES%", grid);
    // The sample picture has one size only: the same grid stands for the sharp one.
    ReplaceAll(text, kSharpPicturesKey, grid);
    ReplaceAll(text, "%GALLERYTITLE%", s.galleryTitle);
    ReplaceAll(text, "%GALLERYDESCRIPTION%", pageDescription(s));
    ReplaceAll(text, "%ALBUMTITLE%", "Album title");
    ReplaceAll(text, "%ALBUMCAPTION%", "Album caption");
    ReplaceAll(text, "%ALBUMS%", sampleAlbumList());
    return text;
}

PreviewResult RenderPreview(const PreviewInput& input, const std::string& folder, const std::string& templateRoot,
                            IPrompter& prompter)
{
    PreviewResult result;
    result.themeName = ResolveTheme(input.settings.themeName, templateRoot);
    if (result.themeName.empty()) {
        result.outcome = PreviewOutcome::NoTheme;
        prompter.tell(kNoThemeMessage, MessageIcon::Warning);
        return result;
    }
    const std::string theme = themeFolder(templateRoot, result.themeName);

    const std::string pageTemplatePath = joinPath(theme, kPageTemplateName);
    const std::string pageTemplate = ReadTextFile(pageTemplatePath);
    if (pageTemplate.empty()) {
        result.outcome = PreviewOutcome::NoPageTemplate;
        prompter.tell("Cannot open template '" + pageTemplatePath, MessageIcon::Warning);
        return result;
    }
    std::optional<FolderHandle> preview = openPreviewFolder(folder);
    result.pagePath = joinPath(withoutTrailingSeparator(folder), kPreviewPageName);
    if (!preview || !preview->writeFile(kPreviewPageName, toCrLf(fillPreviewPage(pageTemplate, input, folder)))) {
        result.outcome = PreviewOutcome::NotWritten;
        prompter.tell(cannotWrite(result.pagePath), MessageIcon::Warning);
        return result;
    }

    const std::string styleSheetPath = joinPath(theme, kStyleSheetName);
    std::string styleSheet = ReadTextFile(styleSheetPath);
    if (styleSheet.empty()) {
        result.outcome = PreviewOutcome::NoStyleSheet;
        prompter.tell("Cannot open template '" + styleSheetPath, MessageIcon::Warning);
        return result;
    }
    fillStyleSheet(styleSheet, input.settings, "%ALBUMLINKSCOLOR%");
    if (!preview->writeFile(kStyleSheetName, toCrLf(styleSheet))) {
        result.outcome = PreviewOutcome::NotWritten;
        prompter.tell(cannotWrite(joinPath(withoutTrailingSeparator(folder), kStyleSheetName)), MessageIcon::Warning);
        return result;
    }
    result.outcome = PreviewOutcome::Shown;
    return result;
}

size_t CopyThemeImages(const std::string& themeName, const std::string& folder, const std::string& templateRoot)
{
    const std::string source = joinPath(themeFolder(templateRoot, themeName), kThemeImagesName);
    const auto entries = listFolder(source);
    std::optional<FolderHandle> preview = openPreviewFolder(folder);
    FileKind found = FileKind::Missing;
    std::optional<FolderHandle> target = preview ? preview->openChild(kThemeImagesName, true, found) : std::nullopt;
    if (!entries || !target) return 0;
    size_t copied = 0;
    for (const FolderEntry& e : *entries) {
        if (e.isFolder || e.name == "." || e.name == "..") continue;
        std::string bytes;
        if (readFileBytes(joinPath(source, e.name), bytes, kMaxThemeImageBytes) && target->writeFile(e.name, bytes))
            ++copied;
    }
    return copied;
}

bool MakeSampleImage(const CPicture& sample, int thumbWidth, const std::string& folder)
{
    const uint32_t w = sample.GetWidth();
    const uint32_t h = sample.GetHeight();
    if (!sample.IsValid() || w == 0 || h == 0 || thumbWidth <= 0) return false;
    const int64_t height = int64_t{thumbWidth} * h / w;
    if (height <= 0) return false;
    CPicture copy(sample);
    if (!copy.Resample2(static_cast<uint32_t>(thumbWidth), static_cast<uint32_t>(height))) return false;
    std::vector<uint8_t> bytes;
    std::optional<FolderHandle> preview = openPreviewFolder(folder);
    return preview && copy.saveMemory(bytes, kFormatGif) &&
           preview->writeFile(kSampleImageName,
                              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
