// The gallery commands run in-process: build, themes, preview, quick. They use the themes and
// "sample.gif" that the build copies beside this test program, as beside fotoloom.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "base/file_system.h"
#include "cli/build_progress.h"
#include "cli/cli_system.h"
#include "cli/fotoloom_cli.h"
#include "cli/quick_gallery.h"
#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "picture/picture.h"

namespace {

using namespace cli_test;

class CliBuildTest : public CliScratchTest {
protected:
    CliBuildTest() : CliScratchTest("fotoloom-cli-build-", "recent.ini")
    {
        project = file("trip.gal");
        output = file("out");
    }

    std::string picture(const std::string& name, uint32_t width, uint32_t height) const
    {
        const std::string path = file(name);
        std::filesystem::create_directories(pathOf(path).parent_path());
        std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4, 90);
        CPicture pic;
        EXPECT_TRUE(pic.setPixels(width, height, std::move(px)));
        EXPECT_TRUE(pic.Save(path, kFormatJpeg));
        return path;
    }

    static std::pair<uint32_t, uint32_t> sizeOf(const std::string& path)
    {
        CPicture pic(path, 0);
        return {pic.GetWidth(), pic.GetHeight()};
    }

    // Two albums: "Été" with a landscape, a portrait and a picture whose file is gone; "Empty".
    void makeProject()
    {
        CBuilderDoc doc;
        doc.galleryTitle = "Trip";
        doc.rows = 1;
        doc.columns = 2;
        doc.selectAlbum(doc.addAlbum("\xC3\x89t\xC3\xA9", "sea", AlbumPosition::Bottom));
        const std::vector<std::string> paths{picture("a.jpg", 400, 300), picture("b.jpg", 300, 400), file("gone.jpg")};
        doc.addImages(paths);
        doc.addAlbum("Empty", "", AlbumPosition::Bottom);
        RecentList recent(file("recent.ini"));
        ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    }

    bool exists(const std::string& relative) const { return fileExists(joinPath(output, relative)); }

    std::string project;
    std::string output;
};

}  // namespace

