// Publishing into a folder: everything goes up once, a re-publish sends only what changed, files
// of an earlier publish the gallery lost are removed and nothing else is, an interrupted publish
// is finished by the next, and a hostile record on the destination is never trusted.

#include <gtest/gtest.h>

#include <optional>

#include "publish/folder_destination.h"
#include "publish/publish_engine.h"
#include "publish_test_util.h"

using namespace publish_test;

namespace {

std::map<std::string, std::string> twoAlbums()
{
    return {{"index.html", "<a href=index-1-1.html>"},
            {"index-1-1.html", "album one <img src=thumbs/thumb-1-1.jpg>"},
            {"index-2-1.html", "album two <img src=thumbs/thumb-2-1.jpg>"},
            {"image-1-1.html", "<img src=photos/image-1-1.jpg>"},
            {"image-2-1.html", "<img src=photos/image-2-1.jpg>"},
            {"style.css", "body{}"},
            {"images/bg.png", "png"},
            {"photos/image-1-1.jpg", std::string(100000, 'a')},
            {"photos/image-2-1.jpg", std::string(70000, 'b')},
            {"thumbs/thumb-1-1.jpg", "t1"},
            {"thumbs/thumb-2-1.jpg", "t2"}};
}

// Passes calls on to a real destination; can fail uploads from a given one on, and records the
// order of what went up.
class FlakyDestination : public IPublishDestination {
public:
    explicit FlakyDestination(IPublishDestination& inner) : inner_(inner) {}

    std::string describe() const override { return inner_.describe(); }
    ManifestFetch readManifest(std::string& text, uint64_t limit, std::string& error) override
    {
        return inner_.readManifest(text, limit, error);
    }
    bool writeManifest(std::string_view text, std::string& error) override
    {
        ++manifestWrites;
        return inner_.writeManifest(text, error);
    }
    bool upload(const std::string& localPath, std::FILE* source, const std::string& name, std::string& error) override
    {
        if (failFrom >= 0 && static_cast<int>(uploads.size()) >= failFrom) {
            error = "connection lost";
            return false;
        }
        uploads.push_back(name);
        return inner_.upload(localPath, source, name, error);
    }
    bool remove(const std::string& name, const RemoteFile& expected, std::string& error) override
    {
        removals.push_back(name);
        return inner_.remove(name, expected, error);
    }

    int failFrom = -1;
    int manifestWrites = 0;
    std::vector<std::string> uploads;
    std::vector<std::string> removals;

private:
    IPublishDestination& inner_;
};

class PublishEngineTest : public ::testing::Test {
protected:
    std::string gallery() const { return scratch / "gallery"; }
    std::string site() const { return scratch / "site"; }

    PublishResult publish(IPublishDestination& destination, bool dryRun = false)
    {
        std::optional<FolderHandle> folder = FolderHandle::open(gallery());
        EXPECT_TRUE(folder);
        if (!folder) return {};
        return publishGallery(*folder, destination, observer, dryRun);
    }
    PublishResult publish(bool dryRun = false)
    {
        FolderDestination destination(site());
        return publish(destination, dryRun);
    }

    // What the site holds, without the publish record.
    std::map<std::string, std::string> published() const
    {
        auto files = filesUnder(site());
        files.erase(kRemoteManifestName);
        return files;
    }

    ScratchFolder scratch;
    RecordingObserver observer;
};

}  // namespace

TEST_F(PublishEngineTest, FirstPublishCopiesTheGalleryInOrderAndASecondSendsNothing)
{
    buildGallery(gallery(), twoAlbums());
    FolderDestination folder(site());
    FlakyDestination destination(folder);
    PublishResult r = publish(destination);
    ASSERT_TRUE(r.succeeded()) << r.problem;
    EXPECT_EQ(r.uploaded, 11u);
    EXPECT_EQ(r.bytesUploaded, r.plan.uploadBytes);
    EXPECT_EQ(published(), twoAlbums());
    EXPECT_EQ(observer.last.filesDone, 11u);
    EXPECT_EQ(observer.last.bytesDone, r.plan.uploadBytes);
    // No page before the pictures it shows; the entry page last.
    ASSERT_EQ(destination.uploads.size(), 11u);
    EXPECT_EQ(destination.uploads.front().substr(0, 7), "photos/");
    EXPECT_EQ(destination.uploads[4], "images/bg.png");
    EXPECT_EQ(destination.uploads[5], "style.css");
    EXPECT_EQ(destination.uploads.back(), "index.html");

    destination.uploads.clear();
    destination.manifestWrites = 0;
    r = publish(destination);
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.uploaded, 0u);
    EXPECT_EQ(r.plan.unchanged, 11u);
    EXPECT_TRUE(destination.uploads.empty());
    EXPECT_EQ(destination.manifestWrites, 0);  // nothing changed, nothing written
}

