// fotoloom build: a project's gallery, built as the program's "Build Web Gallery" builds it.

#include <CLI/CLI.hpp>

#include <memory>

#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/gallery_build_run.h"

namespace {

constexpr char kBuildPromises[] =
    "Ctrl+C stops the build after the picture in hand.\n"
    "The build never writes, replaces or deletes anything outside the gallery folder, whatever links it\n"
    "finds there. Every file is written under a new name and renamed over the old one, so a build that\n"
    "fails leaves the previous pages whole; a file is removed only while it holds exactly what an\n"
    "earlier build recorded writing there. A build that was killed is cleaned up after by the next.\n"
    "Memory: the picture workers share one budget of 1 GB; a picture that would need more on its own\n"
    "is refused and listed.\n"
    "Exit status 1 when the build was refused, or when any picture or file was not written (each is\n"
    "listed); 130 when Ctrl+C stopped it. A theme the project names that is not installed is said, with\n"
    "the one the build uses instead.";

struct BuildCommandOptions {
    std::string project;
    std::string title;
    std::string theme;
    bool json = false;
    GalleryBuildRequest request;
};

int buildProject(CliContext& context, BuildCommandOptions& o, bool titleGiven, bool themeGiven)
{
    if (titleGiven) o.request.title = o.title;
    if (themeGiven) o.request.theme = o.theme;
    if (o.json) o.request.print = BuildOutput::Json;
    ProjectSession session(context, o.project);
    // Half a project would build half a gallery over the whole one.
    if (!session.loadForReading()) throw CliError("the project could not be read whole; nothing was built");
    bool wrote = false;
    const int status = runGalleryBuild(context, session.doc(), o.request, &wrote);
    // Where it went, for 'fotoloom publish' and the program's dialogs.
    if (wrote) rememberBuiltFolder(context, session.path(), session.doc().outputFolder);
    return status;
}

}  // namespace

void addBuildCommands(CLI::App& app, CliContext& context)
{
    auto o = std::make_shared<BuildCommandOptions>();
    CLI::App* build = app.add_subcommand(
        "build", "Build a project's web gallery into PARENT/TITLE; prints the path of its index.html");
    build->add_option("PROJECT", o->project, "the .gal file to build")->required();
    build->add_option("--output,-o", o->request.output,
                      "parent folder of the gallery folder (default: your documents folder)");
    CLI::Option* title = build->add_option("--title", o->title, "the gallery's title, also its folder's name");
    CLI::Option* theme = build->add_option("--theme", o->theme, "the theme to use (see 'fotoloom themes')");
    build->add_option("--jobs,-j", o->request.jobs, "pictures made at once (default 0: one per processor core)")
        ->check(CLI::Range(0u, 64u));
    build->add_option("--quality", o->request.quality, "JPEG quality of photos and thumbnails, 1 to 100 (default 90)")
        ->check(CLI::Range(1, 100));
    build->add_flag("--force", o->request.force, "remake every photo and thumbnail, even those up to date");
    build->add_flag("--open", o->request.open, "open the finished gallery in the default browser");
    build->add_flag("--json", o->json,
                    "print, instead of the path, one JSON object: gallery, completed, written, unchanged, removed, "
                    "failed (file, reason), bytes, seconds");
    build->footer(kBuildPromises);
    build->callback([o, title, theme, &context] {
        const bool titleGiven = title->count() > 0;
        const bool themeGiven = theme->count() > 0;
        context.command = [o, titleGiven, themeGiven, &context] {
            return buildProject(context, *o, titleGiven, themeGiven);
        };
    });
}
