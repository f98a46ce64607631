// fotoloom quick: a gallery straight from folders of pictures, one album per folder, without a
// project file.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>

#include "base/file_system.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/gallery_build_run.h"
#include "cli/quick_gallery.h"
#include "generator/theme_files.h"
#include "picture/format_code.h"

namespace {

struct QuickOptions {
    std::vector<std::string> folders;
    std::string title;
    std::string theme;
    GalleryBuildRequest request;
};

// The last component of a path, without trailing separators.
std::string folderName(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

int quickGallery(CliContext& context, QuickOptions& o, bool titleGiven, bool themeGiven)
{
    CBuilderDoc doc;
    doc.setPrompter(&context.prompter);
    std::string searched;
    for (const std::string& folder : o.folders) {
        const std::string full = absolutePath(folder);
        if (!folderExists(full)) throw CliError("no such folder: " + folder);
        addAlbumOfFolder(doc, full, folderName(full), "");
        searched += (searched.empty() ? "" : ", ") + full;
    }
    // The program's own check would speak of its "Add images" button.
    if (doc.images().empty()) throw CliError("no pictures in " + searched + "; nothing was built");
    if (titleGiven) {
        o.request.title = o.title;
    } else if (o.folders.size() == 1) {
        o.request.title = folderName(absolutePath(o.folders.front()));
    }
    // Without a choice, the first theme in the listed order: the same on every machine.
    if (themeGiven) {
        o.request.theme = o.theme;
    } else if (const std::vector<std::string> themes = ListThemes(); !themes.empty()) {
        o.request.theme = themes.front();
    }
    return runGalleryBuild(context, doc, o.request);
}

}  // namespace

// As a file manager orders names: letters without regard to case, runs of digits by their value
// ("img2" before "img10"); names that still tie, by their bytes.
bool comesBeforeByName(const std::string& a, const std::string& b)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            // Compare by value without converting: leading zeros off, then length, then digits.
            size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const auto ca = static_cast<unsigned char>(lower(a[i]));
        const auto cb = static_cast<unsigned char>(lower(b[j]));
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    return a < b;
}

std::vector<std::string> picturesOfFolder(const std::string& folder)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : listFolder(folder).value_or(std::vector<FolderEntry>{})) {
        if (entry.isFolder || entry.name == "." || entry.name == "..") continue;
        if (formatCodeOf(entry.name) != kFormatUnknown) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), comesBeforeByName);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) paths.push_back(joinPath(folder, name));
    return paths;
}

int addAlbumOfFolder(CBuilderDoc& doc, const std::string& folder, const std::string& title, const std::string& caption)
{
    const int row = doc.addAlbum(title, caption, AlbumPosition::Bottom);
    doc.selectAlbum(row);
    const std::vector<std::string> paths = picturesOfFolder(folder);
    doc.addImages(paths);
    return static_cast<int>(paths.size());
}

void addQuickCommands(CLI::App& app, CliContext& context)
{
    auto o = std::make_shared<QuickOptions>();
    CLI::App* quick = app.add_subcommand(
        "quick", "Build a gallery straight from folders: one album per folder, pictures in name order");
    quick->add_option("FOLDER", o->folders, "folders of pictures; each becomes an album named after it")->required();
    quick->add_option("--output,-o", o->request.output, "parent folder of the gallery folder")->required();
    CLI::Option* title =
        quick->add_option("--title", o->title, "the gallery's title and folder name (default: the one folder's name)");
    CLI::Option* theme = quick->add_option("--theme", o->theme, "the theme to use (default: the first listed)");
    quick->add_option("--jobs,-j", o->request.jobs, "pictures made at once (default 0: one per processor core)")
        ->check(CLI::Range(0u, 64u));
    quick->add_option("--quality", o->request.quality, "JPEG quality of photos and thumbnails, 1 to 100 (default 90)")
        ->check(CLI::Range(1, 100));
    quick->add_flag("--force", o->request.force, "remake every photo and thumbnail, even those up to date");
    quick->add_flag("--open", o->request.open, "open the finished gallery in the default browser");
    quick->callback([o, title, theme, &context] {
        const bool titleGiven = title->count() > 0;
        const bool themeGiven = theme->count() > 0;
        context.command = [o, titleGiven, themeGiven, &context] {
            return quickGallery(context, *o, titleGiven, themeGiven);
        };
    });
}
