// The command line run in-process: exit statuses, what lands in the project file, and what
// never does when a command fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "base/file_system.h"
#include "cli/fotoloom_cli.h"
#include "cli/json_text.h"
#include "fotoloom_version.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string utf8(const std::filesystem::path& p)
{
    auto s = p.u8string();
    return std::string(s.begin(), s.end());
}

class CliTest : public ::testing::Test {
protected:
    CliTest()
    {
        std::random_device device;
        folder_ = std::filesystem::temp_directory_path() / ("fotoloom-cli-" + std::to_string(device()));
        std::filesystem::create_directories(folder_);
        project = file("p.gal");
        recentIni = file("recent.ini");
        // Saves must never write beside the test program.
#ifdef _WIN32
        _putenv_s("FOTOLOOM_RECENT_INI", recentIni.c_str());
#else
        setenv("FOTOLOOM_RECENT_INI", recentIni.c_str(), 1);
#endif
    }
    ~CliTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string file(const std::string& name) const { return utf8(folder_ / name); }

    Outcome run(std::vector<std::string> args) const
    {
        std::ostringstream out, err;
        int status = runFotoloom(args, out, err);
        return {status, out.str(), err.str()};
    }

    std::string bytes(const std::string& path) const
    {
        std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void load(CBuilderDoc& doc) const { ASSERT_EQ(loadProject(doc, project), ProjectResult::Ok); }

    // File names of the images of album `row` (0-based), in album order, with their rotation
    // and comment where set.
    std::vector<std::string> albumImages(int row) const
    {
        CBuilderDoc doc;
        EXPECT_EQ(loadProject(doc, project), ProjectResult::Ok);
        std::vector<std::string> names;
        for (const Image& image : doc.images()) {
            if (image.albumKey != doc.albums().at(static_cast<size_t>(row)).key) continue;
            std::string name = image.path.substr(image.path.find_last_of("/\\") + 1);
            if (image.rotation) name.append("@").append(std::to_string(image.rotation));
            if (!image.comment.empty()) name.append("#").append(image.comment);
            names.push_back(name);
        }
        return names;
    }

    // A project with albums "A" and "B"; A holds img0.jpg .. img4.jpg.
    void makeProjectWithImages()
    {
        ASSERT_EQ(run({"new", project}).status, 0);
        ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
        ASSERT_EQ(run({"album", "add", project, "B"}).status, 0);
        std::vector<std::string> args{"image", "add", project, "1"};
        for (int i = 0; i < 5; ++i) {
            std::string name = file("img" + std::to_string(i) + ".jpg");
            std::ofstream(std::filesystem::path(std::u8string(name.begin(), name.end()))) << "x";
            args.push_back(name);
        }
        ASSERT_EQ(run(args).status, 0);
    }

    std::filesystem::path folder_;
    std::string project;
    std::string recentIni;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(CliTest, NewWritesTheDefaultGalleryAndPutsItAtTheHeadOfTheRecentList)
{
    Outcome r = run({"new", project});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string written = bytes(project);
    ASSERT_EQ(written.size(), 157u);
    EXPECT_EQ(written.substr(0, 13), std::string("\x01\0\0\0\0\0\0\0\0\0\0\0\x10", 13));
    EXPECT_EQ(written.substr(149), std::string("\x07http://"));
    EXPECT_EQ(RecentList(recentIni).read()[0], project);

    // An existing project is not replaced unless asked to.
    ASSERT_EQ(run({"album", "add", project, "Kept"}).status, 0);
    const std::string edited = bytes(project);
    r = run({"new", project});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos);
    EXPECT_EQ(bytes(project), edited);
    EXPECT_EQ(run({"new", "--force", project}).status, 0);
    EXPECT_EQ(bytes(project).size(), 157u);
}

TEST_F(CliTest, ShowJsonNamesEverySettingAndEscapesTexts)
{
    CBuilderDoc doc;
    doc.galleryTitleColor = 0x302010;
    doc.addAlbum("Caf\xC3\xA9 \"A\"\n\x01", "back\\slash", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"/p/bad\xFF.jpg"});
    RecentList recent(recentIni);
    ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);

    Outcome r = run({"show", project, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
#ifdef _WIN32
    // The Windows project file holds UTF-16, so the ill-formed byte is already U+FFFD when read back.
    const char* kBrokenPath = "\"path\": \"/p/bad\xEF\xBF\xBD.jpg\"";
#else
    const char* kBrokenPath = "\"path\": \"/p/bad\\ufffd.jpg\"";
#endif
    for (const char* expected : {"{\n  \"galleryTitle\": \"Untitled Gallery\",\n", "\"rows\": 6,",
                                 "\"galleryTitleColor\": \"#102030\",", "\"pagesColor\": \"#7b7c7d\",",
                                 "\"back\\\\slash\", \"position\": 1, \"key\": ", "\"homePageUrl\": \"http://\",",
                                 "\"title\": \"Caf\xC3\xA9 \\\"A\\\"\\n\\u0001\"", "\"caption\": \"back\\\\slash\"",
                                 kBrokenPath, "\"rotation\": 0, \"comment\": \"\"}"}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    }
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "]\n}\n");
}

