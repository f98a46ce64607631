// fotoloom themes | preview: the installed themes, and the preview's sample page of a project.

#include <CLI/CLI.hpp>

#include <memory>

#include "base/file_system.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/gallery_build_run.h"
#include "generator/preview_page.h"
#include "generator/theme_files.h"
#include "picture/picture.h"

namespace {

struct PreviewOptions {
    std::string project;
    std::string output;
    std::string theme;
};

int listThemes(CliContext& context)
{
    const std::vector<std::string> themes = ListThemes();
    if (themes.empty()) throw CliError(noThemeMessage());
    for (const std::string& theme : themes) context.out << theme << '\n';
    return kExitSuccess;
}

// What the preview dialog does when it opens, with the gallery's own settings in its panel.
int writePreview(CliContext& context, const PreviewOptions& o, bool themeGiven)
{
    if (themeGiven) requireInstalledTheme(o.theme);
    ProjectSession session(context, o.project);
    session.loadForReading();  // the preview shows whatever settings could be read
    const CBuilderDoc& doc = session.doc();

    std::string folder = absolutePath(o.output);
    if (folder.empty() || (folder.back() != '/' && folder.back() != kPathSeparator)) folder += kPathSeparator;
    if (!preparePreviewFolder(folder)) throw CliError("cannot make the folder " + folder);

    PreviewInput input;
    input.settings = static_cast<const GallerySettings&>(doc);
    if (themeGiven) input.settings.themeName = o.theme;
    const std::string root = defaultTemplateRoot();
    const std::string theme = ResolveTheme(input.settings.themeName, root);
    if (theme.empty()) throw CliError(noThemeMessage());
    input.settings.themeName = theme;
    CopyThemeImages(theme, folder, root);
    const PreviewResult result = RenderPreview(input, folder, root, context.prompter);
    // The sample picture beside the program; without it the grid shows broken pictures, as in the program.
    CPicture sample(sampleImagePath(), kFormatGif);
    MakeSampleImage(sample, doc.thumbWidth, folder);
    if (result.outcome != PreviewOutcome::Shown) throw CliError("");
    context.out << result.pagePath << '\n';
    return kExitSuccess;
}

}  // namespace

void addThemeCommands(CLI::App& app, CliContext& context)
{
    CLI::App* themes = app.add_subcommand("themes", "List the installed themes, in the order the program lists them");
    themes->callback([&context] { context.command = [&context] { return listThemes(context); }; });

    auto o = std::make_shared<PreviewOptions>();
    CLI::App* preview = app.add_subcommand(
        "preview", "Write the sample album page of a project's theme and settings; prints the page's path");
    preview->add_option("PROJECT", o->project, "the .gal file whose settings to show")->required();
    preview->add_option("--output,-o", o->output, "the folder to write the page into")->required();
    CLI::Option* theme = preview->add_option("--theme", o->theme, "show this theme instead of the project's");
    preview->callback([o, theme, &context] {
        const bool themeGiven = theme->count() > 0;
        context.command = [o, themeGiven, &context] { return writePreview(context, *o, themeGiven); };
    });
}
