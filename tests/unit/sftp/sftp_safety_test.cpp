// A publish over SFTP never touches what is not its own: links planted on the server, two
// publishes at once, files changed or deleted by hand on the server, what a killed publish left
// on this machine, a record that grows while it is fetched, and a folder that cannot be made.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <future>
#include <thread>

#include "sftp_fixture.h"

namespace {

using namespace publish_test;
using sftp_test::galleryVersion;

class SftpSafetyTest : public sftp_test::SftpPublishTest {
protected:
    std::string outside() const { return (*root_ / ("outside-" + testName())).string(); }
    static std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
    static std::string why(const PublishResult& r)
    {
        return r.problem + (r.failures.empty() ? "" : r.failures[0].name + ": " + r.failures[0].reason);
    }
};

TEST_F(SftpSafetyTest, LinksPlantedOnTheServerAreNeitherWrittenThroughNorRemovedThrough)
{
    std::map<std::string, std::string> files = twoAlbums();
    buildGallery(gallery, files);
    // An outside folder with a file of the name a publish writes, and an outside file.
    writeAll(outside() + "/folder/a1.jpg", "photo a1");
    writeAll(outside() + "/file.txt", "the owner's");
    std::filesystem::create_directories(publish_test::fsPath(site));
    std::filesystem::create_directory_symlink(publish_test::fsPath(outside() + "/folder"),
                                              publish_test::fsPath(site + "/photos"));
    std::filesystem::create_symlink(publish_test::fsPath(outside() + "/file.txt"),
                                    publish_test::fsPath(site + "/.index.html.fotoloom-part"));
    PublishResult r = publish();
    EXPECT_FALSE(r.succeeded());
    EXPECT_NE(r.problem.find("'photos' in sftp://"), std::string::npos) << why(r);
    EXPECT_NE(r.problem.find("is a link"), std::string::npos) << why(r);
    EXPECT_EQ(filesUnder(outside()),
              (std::map<std::string, std::string>{{"folder/a1.jpg", "photo a1"}, {"file.txt", "the owner's"}}));

    // With the folder link gone, the publish goes through; the planted part is removed as a link.
    std::filesystem::remove(publish_test::fsPath(site + "/photos"));
    r = publish();
    ASSERT_TRUE(r.succeeded()) << why(r);
    EXPECT_EQ(readAll(outside() + "/file.txt"), "the owner's");
    EXPECT_FALSE(std::filesystem::is_symlink(publish_test::fsPath(site + "/.index.html.fotoloom-part")));

    // A folder of an earlier publish swapped for a link to same-sized files: nothing is removed there.
    std::filesystem::rename(publish_test::fsPath(site + "/thumbs"), publish_test::fsPath(outside() + "/thumbs"));
    std::filesystem::create_directory_symlink(publish_test::fsPath(outside() + "/thumbs"),
                                              publish_test::fsPath(site + "/thumbs"));
    for (const char* gone : {"photos/b1.jpg", "thumbs/b1.jpg", "album2.html"}) files.erase(gone);
    buildGallery(gallery, files);
    r = publish();
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.removed, 0u);
    EXPECT_EQ(readAll(outside() + "/thumbs/b1.jpg"), "thumb b1");
}

TEST_F(SftpSafetyTest, TwoPublishesAtOnceNeverBreakTheSiteAndAThirdLeavesItEqualToTheGallery)
{
    buildGallery(gallery, galleryVersion(1, 30));
    ASSERT_TRUE(publish().succeeded());
    const std::map<std::string, std::string> next = galleryVersion(2, 30);
    buildGallery(gallery, next);
    // Started together; whichever is second is refused while the first works, naming it.
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    auto run = [&] {
        start.wait();
        return publish();
    };
    std::future<PublishResult> a = std::async(std::launch::async, run), b = std::async(std::launch::async, run);
    go.set_value();
    const PublishResult first = a.get(), second = b.get();
    EXPECT_TRUE(first.succeeded() || second.succeeded()) << why(first) << " / " << why(second);
    for (const PublishResult* r : {&first, &second}) {
        if (!r->succeeded()) {
            EXPECT_NE(r->problem.find(", process " + std::to_string(getpid())), std::string::npos) << why(*r);
        }
    }

    const PublishResult third = publish();
    ASSERT_TRUE(third.succeeded()) << why(third);
    std::map<std::string, std::string> expected = next;
    expected.erase(kManifestName);
    EXPECT_EQ(onServer(site), expected);
    EXPECT_FALSE(std::filesystem::exists(publish_test::fsPath(site + "/.fotoloom-lock")))
        << "the lock goes with its publish";
}