TEST(JsonText, EscapesWhatJsonRequiresAndReplacesBrokenUtf8)
{
    EXPECT_EQ(jsonString(""), "\"\"");
    EXPECT_EQ(jsonString("a\"b\\c/\t\r\b\f\x1f\x7f"), "\"a\\\"b\\\\c/\\t\\r\\b\\f\\u001f\\u007f\"");
    EXPECT_EQ(jsonString(std::string("nul\0", 4)), "\"nul\\u0000\"");
    EXPECT_EQ(jsonString("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x99\x82"), "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x99\x82\"");
    EXPECT_EQ(jsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");                        // overlong
    EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");             // surrogate
    EXPECT_EQ(jsonString("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");  // past U+10FFFF
    EXPECT_EQ(jsonString("\xE2\x82"), "\"\\ufffd\\ufffd\"");                        // cut short at the end
    EXPECT_EQ(jsonString("\xE2\x82x"), "\"\\ufffd\\ufffdx\"");
}

TEST_F(CliTest, SetChecksEveryValueBeforeChangingAnything)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    Outcome r = run({"set", project, "rows=8", "galleryTitleColor=#102030", "pagesColor=0x00ff00", "homePageLink=1",
                     "galleryTitle=Trip = 2024", "reservedSetting=-5"});
    ASSERT_EQ(r.status, 0) << r.err;
    CBuilderDoc doc;
    load(doc);
    EXPECT_EQ(doc.rows, 8);
    EXPECT_EQ(doc.galleryTitleColor, 0x302010);  // HTML order in, 0x00BBGGRR stored
    EXPECT_EQ(doc.pagesColor, 0x00FF00);
    EXPECT_EQ(doc.homePageLink, 1);
    EXPECT_EQ(doc.galleryTitle, "Trip = 2024");
    EXPECT_EQ(doc.reservedSetting, -5);

    const std::string before = bytes(project);
    for (const char* bad :
         {"thumbWidth=301", "thumbWidth=49", "rows=six", "rows=", "rows=1e3", "noSuchSetting=1",
          "galleryTitleColor=#12345", "galleryTitleColor=#1234567", "galleryTitleColor=16777216",
          "galleryTitleColor=-1", "columns=99999999999999999999", "rows=0", "rows=101", "columns=-1"}) {
        r = run({"set", project, "columns=5", bad});
        EXPECT_EQ(r.status, 2) << bad;  // a wrong value is wrong usage, like any wrong argument
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad << ": " << r.err;  // one line
        EXPECT_EQ(bytes(project), before) << bad;                               // columns=5 not applied either
    }
    EXPECT_EQ(run({"set", project, "rows"}).status, 2);
    EXPECT_EQ(run({"set", project}).status, 2);
}

TEST_F(CliTest, SetRefusesWhatTheBuildWouldRefuseOrReplace)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    const std::string before = bytes(project);
    for (const char* bad : {"galleryTitle=a/b", "galleryTitle=..", "galleryTitle=.", "galleryTitle=NUL",
                            "galleryTitle=ends.", "themeName=nosuch", "themeName=../classic"}) {
        Outcome r = run({"set", project, "rows=3", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad << ": " << r.err;
        EXPECT_EQ(bytes(project), before) << bad;
    }
    Outcome r = run({"set", project, "themeName=nosuch"});
    EXPECT_NE(r.err.find("themeName: no theme named 'nosuch'; installed: classic, darkroom, minimal"),
              std::string::npos)
        << r.err;
    r = run({"set", project, "galleryTitle=a/b"});
    EXPECT_NE(r.err.find("galleryTitle: The gallery title \"a/b\" cannot be the name of the gallery's folder"),
              std::string::npos)
        << r.err;

    // What the build takes: an installed theme, none (the first listed), an empty title (the
    // output folder itself).
    ASSERT_EQ(run({"set", project, "themeName=darkroom", "galleryTitle=Summer 2024"}).status, 0);
    ASSERT_EQ(run({"set", project, "themeName=", "galleryTitle="}).status, 0);
    CBuilderDoc doc;
    load(doc);
    EXPECT_EQ(doc.themeName, "");
    EXPECT_EQ(doc.galleryTitle, "");
}

TEST_F(CliTest, AlbumCommandsEditTheAlbumList)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "A", "--caption", "first"}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "B", "--top"}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "C", "--after", "1"}).status, 0);  // B C A
    ASSERT_EQ(run({"album", "add", project, "D", "--bottom"}).status, 0);      // B C A D
    ASSERT_EQ(run({"album", "edit", project, "3", "--title", "A2"}).status, 0);
    ASSERT_EQ(run({"album", "copy", project, "3", "--caption", "copied"}).status, 0);  // ... A2 D A2
    ASSERT_EQ(run({"album", "up", project, "2"}).status, 0);                           // C B A2 D A2
    ASSERT_EQ(run({"album", "down", project, "4"}).status, 0);                         // C B A2 A2 D
    ASSERT_EQ(run({"album", "remove", project, "5"}).status, 0);                       // C B A2 A2

    CBuilderDoc doc;
    load(doc);
    std::vector<std::string> titles;
    for (const Album& a : doc.albums()) titles.push_back(a.title + "/" + a.caption);
    EXPECT_EQ(titles, (Names{"C/", "B/", "A2/first", "A2/copied"}));
    EXPECT_NE(doc.albums()[2].key, doc.albums()[3].key);

    Outcome list = run({"album", "list", project});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("4  \"A2\"  no images"), std::string::npos) << list.out;

    const std::string before = bytes(project);
    EXPECT_EQ(run({"album", "edit", project, "5", "--title", "X"}).status, 1);
    EXPECT_EQ(run({"album", "remove", project, "0"}).status, 1);
    EXPECT_EQ(run({"album", "add", project, "X", "--after", "9"}).status, 1);
    EXPECT_EQ(run({"album", "edit", project, "1"}).status, 2);  // nothing to change
    EXPECT_EQ(run({"album", "add", project, "X", "--top", "--after", "1"}).status, 2);
    EXPECT_EQ(bytes(project), before);
}