TEST_F(CliBuildTest, BuildWritesTheGalleryAndFailsWhenAPictureWasSkipped)
{
    makeProject();
    Outcome r = run({"build", project, "--output", output, "--title", "Summer", "--theme", "minimal", "--jobs", "2"});
    EXPECT_EQ(r.status, 1) << r.err;  // gone.jpg could not be read
    const std::string gallery = joinPath(output, "Summer");
    EXPECT_EQ(r.out, joinPath(gallery, "index.html") + "\n");
    EXPECT_NE(r.err.find("gone.jpg"), std::string::npos) << r.err;
    // The picture that could not be read keeps its number and its page; only its files are missing.
    for (const char* name : {"Summer/index.html", "Summer/index-1-1.html", "Summer/index-1-2.html",
                             "Summer/index-2-1.html", "Summer/style.css", "Summer/images/favicon.png",
                             "Summer/photos/image-1-2.jpg", "Summer/thumbs/thumb-1-1.jpg", "Summer/image-1-3.html"})
        EXPECT_TRUE(exists(name)) << name;
    EXPECT_FALSE(exists("Summer/photos/image-1-3.jpg"));
    EXPECT_EQ(sizeOf(joinPath(gallery, "thumbs/thumb-1-2.jpg")), std::make_pair(150u, 200u));

    // The project file keeps its own title and theme: the command line's choices are for this build.
    CBuilderDoc doc;
    ASSERT_EQ(loadProject(doc, project), ProjectResult::Ok);
    EXPECT_EQ(doc.galleryTitle, "Trip");
    EXPECT_EQ(doc.themeName, "");

    // Without the missing picture the same build succeeds, and makes nothing again.
    doc.selectAlbum(0);
    doc.removeImageAt(2);
    RecentList recent(file("recent.ini"));
    ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    r = run({"build", project, "-o", output, "--title", "Summer", "--theme", "minimal"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("built 0 pictures, 2 up to date"), std::string::npos) << r.err;
    EXPECT_FALSE(exists("Summer/image-1-3.html"));  // the earlier build's leftover is gone
}

TEST_F(CliBuildTest, AFileThatCouldNotBeWrittenFailsTheBuildAndIsListed)
{
    makeProject();
    // Where the photos should go stands a file of the user's: nothing is written into or over it.
    std::filesystem::create_directories(pathOf(joinPath(output, "Summer")));
    std::ofstream(pathOf(joinPath(output, "Summer/photos"))) << "mine";
    const Outcome r = run({"build", project, "-o", output, "--title", "Summer", "--theme", "minimal"});
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string photos = joinPath(joinPath(output, "Summer"), "photos");
    EXPECT_NE(r.err.find("Cannot write into '" + photos + "': it is not a folder."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("These 2 files could not be written"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(joinPath(photos, "image-1-2.jpg")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("built 2 pictures, 1 picture not made, 2 files not written"), std::string::npos) << r.err;
    std::ifstream kept(pathOf(photos));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
    EXPECT_TRUE(exists("Summer/thumbs/thumb-1-2.jpg"));
}

TEST_F(CliBuildTest, AGalleryFolderThatCannotBeMadeNamesNoPage)
{
    makeProject();
    const std::string title(300, 't');  // longer than any file system allows a name
    const Outcome r = run({"build", project, "-o", output, "--title", title, "--theme", "minimal"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");  // no path of an index.html that is not there
    // Refused at once in one line, naming the folder; no line for every page that was not written.
    EXPECT_NE(r.err.find("fotoloom: Cannot make the folder '" + joinPath(output, title) + "' for the Web Gallery: "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Cannot write file"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pathOf(output)));  // the parent made on the way went again
}

TEST_F(CliBuildTest, BuildRefusesWhatTheProgramRefuses)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    Outcome r = run({"build", project, "-o", output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("You need at least one album in your album."), std::string::npos) << r.err;

    ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
    r = run({"build", project, "-o", output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("You need at least one image in your gallery."), std::string::npos) << r.err;

    makeProject();
    r = run({"build", project, "-o", output, "--title", "a/b"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(pathOf(output)));  // nothing written for a title that is no folder name

    r = run({"build", project, "-o", output, "--theme", "no-such-theme"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("installed: classic, darkroom, minimal"), std::string::npos) << r.err;
    EXPECT_EQ(run({"build", project, "--quality", "0"}).status, 2);
    EXPECT_EQ(run({"build", project, "--jobs", "-1"}).status, 2);
    EXPECT_EQ(run({"build", file("missing.gal"), "-o", output}).status, 1);
}

// The build quietly takes another theme for one that is not installed; the command line says so.
TEST_F(CliBuildTest, AProjectsThemeThatIsNotInstalledIsSaidWithTheOneUsed)
{
    makeProject();
    CBuilderDoc doc;
    ASSERT_EQ(loadProject(doc, project), ProjectResult::Ok);
    doc.themeName = "removed";
    RecentList recent(file("recent.ini"));
    ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    Outcome r = run({"build", project, "-o", output});
    // The one the file system lists first under the themes' folder.
    const std::string said = "fotoloom: the project's theme 'removed' is not installed; building with '";
    const size_t at = r.err.find(said);
    ASSERT_NE(at, std::string::npos) << r.err;
    const size_t from = at + said.size();
    const std::string used = r.err.substr(from, r.err.find('\'', from) - from);
    EXPECT_TRUE(used == "classic" || used == "darkroom" || used == "minimal") << used;
    EXPECT_NE(r.err.find("with the theme '" + used + "' into"), std::string::npos) << r.err;

    ASSERT_EQ(run({"set", project, "themeName=minimal"}).status, 0);
    r = run({"build", project, "-o", output});
    EXPECT_EQ(r.err.find("is not installed"), std::string::npos) << r.err;
}

#ifndef _WIN32
TEST_F(CliBuildTest, WithoutOutputTheGalleryGoesIntoTheDocumentsFolder)
{
    makeProject();
    const std::string documents = file("My Documents");
    std::filesystem::create_directories(pathOf(documents));
    setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
    Outcome r = run({"build", project, "--title", "Home"});
    unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(r.out, joinPath(joinPath(documents, "Home"), "index.html") + "\n") << r.err;
    EXPECT_TRUE(fileExists(joinPath(documents, "Home/index-2-1.html")));
}
#endif

TEST_F(CliBuildTest, ThemesAreListedAndThePreviewIsWritten)
{
    Outcome r = run({"themes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "classic\ndarkroom\nminimal\n");

    makeProject();
    const std::string folder = file("preview");
    r = run({"preview", project, "--output", folder, "--theme", "darkroom"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, joinPath(folder, "index.htm") + "\n");
    for (const char* name : {"index.htm", "style.css", "sample.gif", "images/grain.png"})
        EXPECT_TRUE(fileExists(joinPath(folder, name))) << name;
    EXPECT_EQ(sizeOf(joinPath(folder, "sample.gif")).first, 150u);  // the gallery's thumbnail width

    std::ifstream in(pathOf(joinPath(folder, "style.css")), std::ios::binary);
    const std::string css((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(css.find("%ALBUMLINKSCOLOR%"), std::string::npos);  // the preview's key is filled
    EXPECT_EQ(run({"preview", project}).status, 2);               // --output is required
}

TEST_F(CliBuildTest, QuickMakesOneAlbumPerFolderInNameOrder)
{
    picture("Pics/Harbour/img10.jpg", 60, 40);
    picture("Pics/Harbour/IMG2.jpg", 40, 60);
    picture("Pics/Harbour/img1.jpg", 50, 50);
    picture("Pics/Town/a.jpg", 30, 30);
    std::ofstream(pathOf(file("Pics/Town/notes.txt"))) << "not a picture";

    Outcome r = run({"quick", file("Pics/Harbour"), file("Pics/Town/"), "--output", output, "--title", "Quick"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string gallery = joinPath(output, "Quick");
    EXPECT_EQ(sizeOf(joinPath(gallery, "photos/image-1-1.jpg")), std::make_pair(50u, 50u));  // img1
    EXPECT_EQ(sizeOf(joinPath(gallery, "photos/image-1-2.jpg")), std::make_pair(40u, 60u));  // IMG2
    EXPECT_EQ(sizeOf(joinPath(gallery, "photos/image-1-3.jpg")), std::make_pair(60u, 40u));  // img10
    EXPECT_TRUE(fileExists(joinPath(gallery, "photos/image-2-1.jpg")));
    EXPECT_FALSE(fileExists(joinPath(gallery, "photos/image-2-2.jpg")));
    std::ifstream in(pathOf(joinPath(gallery, "index.html")), std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(page.find(">Harbour</a>"), std::string::npos);
    EXPECT_NE(page.find(">Town</a>"), std::string::npos);
    EXPECT_TRUE(fileExists(joinPath(gallery, "images/paper.png")));  // the first listed theme: classic

    // One folder names the gallery; a folder that is not there is refused before anything is built.
    EXPECT_EQ(run({"quick", file("Pics/Town"), "-o", output}).status, 0);
    EXPECT_TRUE(fileExists(joinPath(output, "Town/index.html")));
    EXPECT_EQ(run({"quick", file("Pics/Nowhere"), "-o", output}).status, 1);
}

TEST(NameOrder, LettersWithoutCaseAndNumbersByValue)
{
    std::vector<std::string> names{"b.jpg", "img10.jpg", "IMG2.jpg", "img02.jpg", "A.jpg", "img1.jpg", "a.jpg", "img"};
    std::sort(names.begin(), names.end(), comesBeforeByName);
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg", "img", "img1.jpg", "IMG2.jpg", "img02.jpg",
                                               "img10.jpg"}));
}

TEST(BuildProgress, PlainLinesAtEveryTenthAndOneCancelNotice)
{
    EXPECT_EQ(progressBarText(0, 4), "[----]");
    EXPECT_EQ(progressBarText(50, 4), "[##--]");
    EXPECT_EQ(progressBarText(130, 4), "[####]");

    std::ostringstream err;
    CliBuildObserver observer(err, false, false);
    for (int total : {3, 7, 12, 19, 20, 100}) observer.progress(50, total);
    EXPECT_EQ(err.str(),
              "fotoloom: building 12% (album 50%)\nfotoloom: building 20% (album 50%)\n"
              "fotoloom: building 100% (album 50%)\n");
    err.str({});
    observer.warning("These 2 pictures could not be read:\n/a.jpg\n/b.jpg");
    EXPECT_EQ(err.str(), "fotoloom: These 2 pictures could not be read:\nfotoloom: /a.jpg\nfotoloom: /b.jpg\n");
    EXPECT_FALSE(observer.askViewGallery("?", "!"));  // without --open the answer is No

    err.str({});
    InterruptGuard guard;
    EXPECT_FALSE(observer.cancelRequested());
    InterruptGuard::request();
    EXPECT_TRUE(observer.cancelRequested());
    EXPECT_TRUE(observer.cancelRequested());
    EXPECT_EQ(err.str(), "fotoloom: cancelled; the gallery folder keeps what was made so far\n");

    // On a terminal the bar is redrawn in place and cleared before a warning.
    std::ostringstream screen;
    CliBuildObserver bar(screen, true, true);
    bar.progress(40, 20);
    bar.warning("careful");
    EXPECT_EQ(screen.str().find('\n'), screen.str().find("careful") + 7);
    EXPECT_NE(screen.str().find("\rfotoloom: careful\n"), std::string::npos);
    EXPECT_TRUE(bar.askViewGallery("?", "!"));
}
