#pragma once
// The build as every command that makes a gallery runs it (build, quick, demo): the choices of
// the command line put into the gallery, the program's build check, the build itself with the
// command line's observer, and what the user is told at the end.

#include <optional>
#include <string>

#include "gallery/builder_doc.h"

struct CliContext;

// What a build prints on the command's output when it ends.
enum class BuildOutput {
    IndexPath,  // the path of the gallery's index.html, when the build completed
    Json,       // buildResultJson, whatever the outcome
    Nothing,
};

struct GalleryBuildRequest {
    std::string output;                // parent folder; "" for the user's documents folder
    std::optional<std::string> title;  // replaces the gallery's title
    std::optional<std::string> theme;  // replaces the gallery's theme; must be installed
    unsigned jobs = 0;                 // picture workers; 0 for one per core
    int quality = 90;                  // JPEG quality of photos and thumbnails
    bool force = false;                // remake everything, even what is up to date
    bool open = false;                 // answer "view it now" with Yes
    BuildOutput print = BuildOutput::IndexPath;
};

// Builds the gallery and returns the exit status: 0 when everything was made, 1 when the build
// was refused or anything was skipped or failed or --open found no browser, 130 when Ctrl+C
// stopped it. Prints what `request.print` says on the command's output. A theme the project names that is not installed
// is said, with the one used. True in `wrote`, when given, once the build completed and wrote the gallery's index.html
// (some pictures or files may still be missing).
int runGalleryBuild(CliContext& context, CBuilderDoc& doc, const GalleryBuildRequest& request, bool* wrote = nullptr);

// Remembers the parent folder a build of the project wrote into, where 'fotoloom publish' and the
// program's dialogs look for the gallery; says so when the settings file cannot be written.
void rememberBuiltFolder(CliContext& context, const std::string& projectPath, const std::string& outputFolder);

// The theme named on the command line; a usage error naming the installed ones when it is not.
void requireInstalledTheme(const std::string& name);

// The program's "Cannot load template. Reinstall Fotoloom." and where the themes were looked for.
std::string noThemeMessage();
