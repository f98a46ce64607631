// Publishing to a real OpenSSH server of the test's own (test_sshd.h) through the system's sftp
// client: the first publish, one page changed, an album removed beside a file the owner put
// there, a folder named with spaces, quotes and accents, a host key the person does not
// confirm, a wrong passphrase, a connection lost part way, and a hostile publish record.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "page_watcher.h"
#include "publish/folder_destination.h"
#include "publish/sftp_argument.h"
#include "sftp_fixture.h"

namespace {

using sftp_test::galleryVersion;

using namespace publish_test;
using sftp_test::SftpPublishTest;
using sftp_test::TestSshd;

TEST_F(SftpPublishTest, PublishesThenSendsOnlyWhatChangedAndRemovesOnlyItsOwnFiles)
{
    std::map<std::string, std::string> files = twoAlbums();
    buildGallery(gallery, files);
    PublishResult first = publish();
    ASSERT_TRUE(first.succeeded()) << first.problem << (first.failures.empty() ? "" : first.failures[0].reason);
    EXPECT_EQ(first.uploaded, files.size());
    std::map<std::string, std::string> expected = files;
    expected.erase(kManifestName);
    EXPECT_EQ(onServer(site), expected);
    EXPECT_NE(person.asked().find("passphrase"), std::string::npos) << "the key's passphrase came through askpass";

    // One caption changed: only its page goes up again.
    files["album1.html"] = "<p>another caption</p>";
    buildGallery(gallery, files);
    PublishResult second = publish();
    ASSERT_TRUE(second.succeeded());
    ASSERT_EQ(second.plan.uploads.size(), 1u);
    EXPECT_EQ(second.plan.uploads[0].name, "album1.html");
    EXPECT_EQ(readAll(site + "/album1.html"), "<p>another caption</p>");

    // An album removed: its files go, a file the owner put there by hand stays.
    writeAll(site + "/photos/mine.jpg", "the owner's");
    writeAll(site + "/notes.txt", "the owner's notes");
    for (const char* gone : {"photos/b1.jpg", "thumbs/b1.jpg", "album2.html"}) files.erase(gone);
    buildGallery(gallery, files);
    PublishResult third = publish();
    ASSERT_TRUE(third.succeeded());
    EXPECT_EQ(third.removed, 3u);
    std::map<std::string, std::string> left = onServer(site);
    EXPECT_FALSE(left.contains("photos/b1.jpg"));
    EXPECT_FALSE(left.contains("album2.html"));
    EXPECT_EQ(left["photos/mine.jpg"], "the owner's");
    EXPECT_EQ(left["notes.txt"], "the owner's notes");

    // Nothing changed: nothing is sent.
    EXPECT_EQ(publish().plan.uploads.size(), 0u);
}

TEST_F(SftpPublishTest, UnknownHostKeyIsShownAndNotAcceptedWithoutConfirmation)
{
    buildGallery(gallery, twoAlbums());
    server_->trustHostKey(false);
    PublishResult r = publish();
    EXPECT_FALSE(r.succeeded());
    EXPECT_NE(r.problem.find("Host key verification failed"), std::string::npos) << r.problem;
    // The person saw the key's fingerprint, and declined.
    EXPECT_NE(person.asked().find("SHA256:"), std::string::npos) << person.asked();
    EXPECT_FALSE(std::filesystem::exists(site));
    EXPECT_EQ(sftp_test::readText(server_->sshConfig().substr(0, server_->sshConfig().rfind('/')) + "/known_hosts"),
              "");
}

TEST_F(SftpPublishTest, WrongPassphraseIsAClearErrorAndChangesNothing)
{
    buildGallery(gallery, twoAlbums());
    person.passphrase = "wrong";
    PublishResult r = publish();
    EXPECT_FALSE(r.succeeded());
    EXPECT_NE(r.problem.find("Permission denied"), std::string::npos) << r.problem;
    EXPECT_EQ(r.uploaded, 0u);
    EXPECT_FALSE(std::filesystem::exists(site));
}

TEST_F(SftpPublishTest, ConnectionLostPartWayIsFinishedByTheNextPublishWithoutLeftovers)
{
    std::map<std::string, std::string> files = twoAlbums();
    buildGallery(gallery, files);
    // What an upload cut off in the middle leaves on the server.
    writeAll(site + "/.index.html.fotoloom-part", "ind");

    class DroppingObserver : public RecordingObserver {
    public:
        explicit DroppingObserver(TestSshd& server) : server_(server) {}
        void progress(const PublishProgress& p) override
        {
            RecordingObserver::progress(p);
            // After the pictures (4 files, then a checkpoint of the record) and the theme's image.
            if (p.filesDone >= 5 && !dropped) {
                // The connection goes, and no new one is let in (its host key is no longer known).
                dropped = true;
                server_.trustHostKey(false);
                server_.dropConnections();
            }
        }
        bool dropped = false;

    private:
        TestSshd& server_;
    } observer(*server_);
    PublishResult cut = publish(observer);
    EXPECT_TRUE(observer.dropped);
    EXPECT_FALSE(cut.succeeded());
    // The files under way, and the rest as one line: the server lets no one in any more.
    ASSERT_GE(cut.failures.size(), 2u);
    EXPECT_LE(cut.failures.size(), 4u);  // with the record, which could not be written either
    const auto rest = std::find_if(cut.failures.begin(), cut.failures.end(), [](const PublishFailure& f) {
        return f.name.ends_with(" more files)") || f.name.ends_with(" more file)");
    });
    ASSERT_NE(rest, cut.failures.end());
    EXPECT_NE(rest->reason.find("Host key verification failed"), std::string::npos) << rest->reason;

    server_->trustHostKey(true);
    PublishResult again = publish();
    ASSERT_TRUE(again.succeeded()) << (again.failures.empty() ? again.problem : again.failures[0].reason);
    EXPECT_LT(again.uploaded, files.size()) << "what went up before the cut is not sent again";
    std::map<std::string, std::string> expected = files;
    expected.erase(kManifestName);
    EXPECT_EQ(onServer(site), expected) << "every file there, no temporary file left";
}

TEST_F(SftpPublishTest, HostileRecordIsNeitherTrustedNorReadWhole)
{
    std::map<std::string, std::string> files = twoAlbums();
    buildGallery(gallery, files);
    // A record naming files outside the gallery, and the owner's file they point at.
    writeAll((*root_ / "outside.txt").string(), "keep me");
    writeAll(site + "/" + kRemoteManifestName,
             "fotoloom-published 1\nF\t7\t0\t../../outside.txt\nF\t7\t0\t..\nF\t1\t0\tphotos/../../x\n");
    PublishResult first = publish();
    ASSERT_TRUE(first.succeeded());
    EXPECT_EQ(readAll((*root_ / "outside.txt").string()), "keep me");

    // A record far larger than any publish writes is not fetched at all.
    {
        std::filesystem::resize_file(publish_test::fsPath(site + "/" + kRemoteManifestName),
                                     kMaxRemoteManifestBytes + 1);
    }
    RecordingObserver observer;
    PublishResult second = publish(observer);
    ASSERT_TRUE(second.succeeded());
    EXPECT_EQ(second.removed, 0u);
    ASSERT_FALSE(observer.warnings.empty());
    EXPECT_NE(observer.warnings[0].find("not one Fotoloom wrote"), std::string::npos);
    EXPECT_LT(std::filesystem::file_size(publish_test::fsPath(site + "/" + kRemoteManifestName)), 4096u);
}

TEST_F(SftpPublishTest, AVisitorNeverSeesABrokenPageWhileAPublishReplacesEveryPicture)
{
    for (const bool overSftp : {false, true}) {
        SCOPED_TRACE(overSftp ? "SFTP" : "folder");
        const std::string target = site + (overSftp ? " sftp" : " folder");
        buildGallery(gallery, galleryVersion(1, 40));
        std::optional<FolderHandle> folder = FolderHandle::open(gallery);
        ASSERT_TRUE(folder);
        RecordingObserver observer;
        auto publishTo = [&] {
            std::unique_ptr<IPublishDestination> to;
            if (overSftp) {
                const std::string saved = site;
                site = target;
                to = destination();
                site = saved;
            } else {
                to = std::make_unique<FolderDestination>(target);
            }
            return publishGallery(*folder, *to, observer, false);
        };
        ASSERT_TRUE(publishTo().succeeded());
        ASSERT_TRUE(sftp_test::brokenLinks(target).empty());
        if (!overSftp) {
            // The visitor does notice a page whose photo is not there.
            writeAll(target + "/broken.html", "<img src=\"photos/none.jpg\">");
            EXPECT_EQ(sftp_test::brokenLinks(target), std::vector<std::string>{"broken.html -> photos/none.jpg"});
            removeFile(target + "/broken.html");
        }

        buildGallery(gallery, galleryVersion(2, 40));
        sftp_test::PageWatcher visitor(target);  // before any thread of ours starts
        const PublishResult r = publishTo();
        size_t looks = 0;
        const std::vector<std::string> broken = visitor.finish(looks);
        ASSERT_TRUE(r.succeeded());
        EXPECT_EQ(r.removed, 80u);
        EXPECT_GT(looks, 1u);
        EXPECT_TRUE(broken.empty()) << broken.size() << " broken, first: " << broken.front();
    }
}

TEST(SftpArgument, QuotesEveryNameTheClientCouldMisreadAndRefusesLineBreaks)
{
    EXPECT_EQ(sftpArgument("a b"), "\"a b\"");
    EXPECT_EQ(sftpArgument("say \"hi\"\\now"), "\"say \\\"hi\\\"\\\\now\"");
    EXPECT_EQ(sftpArgument("-rf"), "\"./-rf\"");
    EXPECT_EQ(sftpArgument("#*?[x]'"), "\"#*?[x]'\"");
    EXPECT_FALSE(sftpArgument("two\nlines"));
    EXPECT_FALSE(sftpArgument("tab\there"));
    EXPECT_FALSE(sftpArgument(""));
}

TEST(SftpAddress, ReadsUserHostPortAndPathAndRefusesWhatTheClientWouldMisread)
{
    std::string error;
    std::optional<SftpAddress> a = parseSftpAddress("sftp://me@example.org:2222/srv/www/", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->user, "me");
    EXPECT_EQ(a->host, "example.org");
    EXPECT_EQ(a->port, 2222);
    EXPECT_EQ(a->path, "/srv/www");
    std::optional<SftpAddress> home = parseSftpAddress("sftp://[::1]/~/public html", error);
    ASSERT_TRUE(home) << error;
    EXPECT_EQ(home->host, "::1");
    EXPECT_EQ(home->port, 0);
    EXPECT_EQ(home->path, "public html");
    for (const char* bad : {"sftp://-oProxyCommand=x/", "sftp://-me@host/", "sftp://host:0/", "sftp://host:99999/",
                            "sftp://host:22x/", "sftp:///path", "sftp://host/a\nb", "sftp://[::1/x", "ftp://host/"}) {
        EXPECT_FALSE(parseSftpAddress(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ClientOutput, LinesEndWithEitherLineEndAndTheLastNeedsNoneOnceTheOutputIsOver)
{
    std::string pending = "sftp> put a\r\nCouldn't rename\nhalf", line;
    ASSERT_TRUE(takeOutputLine(pending, line, false));
    EXPECT_EQ(line, "sftp> put a");
    ASSERT_TRUE(takeOutputLine(pending, line, false));
    EXPECT_EQ(line, "Couldn't rename");
    EXPECT_FALSE(takeOutputLine(pending, line, false));  // "half" may go on
    ASSERT_TRUE(takeOutputLine(pending, line, true));
    EXPECT_EQ(line, "half");
    EXPECT_FALSE(takeOutputLine(pending, line, true));
}

}  // namespace
