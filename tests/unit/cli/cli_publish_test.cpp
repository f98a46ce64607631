// fotoloom publish, run in-process against a folder destination: the first publish, a caption
// changed and published again, an album removed, the destination remembered, and a gallery that is
// not built or out of date said so. Titles and folders have spaces and non-ASCII letters.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "base/file_system.h"
#include "cli/cli_system.h"
#include "cli/fotoloom_cli.h"
#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "picture/picture.h"

namespace {

using namespace cli_test;

std::string readAll(const std::string& path)
{
    std::string bytes;
    readFileBytes(path, bytes, uint64_t{1} << 30);
    return bytes;
}

class CliPublishTest : public CliScratchTest {
protected:
    CliPublishTest() : CliScratchTest("fotoloom-cli-publish-", "settings.ini")
    {
        project = file("trip.gal");
        output = file("out");
        site = file("web site \xC3\xA9t\xC3\xA9");  // spaces and non-ASCII on the way
        gallery = joinPath(output, "Trip d'\xC3\xA9t\xC3\xA9");
    }

    // Two albums of two pictures each, one page each.
    void makeProject()
    {
        CBuilderDoc doc;
        doc.galleryTitle = "Trip d'\xC3\xA9t\xC3\xA9";
        doc.themeName = "minimal";
        doc.rows = 2;
        doc.columns = 2;
        for (int album = 1; album <= 2; ++album) {
            doc.selectAlbum(doc.addAlbum("Album " + std::to_string(album), "first caption", AlbumPosition::Bottom));
            doc.addImages(writeAlbumPictures(album, 2));
        }
        RecentList recent(file("settings.ini"));
        ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    }

    void build()
    {
        const Outcome r = run({"build", project, "-o", output});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::map<std::string, std::string> siteFiles() const { return filesUnder(site, ".fotoloom-published"); }
    std::map<std::string, std::string> galleryFiles() const { return filesUnder(gallery, ".fotoloom-manifest"); }

    static std::vector<std::string> uploadsListed(const std::string& dryRunOut)
    {
        std::vector<std::string> names;
        std::istringstream lines(dryRunOut);
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("upload ")) names.push_back(line.substr(7, line.rfind(" (") - 7));
        return names;
    }

    std::string project, output, site, gallery;
};

}  // namespace