TEST_F(SftpSafetyTest, FilesDeletedOrReplacedByHandAreSentAgainOrKept)
{
    std::map<std::string, std::string> files = twoAlbums();
    buildGallery(gallery, files);
    ASSERT_TRUE(publish().succeeded());
    // Deleted by hand: the record still lists it, and it is sent again.
    std::filesystem::remove(publish_test::fsPath(site + "/photos/a1.jpg"));
    PublishResult r = publish();
    ASSERT_TRUE(r.succeeded()) << why(r);
    EXPECT_EQ(r.uploaded, 1u);
    EXPECT_EQ(readAll(site + "/photos/a1.jpg"), "photo a1");

    // Replaced by hand with a file of the same size (and another time): it is the owner's now.
    writeAll(site + "/photos/b1.jpg", "PHOTO B1");
    std::filesystem::last_write_time(publish_test::fsPath(site + "/photos/b1.jpg"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    for (const char* gone : {"photos/b1.jpg", "thumbs/b1.jpg", "album2.html"}) files.erase(gone);
    buildGallery(gallery, files);
    r = publish();
    ASSERT_TRUE(r.succeeded()) << why(r);
    EXPECT_EQ(readAll(site + "/photos/b1.jpg"), "PHOTO B1");
    EXPECT_FALSE(std::filesystem::exists(publish_test::fsPath(site + "/thumbs/b1.jpg")));
}

pid_t endedProcess()
{
    pid_t pid = 0;
    char program[] = "true";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(posix_spawnp(&pid, program, nullptr, nullptr, argv, nullptr), 0);
    waitpid(pid, nullptr, 0);
    return pid;
}

TEST_F(SftpSafetyTest, WhatAKilledPublishLeftIsRemovedAndALockItLeftIsTakenOver)
{
    buildGallery(gallery, twoAlbums());
    const std::filesystem::path temporary = std::filesystem::temp_directory_path();
    const std::string dead = std::to_string(endedProcess()), alive = std::to_string(getpid());
    const std::vector<std::filesystem::path> stale = {temporary / ("fotoloom-askpass-" + dead + "-aBcDeF"),
                                                      temporary / ("fotoloom-sftp-" + dead + "-123")};
    const std::filesystem::path running = temporary / ("fotoloom-sftp-" + alive + "-456");
    for (const auto& folder : stale) std::filesystem::create_directories(folder / "inside");
    std::filesystem::create_directories(running);
    // The lock a killed publish left, with its holder.
    std::filesystem::create_directories(publish_test::fsPath(site + "/.fotoloom-lock"));
    writeAll(site + "/.fotoloom-lock/host=" + thisPublisher(0).host + " pid=" + dead +
                 " run=1 renewed=" + std::to_string(secondsNow()),
             "");
    const PublishResult r = publish();
    ASSERT_TRUE(r.succeeded()) << why(r);
    for (const auto& folder : stale) EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
    EXPECT_TRUE(std::filesystem::exists(running));
    std::filesystem::remove(running);

    // One held by a publish that runs (here: another host's, renewed just now) is not.
    std::filesystem::create_directories(publish_test::fsPath(site + "/.fotoloom-lock"));
    writeAll(site + "/.fotoloom-lock/host=elsewhere pid=1 run=1 renewed=" + std::to_string(secondsNow()), "");
    const PublishResult refused = publish();
    EXPECT_NE(refused.problem.find("another publish to sftp://"), std::string::npos) << why(refused);
    EXPECT_NE(refused.problem.find("from elsewhere, process 1"), std::string::npos) << why(refused);
}

TEST_F(SftpSafetyTest, ARecordThatGrowsWhileItIsFetchedIsCutOffNotDownloadedWhole)
{
    buildGallery(gallery, twoAlbums());
    ASSERT_TRUE(publish().succeeded());
    std::unique_ptr<SftpDestination> target = destination();
    std::string error;
    ASSERT_TRUE(target->lock(error)) << error;
    const size_t logins = person.prompts.size();
    // After the listing, the record becomes 2 GB (sparse here; a server could send it for real).
    std::filesystem::resize_file(publish_test::fsPath(site + "/" + kRemoteManifestName), uint64_t{2} << 30);
    std::string text;
    EXPECT_EQ(target->readManifest(text, 1 << 20, error), ManifestFetch::Unusable) << error;
    EXPECT_TRUE(text.empty());
    // The client was stopped part way (so the next command logs in again), not left to finish.
    EXPECT_TRUE(target->check(error)) << error;
    EXPECT_EQ(person.prompts.size(), logins + 1);
}

TEST_F(SftpSafetyTest, AFolderThatCannotBeMadeIsOneMessageAfterOneLogin)
{
    buildGallery(gallery, twoAlbums());
    writeAll(site, "a file where the folder's parent should be");
    const std::string saved = site;
    site += "/gallery";
    const PublishResult r = publish();
    site = saved;
    EXPECT_FALSE(r.succeeded());
    EXPECT_NE(r.problem.find("cannot make the folder"), std::string::npos) << why(r);
    EXPECT_TRUE(r.failures.empty());
    EXPECT_EQ(person.prompts.size(), 1u) << person.asked();
    EXPECT_EQ(readAll(saved), "a file where the folder's parent should be");
}

}  // namespace
