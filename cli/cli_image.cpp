// fotoloom image add | add-folder | rotate | comment | remove | move | copy | up | down | list.
// Rows are 1-based rows of one album; they become the album's selected rows, and the
// document's own operations do the work.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>

#include "base/file_system.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/image_report.h"
#include "cli/quick_gallery.h"

namespace {

struct ImageOptions {
    std::string project;
    int album = 0;                   // 1-based album position
    std::vector<int> rows;           // 1-based rows of that album
    std::vector<std::string> files;  // add
    std::string folder;              // add-folder
    bool left = false;
    bool right = false;
    std::optional<std::string> text;
    int to = 0;  // target album of move and copy
};

// Does the work on the loaded document; true when there is something to save.
using ImageCommand = bool (*)(CliContext&, CBuilderDoc&, const ImageOptions&);

// Makes the album current and turns the rows into the document's selection, highest first.
std::vector<int> selectRows(CBuilderDoc& doc, const ImageOptions& o)
{
    doc.selectAlbum(albumRowOf(doc, o.album));
    const int count = doc.albumImageCount();
    std::vector<int> rows;
    for (int r : o.rows) {
        if (r < 1 || r > count) {
            throw CliError("image " + std::to_string(r) + " of album " + std::to_string(o.album) +
                           " does not exist: the album has " + std::to_string(count) +
                           (count == 1 ? " image" : " images"));
        }
        rows.push_back(r - 1);
    }
    std::vector<int> selected = doc.collectSelectedRows(rows);
    if (selected.empty()) throw CliError("");  // the document has said so
    return selected;
}

bool addImages(CliContext&, CBuilderDoc& doc, const ImageOptions& o)
{
    doc.selectAlbum(albumRowOf(doc, o.album));
    std::vector<std::string> paths;
    for (const std::string& file : o.files) {
        // The program only adds what its file dialog let the user pick: files that exist.
        std::string path = absolutePath(file);
        if (!fileExists(path)) throw CliError("no such file: " + file);
        paths.push_back(std::move(path));
    }
    doc.addImages(paths);
    return true;
}

// In name order, as the file manager shows them, whatever order the file system keeps (the
// program adds them in that order: by hash on ext4, by name on NTFS).
bool addFolder(CliContext&, CBuilderDoc& doc, const ImageOptions& o)
{
    doc.selectAlbum(albumRowOf(doc, o.album));
    std::string folder = absolutePath(o.folder);
    if (!folderExists(folder)) throw CliError("no such folder: " + o.folder);
    const std::vector<std::string> pictures = picturesOfFolder(folder);
    if (pictures.empty()) throw CliError("no pictures in " + folder + "; nothing changed");
    doc.addImages(pictures);
    return true;
}

bool rotateImages(CliContext&, CBuilderDoc& doc, const ImageOptions& o)
{
    if (o.left == o.right) throw CliUsageError("give one of --left and --right");
    doc.rotateImages(selectRows(doc, o), o.left ? -90 : 90);
    return true;
}

bool commentImages(CliContext&, CBuilderDoc& doc, const ImageOptions& o)
{
    if (!doc.commentImages(selectRows(doc, o), o.text.value_or(std::string()))) throw CliError("");
    return true;
}

bool removeImages(CliContext&, CBuilderDoc& doc, const ImageOptions& o)
{
    if (!doc.removeImages(selectRows(doc, o))) throw CliError("");
    return true;
}

bool moveOrCopyImages(CBuilderDoc& doc, const ImageOptions& o, bool move)
{
    std::vector<int> selected = selectRows(doc, o);
    int target = albumRowOf(doc, o.to);
    bool done = move ? doc.moveImagesToAlbum(selected, target) : doc.copyImagesToAlbum(selected, target);
    if (!done) throw CliError("");
    return true;
}

bool reorderImages(CliContext& context, CBuilderDoc& doc, const ImageOptions& o, bool up)
{
    std::vector<int> selected = selectRows(doc, o);
    std::vector<int> after = up ? doc.moveImagesUp(selected) : doc.moveImagesDown(selected);
    if (after == selected) {
        context.prompter.tell(std::string(up ? "the first" : "the last") + " image of album " +
                                  std::to_string(o.album) + " is among the rows; nothing changed",
                              MessageIcon::Information);
        return false;
    }
    return true;
}

// Loads the project for editing, runs the command, and saves when it changed something.
int editImages(CliContext& context, const ImageOptions& o, ImageCommand run)
{
    ProjectSession session(context, o.project);
    session.loadForEditing();
    if (run(context, session.doc(), o)) session.save();
    return kExitSuccess;
}

struct ListOptions {
    std::string project;
    std::optional<int> album;  // 1-based; every album when not given
    bool json = false;
};

int listImages(CliContext& context, const ListOptions& o)
{
    ProjectSession session(context, o.project);
    const bool whole = session.loadForReading();
    // An empty list printed for a file that is none would pass for its content.
    if (!whole && session.nothingRead()) return kExitFailure;
    std::optional<int> row;
    if (o.album) row = albumRowOf(session.doc(), *o.album);
    if (o.json)
        writeImageListJson(context.out, session.doc(), row);
    else
        writeImageList(context.out, session.doc(), row);
    return whole ? kExitSuccess : kExitFailure;
}

constexpr char kImageListFormat[] =
    "Each image is one line of seven fields separated by tabs: album position, row in the album, file,\n"
    "rotation (degrees clockwise), comment, file size in bytes, last change of the file (ISO 8601, UTC).\n"
    "Tabs, line breaks and backslashes in the file and the comment are written \\t, \\n, \\r and \\\\.\n"
    "Size and last change are empty when the file is missing. Without ALBUM the images in no album\n"
    "(which the file may hold) follow the others, with empty album and row.";

CLI::App* addCommand(CLI::App& group, CliContext& context, const std::string& name, const std::string& description,
                     const std::shared_ptr<ImageOptions>& o, ImageCommand run)
{
    CLI::App* command = group.add_subcommand(name, description);
    command->add_option("PROJECT", o->project, "the .gal file")->required();
    command->add_option("ALBUM", o->album, "album position, from 1")->required();
    command->callback(
        [o, run, &context] { context.command = [o, run, &context] { return editImages(context, *o, run); }; });
    return command;
}

CLI::App* addRowsCommand(CLI::App& group, CliContext& context, const std::string& name, const std::string& description,
                         ImageCommand run, std::shared_ptr<ImageOptions> o = nullptr)
{
    if (!o) o = std::make_shared<ImageOptions>();
    CLI::App* command = addCommand(group, context, name, description, o, run);
    command->add_option("ROW", o->rows, "image rows of the album, from 1")->required();
    return command;
}

}  // namespace

