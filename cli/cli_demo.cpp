// fotoloom demo: a gallery of real photographs, those of Debian's lomiri-wallpapers-16.04
// package (scripts/setup.sh installs it), in three albums with comments.

#include <CLI/CLI.hpp>

#include <memory>

#include "base/file_system.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/fotoloom_cli.h"
#include "cli/gallery_build_run.h"

namespace {

#ifdef _WIN32
constexpr char kDefaultPhotoFolder[] = "";
#else
constexpr char kDefaultPhotoFolder[] = "/usr/share/backgrounds";
#endif

struct DemoPhoto {
    const char* file;
    const char* comment;
};

struct DemoAlbum {
    const char* title;
    const char* caption;
    std::vector<DemoPhoto> photos;
};

// The photographers' names are those of the package's file names.
const std::vector<DemoAlbum>& demoAlbums()
{
    static const std::vector<DemoAlbum> albums{
        {"Mountains",
         "Gipuzkoa and the Picos de Europa",
         {{"aitzgorri_by_Aitzol_Berasategi.jpg", "Aitzgorri, Gipuzkoa \xE2\x80\x94 Aitzol Berasategi"},
          {"picosdeeuropa_by_Aitzol_Berasategi.jpg",
           "Picos de Europa, Espa\xC3\xB1"
           "a \xE2\x80\x94 Aitzol Berasategi"},
          {"sunset_by_Aitzol_Berasategi.jpg", "Sunset on the summit \xE2\x80\x94 Aitzol Berasategi"},
          {"life_by_Aitzol_Berasategi.jpg", "A stream in the beech wood \xE2\x80\x94 Aitzol Berasategi"}}},
        {"Close by",
         "Small things, seen closely",
         {{"Dragonfly_by_Bolly.jpg", "Buds against the sky \xE2\x80\x94 Bolly"},
          {"seeding_by_Clements_Engelhardt.jpg", "Dandelion clocks \xE2\x80\x94 Clements Engelhardt"},
          {"Picture_0B_by_freespace.jpg", "A fig on a red plate \xE2\x80\x94 freespace"},
          {"Picture_1A_by_freespace.jpg", "Brushes \xE2\x80\x94 freespace"},
          {"greentock_by_Peter_Nerlich.jpg",
           "Green o\xE2\x80\x99"
           "clock \xE2\x80\x94 Peter Nerlich"},
          {"free_by_Peter_Nerlich.jpg", "Free as a bird \xE2\x80\x94 Peter Nerlich"}}},
        {"At home",
         "Company, indoors and out",
         {{"Wine_by_Jakkub_Mede.jpg", "Wine and a djembe \xE2\x80\x94 Jakkub Mede"},
          {"friends_by_Aitzol_Berasategi.jpg", "Friends at the door \xE2\x80\x94 Aitzol Berasategi"},
          {"Bridge_by_Sander_Klootwijk.jpg", "Under the bridge \xE2\x80\x94 Sander Klootwijk"}}},
    };
    return albums;
}

struct DemoOptions {
    std::string photos = kDefaultPhotoFolder;
    std::string theme = "darkroom";
    GalleryBuildRequest request;
};

int buildDemo(CliContext& context, DemoOptions& o)
{
    const std::string folder = absolutePath(o.photos);
    CBuilderDoc doc;
    doc.setPrompter(&context.prompter);
    doc.galleryTitle = "Fotoloom demo";
    doc.galleryDescription =
        "Photographs from Debian\xE2\x80\x99s lomiri-wallpapers-16.04 package, "
        "made into a gallery by <code>fotoloom demo</code>.";
    doc.rows = 2;
    doc.columns = 4;
    doc.thumbWidth = 180;
    doc.photoSize = 5;  // 1280 x 1024
    size_t found = 0;
    for (const DemoAlbum& album : demoAlbums()) {
        int32_t key = 0;
        for (const DemoPhoto& photo : album.photos) {
            const std::string path = joinPath(folder, photo.file);
            if (!fileExists(path)) continue;
            if (key == 0) {
                const int row = doc.addAlbum(album.title, album.caption, AlbumPosition::Bottom);
                key = doc.albums()[static_cast<size_t>(row)].key;
            }
            doc.appendImage(Image{path, key, 0, photo.comment});
            ++found;
        }
    }
    if (found == 0)
        throw CliError("no demo photographs in " + (folder.empty() ? std::string("(no folder)") : folder) +
                       "; install Debian's lomiri-wallpapers-16.04 (scripts/setup.sh) or give --photos FOLDER");
    o.request.theme = o.theme;
    return runGalleryBuild(context, doc, o.request);
}

}  // namespace

void addDemoCommands(CLI::App& app, CliContext& context)
{
    auto o = std::make_shared<DemoOptions>();
    CLI::App* demo =
        app.add_subcommand("demo", "Build a demo gallery of real photographs; prints the path of its index.html");
    demo->add_option("--output,-o", o->request.output, "parent folder of the gallery (default: your documents folder)");
    demo->add_option("--photos", o->photos, "the folder holding the photographs of lomiri-wallpapers-16.04")
        ->capture_default_str();
    demo->add_option("--theme", o->theme, "the theme to use")->capture_default_str();
    demo->add_flag("--open", o->request.open, "open the finished gallery in the default browser");
    demo->callback([o, &context] { context.command = [o, &context] { return buildDemo(context, *o); }; });
}