TEST_F(CliTest, RemovingAnAlbumTakesItsImagesAndCopyTakesNone)
{
    makeProjectWithImages();
    ASSERT_EQ(run({"album", "copy", project, "1"}).status, 0);
    EXPECT_EQ(albumImages(2), Names{});
    ASSERT_EQ(run({"album", "remove", project, "1"}).status, 0);
    CBuilderDoc doc;
    load(doc);
    EXPECT_EQ(doc.albumCount(), 2);
    EXPECT_TRUE(doc.images().empty());
}

TEST_F(CliTest, ImageReorderingFollowsTheModel)
{
    makeProjectWithImages();
    const Names start{"img0.jpg", "img1.jpg", "img2.jpg", "img3.jpg", "img4.jpg"};
    ASSERT_EQ(albumImages(0), start);

    ASSERT_EQ(run({"image", "up", project, "1", "3", "4"}).status, 0);
    EXPECT_EQ(albumImages(0), (Names{"img0.jpg", "img2.jpg", "img3.jpg", "img1.jpg", "img4.jpg"}));
    ASSERT_EQ(run({"image", "down", project, "1", "2", "3"}).status, 0);
    EXPECT_EQ(albumImages(0), start);
    ASSERT_EQ(run({"image", "down", project, "1", "3", "4"}).status, 0);
    EXPECT_EQ(albumImages(0), (Names{"img0.jpg", "img1.jpg", "img4.jpg", "img2.jpg", "img3.jpg"}));

    // The first row cannot go up: nothing at all moves, and that is no failure.
    const std::string before = bytes(project);
    Outcome r = run({"image", "up", project, "1", "1", "2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(bytes(project), before);
}

TEST_F(CliTest, ImageRotateCommentRemoveMoveAndCopy)
{
    makeProjectWithImages();
    for (int i = 0; i < 4; ++i) ASSERT_EQ(run({"image", "rotate", project, "1", "1", "--right"}).status, 0);
    ASSERT_EQ(run({"image", "rotate", project, "1", "2", "--left"}).status, 0);
    ASSERT_EQ(run({"image", "comment", project, "1", "2", "3", "--text", "hi"}).status, 0);
    EXPECT_EQ(albumImages(0), (Names{"img0.jpg", "img1.jpg@-90#hi", "img2.jpg#hi", "img3.jpg", "img4.jpg"}));

    ASSERT_EQ(run({"image", "copy", project, "1", "2", "--to", "2"}).status, 0);
    ASSERT_EQ(run({"image", "move", project, "1", "5", "1", "--to", "2"}).status, 0);
    EXPECT_EQ(albumImages(0), (Names{"img1.jpg@-90#hi", "img2.jpg#hi", "img3.jpg"}));
    EXPECT_EQ(albumImages(1), (Names{"img1.jpg@-90#hi", "img0.jpg", "img4.jpg"}));

    ASSERT_EQ(run({"image", "remove", project, "1", "3", "1"}).status, 0);
    EXPECT_EQ(albumImages(0), (Names{"img2.jpg#hi"}));

    const std::string before = bytes(project);
    Outcome r = run({"image", "remove", project, "1", "1", "2"});  // row 2 no longer exists
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("image 2 of album 1 does not exist"), std::string::npos) << r.err;
    EXPECT_EQ(run({"image", "move", project, "1", "1", "--to", "3"}).status, 1);
    EXPECT_EQ(run({"image", "rotate", project, "1", "1"}).status, 2);
    EXPECT_EQ(run({"image", "rotate", project, "1", "1", "--left", "--right"}).status, 2);
    EXPECT_EQ(run({"image", "add", project, "1", file("missing.jpg")}).status, 1);
    EXPECT_EQ(bytes(project), before);
}

TEST_F(CliTest, AddFolderTakesPicturesOnlyWithFullPaths)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
    std::filesystem::create_directories(folder_ / "pics" / "sub.jpg");
    std::ofstream(folder_ / "pics" / "a.JPG") << "x";
    std::ofstream(folder_ / "pics" / "b.txt") << "x";
    ASSERT_EQ(run({"image", "add-folder", project, "1", file("pics")}).status, 0);
    CBuilderDoc doc;
    load(doc);
    ASSERT_EQ(doc.images().size(), 1u);
    EXPECT_EQ(doc.images()[0].path, joinPath(file("pics"), "a.JPG"));
    EXPECT_EQ(run({"image", "add-folder", project, "1", file("nowhere")}).status, 1);
}