TEST_F(CliPublishTest, PublishesTheGalleryThenOnlyThePagesACaptionChangeTouched)
{
    makeProject();
    build();
    Outcome r = run({"publish", project, "--to", site, "-o", output});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(siteFiles(), galleryFiles());
    EXPECT_NE(r.err.find("published to " + site + ": " + std::to_string(galleryFiles().size()) + " uploaded"),
              std::string::npos)
        << r.err;

    ASSERT_EQ(run({"album", "edit", project, "2", "--caption", "a new caption"}).status, 0);
    build();
    // The destination and the parent folder are remembered: the project alone repeats the publish.
    r = run({"publish", project, "--dry-run"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> uploads = uploadsListed(r.out);
    ASSERT_FALSE(uploads.empty()) << r.out;
    for (const std::string& name : uploads) {
        EXPECT_TRUE(name.ends_with(".html")) << name;  // no picture is sent again
        EXPECT_NE(readAll(joinPath(gallery, name)).find("a new caption"), std::string::npos) << name;
    }
    EXPECT_NE(siteFiles(), galleryFiles());  // a dry run changes nothing

    r = run({"publish", project});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(": " + std::to_string(uploads.size()) + " uploaded"), std::string::npos) << r.err;
    EXPECT_EQ(siteFiles(), galleryFiles());
}

TEST_F(CliPublishTest, ARemovedAlbumGoesFromTheSiteAndTheOwnersFilesStay)
{
    makeProject();
    build();
    ASSERT_EQ(run({"publish", project, "--to", site, "-o", output}).status, 0);
    std::ofstream(pathOf(joinPath(site, "robots.txt"))) << "mine";
    std::ofstream(pathOf(joinPath(site, "photos/logo.jpg"))) << "mine too";

    ASSERT_EQ(run({"album", "remove", project, "2"}).status, 0);
    build();
    const Outcome r = run({"publish", project});
    ASSERT_EQ(r.status, 0) << r.err;
    auto expected = galleryFiles();
    expected["robots.txt"] = "mine";
    expected["photos/logo.jpg"] = "mine too";
    EXPECT_EQ(siteFiles(), expected);
    EXPECT_FALSE(fileExists(joinPath(site, "index-2-1.html")));
}

TEST_F(CliPublishTest, AGalleryNotBuiltOrOutOfDateIsSaidSoAndBuildBuildsItFirst)
{
    makeProject();
    Outcome r = run({"publish", project, "--to", site, "-o", output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The gallery in " + gallery + " has not been built"), std::string::npos) << r.err;
    EXPECT_FALSE(folderExists(site));

    build();
    ASSERT_EQ(run({"album", "edit", project, "1", "--caption", "changed"}).status, 0);
    // The edit comes a moment after the build; file times on Windows may count whole seconds.
    std::filesystem::last_write_time(pathOf(project),
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(2));
    r = run({"publish", project, "--to", site, "-o", output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is out of date"), std::string::npos) << r.err;
    EXPECT_FALSE(folderExists(site));

    r = run({"publish", project, "--to", site, "-o", output, "--build"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readAll(joinPath(site, "index-1-1.html")).find("changed"), std::string::npos);
    EXPECT_EQ(siteFiles(), galleryFiles());

    // Never published: where to is a question of usage.
    r = run({"publish", file("other.gal")});
    EXPECT_NE(r.status, 0);
}

TEST_F(CliPublishTest, AFileThatCouldNotBePublishedFailsAndIsListed)
{
    makeProject();
    build();
    // Where the thumbnails should go stands a file of the owner's.
    std::filesystem::create_directories(pathOf(site));
    std::ofstream(pathOf(joinPath(site, "thumbs"))) << "mine";
    const Outcome r = run({"publish", project, "--to", site, "-o", output});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("These 4 files could not be published:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  thumbs/thumb-1-1.jpg: cannot write into '" + joinPath(site, "thumbs") + "'"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("partly published"), std::string::npos) << r.err;
    EXPECT_EQ(readAll(joinPath(site, "thumbs")), "mine");
}

TEST_F(CliPublishTest, AnSftpAddressTheClientWouldMisreadOrAMissingClientIsSaidSo)
{
    makeProject();
    build();
    Outcome r = run({"publish", project, "-o", output, "--to", "sftp://-oProxyCommand=touch/x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("names no usable host"), std::string::npos) << r.err;
    r = run({"publish", project, "-o", output, "--to", "sftp://me@host:70000/x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("port"), std::string::npos) << r.err;
#ifndef _WIN32
    // Without the OpenSSH client, how to install it.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", file("no-programs-here").c_str(), 1);
    r = run({"publish", project, "-o", output, "--to", "sftp://me@example.org/srv/www"});
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("install the package openssh-client"), std::string::npos) << r.err;
#endif
}

TEST_F(CliPublishTest, AnAddressOfAnotherKindOrAMistypedOneIsRefusedAndNothingIsMadeOrRemembered)
{
    makeProject();
    build();
    ASSERT_EQ(run({"publish", project, "--to", site, "-o", output}).status, 0);
    const std::string remembered = readAll(file("settings.ini"));
    // What used to be taken for a relative folder ("./ftp:/host/x") and made.
    const std::string here = std::filesystem::current_path().string();
    for (const char* address : {"ftp://host/x", "https://host/x", "sftp:/x", "s3:bucket", "SFTP://host/x"}) {
        const Outcome r = run({"publish", project, "--to", address});
        EXPECT_EQ(r.status, 2) << address << ": " << r.err;
        EXPECT_NE(r.err.find("sftp://user@host/path, s3://bucket/prefix or a folder"), std::string::npos) << r.err;
    }
    for (const char* made : {"ftp:", "https:", "sftp:", "s3:bucket", "SFTP:"})
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(here) / made)) << made;

    // A publish that fails before sending anything keeps the destination that worked.
    // (A file stands where the folder should be made; every file fails alike, so once, not per file.)
    std::ofstream(pathOf(file("blocked"))) << "x";
    const Outcome failed = run({"publish", project, "--to", file("blocked"), "-o", output});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("cannot make the folder " + file("blocked")), std::string::npos) << failed.err;
    EXPECT_LE(std::count(failed.err.begin(), failed.err.end(), '\n'), 2) << failed.err;
    EXPECT_EQ(readAll(file("settings.ini")), remembered);
}

TEST_F(CliPublishTest, ADryRunWithBuildBuildsNothing)
{
    makeProject();
    const Outcome r = run({"publish", project, "--to", site, "-o", output, "--build", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("would build it first"), std::string::npos) << r.err;
    EXPECT_FALSE(folderExists(gallery));
    EXPECT_FALSE(folderExists(site));
}

TEST_F(CliPublishTest, CtrlCEndsAPublishWith130AndTheNextFinishesTheJob)
{
    makeProject();
    build();
    InterruptGuard::request();  // as if pressed while the publish runs
    Outcome r = run({"publish", project, "--to", site, "-o", output});
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;

    r = run({"publish", project, "--to", site, "-o", output});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(siteFiles(), galleryFiles());
}

TEST_F(CliPublishTest, PublishTakesTheGalleryFromTheFolderTheLastBuildWroteUnlessToldAnother)
{
    makeProject();
    build();  // into `output`, which publish is not told
    Outcome r = run({"publish", project, "--to", site});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(siteFiles(), galleryFiles());

    // A folder given still wins, and one the build did not write is said to be unbuilt.
    const std::string elsewhere = file("elsewhere");
    r = run({"publish", project, "--to", site, "-o", elsewhere});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The gallery in " + joinPath(elsewhere, "Trip d'\xC3\xA9t\xC3\xA9") + " has not been built"),
              std::string::npos)
        << r.err;

    // The next build elsewhere moves it.
    ASSERT_EQ(run({"build", project, "-o", elsewhere}).status, 0);
    r = run({"publish", project, "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("has not been built"), std::string::npos) << r.err;
}

TEST_F(CliPublishTest, ASaveOrATouchedPictureLeavesTheGalleryCurrentAndAChangedPictureDoesNot)
{
    makeProject();
    build();
    // Saved again with nothing changed, and a picture's date moved: both later than the build.
    ASSERT_EQ(run({"set", project, "rows=2"}).status, 0);
    const auto later = std::filesystem::file_time_type::clock::now() + std::chrono::seconds(2);
    std::filesystem::last_write_time(pathOf(project), later);
    std::filesystem::last_write_time(pathOf(file("p11.jpg")), later);
    Outcome r = run({"publish", project, "--to", site, "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("out of date"), std::string::npos) << r.err;

    // Other pixels in the same file: the photo would be made again.
    CPicture other;
    ASSERT_TRUE(other.setPixels(64, 48, std::vector<uint8_t>(64 * 48 * 4, 200)));
    ASSERT_TRUE(other.Save(file("p11.jpg"), kFormatJpeg));
    r = run({"publish", project, "--to", site, "--dry-run"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is out of date"), std::string::npos) << r.err;

    // Built again: current again.
    build();
    r = run({"publish", project, "--to", site, "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
}
