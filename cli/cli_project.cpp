// fotoloom new | show | set: whole projects and their settings.

#include <CLI/CLI.hpp>

#include <memory>

#include "base/file_system.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/project_report.h"
#include "cli/setting_values.h"

namespace {

struct NewOptions {
    std::string project;
    bool force = false;
};

struct ShowOptions {
    std::string project;
    bool json = false;
};

struct SetOptions {
    std::string project;
    std::vector<std::string> assignments;
};

int newProject(CliContext& context, const NewOptions& o)
{
    ProjectSession session(context, o.project);
    // A fresh gallery over an existing project would lose it without a word.
    if (!o.force && inspectFile(session.path()).kind != FileKind::Missing)
        throw CliError(session.path() + " already exists (use --force to replace it)");
    session.save();
    return kExitSuccess;
}

int showProject(CliContext& context, const ShowOptions& o)
{
    ProjectSession session(context, o.project);
    const bool whole = session.loadForReading();
    // A default project printed for a file that is none would pass for its content.
    if (!whole && session.nothingRead()) return kExitFailure;
    if (o.json)
        writeProjectJson(context.out, session.doc());
    else
        writeProjectText(context.out, session.doc());
    return whole ? kExitSuccess : kExitFailure;
}

int setSettings(CliContext& context, const SetOptions& o)
{
    // Every assignment is checked before the first is applied: all or nothing.
    std::vector<SettingAssignment> assignments;
    for (const std::string& argument : o.assignments) assignments.push_back(parseSettingAssignment(argument));
    ProjectSession session(context, o.project);
    session.loadForEditing();
    for (const SettingAssignment& a : assignments) applySetting(session.doc(), a);
    session.save();
    return kExitSuccess;
}

std::string settingNames()
{
    std::string names;
    for (const SettingInfo& s : allSettings()) names += (names.empty() ? "" : ", ") + std::string(s.name);
    return names;
}

}  // namespace

void addProjectCommands(CLI::App& app, CliContext& context)
{
    auto newOptions = std::make_shared<NewOptions>();
    CLI::App* create = app.add_subcommand("new", "Write a new gallery project with the default settings");
    create->add_option("PROJECT", newOptions->project, "the .gal file to write")->required();
    create->add_flag("--force", newOptions->force, "replace the file if it exists");
    create->callback([newOptions, &context] {
        context.command = [newOptions, &context] { return newProject(context, *newOptions); };
    });

    auto showOptions = std::make_shared<ShowOptions>();
    CLI::App* show = app.add_subcommand("show", "Print a project: settings, albums and images");
    show->add_option("PROJECT", showOptions->project, "the .gal file to read")->required();
    show->add_flag("--json", showOptions->json,
                   "print one JSON object: every setting by name (colours as \"#rrggbb\"), \"albums\" with their "
                   "positions and \"images\"");
    show->callback([showOptions, &context] {
        context.command = [showOptions, &context] { return showProject(context, *showOptions); };
    });

    auto setOptions = std::make_shared<SetOptions>();
    CLI::App* set =
        app.add_subcommand("set",
                           "Change settings of a project; nothing changes if any value is wrong (exit status 2). The "
                           "gallery title must be able to name the gallery's folder, and the theme must be installed "
                           "(see 'fotoloom themes')");
    set->add_option("PROJECT", setOptions->project, "the .gal file to change")->required();
    set->add_option("NAME=VALUE", setOptions->assignments,
                    "settings to change. Colours take #rrggbb or a number 0x00BBGGRR. Names: " + settingNames())
        ->required();
    set->callback([setOptions, &context] {
        context.command = [setOptions, &context] { return setSettings(context, *setOptions); };
    });
}