TEST_F(CliTest, AddFolderAddsInNameOrderWhateverOrderTheFileSystemKeeps)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "B"}).status, 0);
    std::filesystem::create_directories(folder_ / "pics");
    for (const char* name :
         {"img10.jpg", "IMG2.jpg", "img1.jpg", "b.png", "A.gif", "img100.jpg", "img020.jpg", "c.jpg"})
        std::ofstream(folder_ / "pics" / name) << "x";
    ASSERT_EQ(run({"image", "add-folder", project, "2", file("pics")}).status, 0);
    EXPECT_EQ(albumImages(1),
              (Names{"A.gif", "b.png", "c.jpg", "img1.jpg", "IMG2.jpg", "img10.jpg", "img020.jpg", "img100.jpg"}));
    EXPECT_EQ(albumImages(0), Names{});

    Outcome help = run({"image", "add-folder", "--help"});
    EXPECT_NE(help.out.find("name order"), std::string::npos) << help.out;
}

TEST_F(CliTest, DamagedOrMissingProjectsAreNeverOverwritten)
{
    makeProjectWithImages();
    const std::string whole = bytes(project);
    const std::string damaged = file("damaged.gal");
    std::ofstream(std::filesystem::path(std::u8string(damaged.begin(), damaged.end())), std::ios::binary)
        << whole.substr(0, whole.size() / 2);
    const std::string before = bytes(damaged);

    Outcome r = run({"album", "add", damaged, "X"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong GAL file!"), std::string::npos) << r.err;
    EXPECT_EQ(bytes(damaged), before);
    EXPECT_EQ(run({"image", "rotate", damaged, "1", "1", "--left"}).status, 1);
    EXPECT_EQ(run({"set", damaged, "rows=3"}).status, 1);
    EXPECT_EQ(bytes(damaged), before);

    // Show prints what could be read, and still fails.
    r = run({"show", damaged});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"A\""), std::string::npos) << r.out;

    const std::string missing = file("missing.gal");
    EXPECT_EQ(run({"album", "add", missing, "X"}).status, 1);
    EXPECT_FALSE(fileExists(missing));
    EXPECT_EQ(run({"show", missing}).status, 1);
}

