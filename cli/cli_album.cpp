// fotoloom album add | edit | copy | remove | up | down | list.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/project_report.h"

namespace {

struct AlbumOptions {
    std::string project;
    int position = 0;  // 1-based
    std::string title;
    std::optional<std::string> newTitle;
    std::optional<std::string> caption;
    bool top = false;
    bool bottom = false;
    std::optional<int> after;
    bool json = false;
};

using AlbumCommand = int (*)(CliContext&, const AlbumOptions&);

int addAlbum(CliContext& context, const AlbumOptions& o)
{
    ProjectSession session(context, o.project);
    session.loadForEditing();
    CBuilderDoc& doc = session.doc();
    AlbumPosition where = AlbumPosition::Bottom;
    if (o.top) where = AlbumPosition::Top;
    if (o.after) {
        doc.selectAlbum(albumRowOf(doc, *o.after));
        where = AlbumPosition::AfterSelected;
    }
    doc.addAlbum(o.title, o.caption.value_or(std::string()), where);
    session.save();
    return kExitSuccess;
}

int editAlbum(CliContext& context, const AlbumOptions& o)
{
    if (!o.newTitle && !o.caption) throw CliUsageError("nothing to change: give --title or --caption");
    ProjectSession session(context, o.project);
    session.loadForEditing();
    CBuilderDoc& doc = session.doc();
    int row = albumRowOf(doc, o.position);
    const Album& album = doc.albums()[static_cast<size_t>(row)];
    doc.selectAlbum(row);
    doc.editAlbum(row, o.newTitle.value_or(album.title), o.caption.value_or(album.caption));
    session.save();
    return kExitSuccess;
}

int copyAlbum(CliContext& context, const AlbumOptions& o)
{
    ProjectSession session(context, o.project);
    session.loadForEditing();
    CBuilderDoc& doc = session.doc();
    int row = albumRowOf(doc, o.position);
    const Album album = doc.albums()[static_cast<size_t>(row)];
    doc.selectAlbum(row);
    doc.copyAlbum(o.newTitle.value_or(album.title), o.caption.value_or(album.caption));
    session.save();
    return kExitSuccess;
}

int removeAlbum(CliContext& context, const AlbumOptions& o)
{
    ProjectSession session(context, o.project);
    session.loadForEditing();
    CBuilderDoc& doc = session.doc();
    int row = albumRowOf(doc, o.position);
    doc.selectAlbum(row);
    if (!doc.removeAlbum(row)) throw CliError("");
    session.save();
    return kExitSuccess;
}

int moveAlbum(CliContext& context, const AlbumOptions& o, bool up)
{
    ProjectSession session(context, o.project);
    session.loadForEditing();
    CBuilderDoc& doc = session.doc();
    int row = albumRowOf(doc, o.position);
    if (up ? row == 0 : row + 1 == doc.albumCount()) {
        context.prompter.tell(
            "album " + std::to_string(o.position) + " is already the " + (up ? "first" : "last") + "; nothing changed",
            MessageIcon::Information);
        return kExitSuccess;
    }
    doc.selectAlbum(row);
    if (up)
        doc.moveAlbumUp(row);
    else
        doc.moveAlbumDown(row);
    session.save();
    return kExitSuccess;
}

int listAlbums(CliContext& context, const AlbumOptions& o)
{
    ProjectSession session(context, o.project);
    const bool whole = session.loadForReading();
    // An empty list printed for a file that is none would pass for its content.
    if (!whole && session.nothingRead()) return kExitFailure;
    if (o.json)
        writeAlbumListJson(context.out, session.doc());
    else
        writeAlbumList(context.out, session.doc());
    return whole ? kExitSuccess : kExitFailure;
}

CLI::App* addCommand(CLI::App& group, CliContext& context, const std::string& name, const std::string& description,
                     const std::shared_ptr<AlbumOptions>& o, AlbumCommand run)
{
    CLI::App* command = group.add_subcommand(name, description);
    command->add_option("PROJECT", o->project, "the .gal file")->required();
    command->callback([o, run, &context] { context.command = [o, run, &context] { return run(context, *o); }; });
    return command;
}

void addPosition(CLI::App* command, AlbumOptions& o)
{
    command->add_option("ALBUM", o.position, "album position, from 1")->required();
}

}  // namespace

void addAlbumCommands(CLI::App& app, CliContext& context)
{
    CLI::App* album = app.add_subcommand("album", "Add, change, copy, remove, reorder and list albums");
    album->require_subcommand(1);

    auto add = std::make_shared<AlbumOptions>();
    CLI::App* addCmd =
        addCommand(*album, context, "add", "Add an empty album (at the bottom unless told otherwise)", add, addAlbum);
    addCmd->add_option("TITLE", add->title, "the album's title")->required();
    addCmd->add_option("--caption", add->caption, "the album's caption");
    CLI::Option* top = addCmd->add_flag("--top", add->top, "insert as the first album");
    CLI::Option* bottom = addCmd->add_flag("--bottom", add->bottom, "insert as the last album (the default)");
    CLI::Option* after = addCmd->add_option("--after", add->after, "insert after album N")->type_name("N");
    top->excludes(bottom)->excludes(after);
    bottom->excludes(after);

    auto edit = std::make_shared<AlbumOptions>();
    CLI::App* editCmd = addCommand(*album, context, "edit", "Change an album's title or caption", edit, editAlbum);
    addPosition(editCmd, *edit);
    editCmd->add_option("--title", edit->newTitle, "the new title");
    editCmd->add_option("--caption", edit->caption, "the new caption");

    auto copy = std::make_shared<AlbumOptions>();
    CLI::App* copyCmd =
        addCommand(*album, context, "copy",
                   "Add a new album at the bottom with an album's title and caption (not its images)", copy, copyAlbum);
    addPosition(copyCmd, *copy);
    copyCmd->add_option("--title", copy->newTitle, "title of the copy (default: the album's)");
    copyCmd->add_option("--caption", copy->caption, "caption of the copy (default: the album's)");

    auto remove = std::make_shared<AlbumOptions>();
    addPosition(addCommand(*album, context, "remove", "Remove an album and its images", remove, removeAlbum), *remove);

    auto up = std::make_shared<AlbumOptions>();
    addPosition(addCommand(*album, context, "up", "Move an album one place up", up,
                           [](CliContext& c, const AlbumOptions& o) { return moveAlbum(c, o, true); }),
                *up);
    auto down = std::make_shared<AlbumOptions>();
    addPosition(addCommand(*album, context, "down", "Move an album one place down", down,
                           [](CliContext& c, const AlbumOptions& o) { return moveAlbum(c, o, false); }),
                *down);

    auto list = std::make_shared<AlbumOptions>();
    addCommand(*album, context, "list", "Print the albums, numbered, with their image counts", list, listAlbums)
        ->add_flag("--json", list->json,
                   "print one JSON array: each album's \"position\" (from 1), \"key\", \"title\", \"caption\" "
                   "and \"imageCount\"");
}
