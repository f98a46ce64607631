#pragma once
// The subcommands, grouped by what they work on. Each adds its CLI11 subcommands to the root
// and, when chosen, sets context.command to the work it does.

namespace CLI {
class App;
}
struct CliContext;

void addProjectCommands(CLI::App& app, CliContext& context);  // new, show, set
void addAlbumCommands(CLI::App& app, CliContext& context);    // album add|edit|copy|remove|up|down|list
void addImageCommands(CLI::App& app, CliContext& context);    // image add|add-folder|rotate|comment|...|list
void addBuildCommands(CLI::App& app, CliContext& context);    // build
void addThemeCommands(CLI::App& app, CliContext& context);    // themes, preview
void addQuickCommands(CLI::App& app, CliContext& context);    // quick
void addDemoCommands(CLI::App& app, CliContext& context);     // demo
void addPublishCommands(CLI::App& app, CliContext& context);  // publish
