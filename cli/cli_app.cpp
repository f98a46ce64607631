// The root of the command line: the CLI11 application, and the mapping of every outcome to an
// exit status and at most one line on stderr.

#include <CLI/CLI.hpp>

#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "fotoloom_version.h"

namespace {

constexpr char kFooter[] =
    "Environment:\n"
    "  FOTOLOOM_RECENT_INI  the settings file in which saving records the three most recently saved\n"
    "                       projects (default: last.ini beside the program, or\n"
    "                       $XDG_CONFIG_HOME/fotoloom/last.ini when that folder is not writable\n"
    "                       or is a bin folder)\n"
    "\n"
    "Albums and images are numbered from 1, as 'fotoloom show', 'album list' and 'image list' print them.\n"
    "Building (build, quick, demo): nothing outside the gallery folder is ever written or deleted, even\n"
    "through links; the exit status is 1 when any picture or file was not written (each is listed); the\n"
    "picture workers share one memory budget of 1 GB whatever --jobs says, and a picture that would\n"
    "need more on its own is refused and listed.\n"
    "\n"
    "Exit status:\n"
    "  0    success\n"
    "  1    failure: the command said why on stderr, and changed nothing unless it says so (a build\n"
    "       that skipped a picture, could not write a file, or was asked to --open the gallery and\n"
    "       found no browser; a project that could not be read whole)\n"
    "  2    wrong usage: an unknown command or option, a missing or wrong argument, a setting value\n"
    "       that 'set' refuses; nothing was done\n"
    "  130  stopped by Ctrl+C (build, quick, demo, publish); what was finished stays";

// CLI11 calls a misspelt command a missing one; name the word it did not know instead.
std::string usageProblem(const CLI::App& app, const CLI::ParseError& e)
{
    const CLI::App* deepest = &app;
    while (!deepest->get_subcommands().empty()) deepest = deepest->get_subcommands().front();
    std::vector<std::string> unused = deepest->remaining();
    if (!unused.empty() && deepest->get_require_subcommand_min() > 0 && deepest->get_subcommands().empty())
        return (unused.front().starts_with('-') ? "unknown option '" : "unknown command '") + unused.front() + "'";
    return e.what();
}

int runCommand(CliContext& context)
{
    try {
        return context.command();
    } catch (const CliUsageError& e) {
        context.err << "fotoloom: " << e.what() << '\n';
        return kExitUsage;
    } catch (const CliError& e) {
        if (*e.what()) context.err << "fotoloom: " << e.what() << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        context.err << "fotoloom: " << e.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace

int runFotoloom(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CliContext context(out, err);
    CLI::App app("Make and edit Fotoloom gallery projects (.gal files) and build their web galleries.", "fotoloom");
    // Paths such as /photos/a.jpg are arguments, not options, on every system.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("fotoloom ") + FOTOLOOM_VERSION, "Print the version and exit");
    addProjectCommands(app, context);
    addAlbumCommands(app, context);
    addImageCommands(app, context);
    addBuildCommands(app, context);
    addThemeCommands(app, context);
    addQuickCommands(app, context);
    addDemoCommands(app, context);
    addPublishCommands(app, context);
    app.footer(kFooter);  // after the subcommands, which would otherwise inherit it

    std::vector<const char*> argv{"fotoloom"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
            return app.exit(e, out, err);  // --help, --version
        err << "fotoloom: " << usageProblem(app, e) << " (see --help)\n";
        return kExitUsage;
    }
    if (!context.command) return kExitUsage;  // every subcommand sets one; a guard, not a path
    return runCommand(context);
}