TEST_F(PublishEngineTest, ARepublishSendsOnlyTheChangedPagesAndRemovesOnlyWhatItPutThere)
{
    buildGallery(gallery(), twoAlbums());
    ASSERT_TRUE(publish().succeeded());
    writeAll(site() + "/my-notes.txt", "mine");  // the owner's own files stay
    writeAll(site() + "/photos/extra.jpg", "mine too");
    writeAll(site() + "/thumbs/thumb-2-1.jpg", "replaced by the owner");

    // A caption changed on album one; album two is gone.
    auto files = twoAlbums();
    files["index-1-1.html"] = "album one, new caption <img src=thumbs/thumb-1-1.jpg>";
    for (const char* gone : {"index-2-1.html", "image-2-1.html", "photos/image-2-1.jpg", "thumbs/thumb-2-1.jpg"})
        files.erase(gone);
    buildGallery(gallery(), files);

    FolderDestination folder(site());
    FlakyDestination destination(folder);
    const PublishResult r = publish(destination);
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(destination.uploads, std::vector<std::string>{"index-1-1.html"});
    EXPECT_EQ(r.removed, 4u);
    auto expected = files;
    expected["my-notes.txt"] = "mine";
    expected["photos/extra.jpg"] = "mine too";
    expected["thumbs/thumb-2-1.jpg"] = "replaced by the owner";  // not what we wrote: it stays
    EXPECT_EQ(published(), expected);

    // The record forgets what it removed: a later publish asks to remove nothing.
    EXPECT_TRUE(publish().plan.removals.empty());
}

TEST_F(PublishEngineTest, AnInterruptedPublishLeavesWholePagesAndTheNextFinishesIt)
{
    buildGallery(gallery(), twoAlbums());
    ASSERT_TRUE(publish().succeeded());
    auto files = twoAlbums();
    files["photos/image-3-1.jpg"] = std::string(5000, 'c');
    files["thumbs/thumb-3-1.jpg"] = "t3";
    files["index-3-1.html"] = "album three";
    files["index.html"] = "<a href=index-3-1.html>";
    files.erase("index-2-1.html");
    buildGallery(gallery(), files);

    FolderDestination folder(site());
    FlakyDestination broken(folder);
    broken.failFrom = 2;  // the pictures go up, then the connection dies
    PublishResult r = publish(broken);
    EXPECT_FALSE(r.succeeded());
    ASSERT_EQ(r.failures.size(), 2u);
    EXPECT_EQ(r.failures.front().name, "index-3-1.html");
    EXPECT_EQ(r.failures.front().reason, "connection lost");
    EXPECT_EQ(r.removed, 0u);  // the old entry page still links the old album
    EXPECT_EQ(readAll(site() + "/index.html"), twoAlbums()["index.html"]);
    EXPECT_TRUE(fileExists(site() + "/index-2-1.html"));

    FlakyDestination working(folder);
    r = publish(working);
    ASSERT_TRUE(r.succeeded());
    // The pictures that made it are not sent again.
    EXPECT_EQ(working.uploads, (std::vector<std::string>{"index-3-1.html", "index.html"}));
    EXPECT_EQ(working.removals, std::vector<std::string>{"index-2-1.html"});
    EXPECT_EQ(published(), files);
}

TEST_F(PublishEngineTest, AnUploadKilledPartWayIsReplacedAndLeavesNoPartFile)
{
    buildGallery(gallery(), twoAlbums());
    // What a publish killed inside the copy of a photo leaves behind.
    writeAll(site() + "/photos/" + FolderDestination::partName("image-1-1.jpg"), "half a pho");
    ASSERT_TRUE(publish().succeeded());
    EXPECT_EQ(published(), twoAlbums());
}

TEST_F(PublishEngineTest, CancellingStopsBeforeTheNextFileAndRemovesNothing)
{
    buildGallery(gallery(), twoAlbums());
    ASSERT_TRUE(publish().succeeded());
    auto files = twoAlbums();
    files.erase("image-2-1.html");
    files["index.html"] = "new";
    files["index-1-1.html"] = "new page";
    buildGallery(gallery(), files);
    observer.cancelAfter = 1;
    const PublishResult r = publish();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.uploaded, 1u);
    EXPECT_EQ(readAll(site() + "/index.html"), twoAlbums()["index.html"]);
    EXPECT_TRUE(fileExists(site() + "/image-2-1.html"));
}