void addImageCommands(CLI::App& app, CliContext& context)
{
    CLI::App* image = app.add_subcommand("image", "Add, rotate, comment, remove, move, copy, reorder and list images");
    image->require_subcommand(1);

    auto add = std::make_shared<ImageOptions>();
    addCommand(*image, context, "add", "Add picture files to the end of an album", add, addImages)
        ->add_option("FILE", add->files, "picture files; stored with their full paths")
        ->required();

    auto folder = std::make_shared<ImageOptions>();
    addCommand(*image, context, "add-folder",
               "Add every picture of a folder (not its subfolders) to an album, in name order: letters without "
               "regard to case, numbers by their value (img2 before img10), on every system",
               folder, addFolder)
        ->add_option("FOLDER", folder->folder, "the folder")
        ->required();

    auto rotate = std::make_shared<ImageOptions>();
    CLI::App* rotateCmd = addRowsCommand(*image, context, "rotate", "Turn images by 90 degrees", rotateImages, rotate);
    CLI::Option* left = rotateCmd->add_flag("--left", rotate->left, "anticlockwise");
    CLI::Option* right = rotateCmd->add_flag("--right", rotate->right, "clockwise");
    left->excludes(right);

    auto comment = std::make_shared<ImageOptions>();
    addRowsCommand(*image, context, "comment", "Set the comment of images", commentImages, comment)
        ->add_option("--text", comment->text, "the comment (may be empty)")
        ->required();

    addRowsCommand(*image, context, "remove", "Remove images from the project (the files stay)", removeImages);

    auto move = std::make_shared<ImageOptions>();
    addRowsCommand(
        *image, context, "move", "Move images to the end of another album",
        [](CliContext&, CBuilderDoc& d, const ImageOptions& o) { return moveOrCopyImages(d, o, true); }, move)
        ->add_option("--to", move->to, "the target album's position")
        ->required();
    auto copy = std::make_shared<ImageOptions>();
    addRowsCommand(
        *image, context, "copy", "Copy images to the end of another album",
        [](CliContext&, CBuilderDoc& d, const ImageOptions& o) { return moveOrCopyImages(d, o, false); }, copy)
        ->add_option("--to", copy->to, "the target album's position")
        ->required();

    addRowsCommand(*image, context, "up", "Move images one place up within their album",
                   [](CliContext& c, CBuilderDoc& d, const ImageOptions& o) { return reorderImages(c, d, o, true); });
    addRowsCommand(*image, context, "down", "Move images one place down within their album",
                   [](CliContext& c, CBuilderDoc& d, const ImageOptions& o) { return reorderImages(c, d, o, false); });

    auto list = std::make_shared<ListOptions>();
    CLI::App* listCmd = image->add_subcommand(
        "list", "Print the images of an album, or of all albums, with their files' size and date");
    listCmd->add_option("PROJECT", list->project, "the .gal file to read")->required();
    listCmd->add_option("ALBUM", list->album, "album position, from 1 (default: every album)");
    listCmd->add_flag("--json", list->json,
                      "print one JSON array: each image's \"album\" and \"position\" (from 1), \"file\", "
                      "\"rotation\", \"comment\", \"size\" in bytes and \"modified\" (ISO 8601, UTC); size "
                      "and modified are null for a missing file, album and position for an image in no album");
    listCmd->footer(kImageListFormat);
    listCmd->callback([list, &context] { context.command = [list, &context] { return listImages(context, *list); }; });
}