#ifndef _WIN32
// A pipe named as the project or as a picture is refused at once: nothing waits for a writer
// that never comes, nor reads an endless device.
TEST_F(CliTest, PipesAndDevicesAreRefusedNotWaitedOn)
{
    const std::string fifo = file("pipe.gal");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (std::vector<std::string> args : {std::vector<std::string>{"show", fifo},
                                          {"set", fifo, "rows=3"},
                                          {"build", fifo, "-o", file("out")},
                                          {"album", "add", fifo, "X"},
                                          {"new", fifo},
                                          {"new", fifo, "--force"}}) {
        SCOPED_TRACE(args[0]);
        Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out"));

    // Nor does a build whose pictures are a pipe and an endless device: both are unreadable.
    CBuilderDoc doc;
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{fifo, "/dev/zero"});
    RecentList recent(recentIni);
    ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    Outcome r = run({"build", project, "-o", file("out")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("pipe.gal"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("/dev/zero"), std::string::npos) << r.err;
}
#endif

TEST_F(CliTest, UsageErrorsAndHelp)
{
    EXPECT_EQ(run({}).status, 2);
    Outcome r = run({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
    EXPECT_EQ(run({"album"}).status, 2);
    EXPECT_EQ(run({"album", "add", project}).status, 2);
    EXPECT_EQ(run({"image", "up", project, "one", "1"}).status, 2);
    EXPECT_EQ(run({"show", project, "--yaml"}).status, 2);

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("FOTOLOOM_RECENT_INI"), std::string::npos);
    r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "fotoloom " FOTOLOOM_VERSION "\n");
    for (const char* command : {"new", "show", "set"}) EXPECT_EQ(run({command, "--help"}).status, 0) << command;
    for (const char* command : {"add", "edit", "copy", "remove", "up", "down", "list"})
        EXPECT_EQ(run({"album", command, "--help"}).status, 0) << command;
    for (const char* command : {"add", "add-folder", "rotate", "comment", "remove", "move", "copy", "up", "down"})
        EXPECT_EQ(run({"image", command, "--help"}).status, 0) << command;
}
