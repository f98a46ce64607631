#include "cli/gallery_build_run.h"

#include <algorithm>
#include <chrono>

#include "base/file_system.h"
#include "base/known_folders.h"
#include "cli/build_progress.h"
#include "cli/cli_context.h"
#include "cli/cli_system.h"
#include "cli/fotoloom_cli.h"
#include "cli/json_results.h"
#include "generator/site_builder.h"
#include "generator/theme_files.h"
#include "publish/publish_settings.h"

namespace {

// The program's own check before its build dialog opens, with the commands to use instead of
// its buttons.
bool passesBuildCheck(CliContext& context, const CBuilderDoc& doc)
{
    if (doc.albums().empty()) {
        context.prompter.tell("You need at least one album in your album. Add one with 'fotoloom album add'.",
                              MessageIcon::Information);
        return false;
    }
    if (doc.images().empty()) {
        context.prompter.tell(
            "You need at least one image in your gallery. Add some with 'fotoloom image add' "
            "or 'fotoloom image add-folder'.",
            MessageIcon::Information);
        return false;
    }
    return true;
}

// The build takes another theme for one that is not installed, without a word to the program's
// user; on the command line it is said.
void warnOfMissingTheme(CliContext& context, const CBuilderDoc& doc)
{
    if (doc.themeName.empty()) return;
    const std::string used = ResolveTheme(doc.themeName);
    if (used.empty() || used == doc.themeName) return;  // none at all: the build says so
    context.err << "fotoloom: the project's theme '" << doc.themeName << "' is not installed; building with '" << used
                << "'\n";
}

std::string summary(const BuildResult& r)
{
    std::string text = "built " + std::to_string(r.picturesMade) + (r.picturesMade == 1 ? " picture" : " pictures");
    if (r.picturesReused) text += ", " + std::to_string(r.picturesReused) + " up to date";
    if (r.filesRemoved) text += ", " + std::to_string(r.filesRemoved) + " old files removed";
    const size_t notMade = r.unreadablePictures.size() + r.tooLargePictures.size();
    if (notMade) text += ", " + std::to_string(notMade) + (notMade == 1 ? " picture" : " pictures") + " not made";
    if (!r.unwrittenFiles.empty())
        text += ", " + std::to_string(r.unwrittenFiles.size()) + (r.unwrittenFiles.size() == 1 ? " file" : " files") +
                " not written";
    return text + " with the theme '" + r.themeName + "' into " + r.galleryFolder;
}

}  // namespace

void requireInstalledTheme(const std::string& name)
{
    const std::vector<std::string> themes = ListThemes();
    if (std::find(themes.begin(), themes.end(), name) != themes.end()) return;
    std::string installed;
    for (const std::string& t : themes) installed += (installed.empty() ? "" : ", ") + t;
    throw CliUsageError(
        "no theme named '" + name + "'" +
        (installed.empty() ? "; no theme is installed in " + defaultTemplateRoot() : "; installed: " + installed));
}

void rememberBuiltFolder(CliContext& context, const std::string& projectPath, const std::string& outputFolder)
{
    const std::string settingsFile = recentListPath();
    if (!rememberOutputFolder(settingsFile, projectPath, outputFolder))
        context.err << "fotoloom: could not remember the gallery's folder in " << settingsFile << '\n';
}

std::string noThemeMessage()
{
    return std::string(kNoThemeMessage) + " No theme was found in " + defaultTemplateRoot() + ".";
}

int runGalleryBuild(CliContext& context, CBuilderDoc& doc, const GalleryBuildRequest& request, bool* wrote)
{
    if (wrote) *wrote = false;
    if (request.theme) {
        requireInstalledTheme(*request.theme);
        doc.themeName = *request.theme;
    }
    if (request.title) doc.galleryTitle = *request.title;
    doc.outputFolder = request.output.empty() ? documentsFolder() : absolutePath(request.output);
    if (!passesBuildCheck(context, doc)) throw CliError("");
    // The build makes the gallery folder and the folders above it, as the program's does.

    warnOfMissingTheme(context, doc);

    CliBuildObserver observer(context.err, stderrIsTerminal(), request.open);
    BuildOptions options;
    options.jobs = request.jobs;
    options.force = request.force;
    options.jpegQuality = request.quality;
    keepPictureMemory();
    BuildResult result;
    const auto start = std::chrono::steady_clock::now();
    {
        InterruptGuard interrupt;
        result = BuildGallery(doc, observer, options);
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    observer.finish();
    if (request.print == BuildOutput::Json) context.out << buildResultJson(result, seconds.count()) << std::flush;
    switch (result.outcome) {
    case BuildOutcome::Completed: break;
    case BuildOutcome::Cancelled: return kExitInterrupted;  // the observer has said so
    case BuildOutcome::NoTheme:                             // the warning has been shown
    case BuildOutcome::InvalidTitle:
    case BuildOutcome::Busy:
    case BuildOutcome::Unwritable: return kExitFailure;
    }
    if (wrote) *wrote = !result.indexPage.empty();
    context.err << "fotoloom: " << summary(result) << '\n';
    if (request.print == BuildOutput::IndexPath && !result.indexPage.empty())
        context.out << result.indexPage << '\n';  // only a page that is there
    return result.warnings == 0 && result.succeeded() && !observer.openFailed() ? kExitSuccess : kExitFailure;
}