TEST_F(PublishEngineTest, AHostileRecordOnTheDestinationRemovesNothingOutsideTheGallery)
{
    buildGallery(gallery(), twoAlbums());
    writeAll(scratch / "outside.html", "keep");
    writeAll(site() + "/notes/x.html", "keep");
    writeAll(site() + "/" + kRemoteManifestName,
             "fotoloom-published 1\n"
             "F\t4\t0\t../outside.html\n"
             "F\t4\t0\tnotes/x.html\n"
             "F\t4\t0\t.fotoloom-published\n");
    PublishResult r = publish();
    ASSERT_TRUE(r.succeeded());
    EXPECT_TRUE(r.plan.removals.empty());
    EXPECT_EQ(readAll(scratch / "outside.html"), "keep");
    EXPECT_EQ(readAll(site() + "/notes/x.html"), "keep");

    // A record larger than any we write is not read, is replaced, and makes nothing go.
    std::string huge = "fotoloom-published 1\nF\t4\t0\tnotes.html\n";
    huge.resize(kMaxRemoteManifestBytes + 10, '#');
    writeAll(site() + "/" + kRemoteManifestName, huge);
    writeAll(site() + "/notes.html", "keep");
    r = publish();
    ASSERT_TRUE(r.succeeded());
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_NE(observer.warnings[0].find("is not one Fotoloom wrote"), std::string::npos);
    EXPECT_EQ(r.uploaded, 11u);
    EXPECT_EQ(readAll(site() + "/notes.html"), "keep");
    EXPECT_LT(readAll(site() + "/" + kRemoteManifestName).size(), 2000u);
}

TEST_F(PublishEngineTest, ADryRunAndAnUnbuiltGalleryWriteNothing)
{
    buildGallery(gallery(), twoAlbums());
    PublishResult r = publish(true);
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.plan.uploads.size(), 11u);
    EXPECT_FALSE(folderExists(site()));

    removeFile(gallery() + "/" + kManifestName);
    r = publish();
    EXPECT_NE(r.problem.find("has not been built"), std::string::npos);
    EXPECT_FALSE(folderExists(site()));
}

// A colon after the drive would write into a stream of a file, not into a folder; Windows names
// hold none of <>:"|?* nor control characters. Drive, \\?\ and share paths are folders as written.
TEST(WindowsFolderPath, OnlyPathsWindowsCanNameAsFoldersAreTaken)
{
    for (const char* good : {"C:\\Users\\ann\\site", "c:/site", "\\\\?\\D:\\site", "\\\\server\\share\\site",
                             "C:\\Fotos & Reisen\\Été 2026", "/plain/posix/path"})
        EXPECT_EQ(windowsFolderProblem(good), "") << good;
    for (const char* bad :
         {"C:\\Users\\ann\\siteZ:\\x", "C:\\site:stream", "C:\\a\\what?", "C:\\a|b", "C:\\a\"b", "C:\\a\tb", "::\\x"})
        EXPECT_NE(windowsFolderProblem(bad), "") << bad;
    EXPECT_NE(windowsFolderProblem("C:\\web\\siteZ:\\x").find("':'"), std::string::npos);
#ifdef _WIN32
    EXPECT_NE(folderPathProblem("C:\\web\\site:x"), "");
#else
    EXPECT_EQ(folderPathProblem("/srv/www/site:x"), "") << "a colon is an ordinary character here";
#endif
}

TEST_F(PublishEngineTest, TheGalleryFolderIsKnownHoweverItsPathIsWritten)
{
    buildGallery(gallery(), twoAlbums());
    const std::string g = gallery();
    EXPECT_TRUE(isSameFolder(g, g + "/"));
    EXPECT_TRUE(isSameFolder(g + "/./photos/..", g));
    EXPECT_TRUE(isSameFolder(scratch / "site/../gallery", g));
    EXPECT_FALSE(isSameFolder(g + "2", g));
    EXPECT_FALSE(isSameFolder(g + "/photos", g));
    EXPECT_FALSE(isSameFolder(site(), g));  // neither needs to exist
#ifdef _WIN32
    std::string upper = g;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(isSameFolder(upper, g));
    std::string backslashes = g;
    for (char& c : backslashes)
        if (c == '/') c = '\\';
    EXPECT_TRUE(isSameFolder(backslashes + "\\", g));
#else
    const std::string link = scratch / "link";
    std::filesystem::create_directory_symlink(publish_test::fsPath(g), publish_test::fsPath(link));
    EXPECT_TRUE(isSameFolder(link, g));
    EXPECT_TRUE(isSameFolder(link + "/", g + "/."));
#endif
}

TEST_F(PublishEngineTest, ASecondPublishIntoTheFolderIsRefusedWhileOneRunsAndAFileDeletedByHandIsSentAgain)
{
    buildGallery(gallery(), twoAlbums());
    FolderDestination running(site());
    std::string error;
    ASSERT_TRUE(running.lock(error)) << error;
    PublishResult refused = publish();
    EXPECT_NE(refused.problem.find("another publish to " + site() + " is under way"), std::string::npos)
        << refused.problem;
    EXPECT_NE(refused.problem.find("process "), std::string::npos) << refused.problem;
    EXPECT_EQ(refused.uploaded, 0u);
    running.unlock();

    ASSERT_TRUE(publish().succeeded());
    removeFile(joinPath(site(), "photos/image-1-1.jpg"));
    const PublishResult again = publish();
    ASSERT_TRUE(again.succeeded()) << again.problem;
    EXPECT_EQ(again.uploaded, 1u);
    EXPECT_EQ(published(), twoAlbums());
}
