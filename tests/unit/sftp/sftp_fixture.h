#pragma once
// What the SFTP tests share: the test's own OpenSSH server (test_sshd.h), started once for the
// suite, a person answering askpass, and a gallery and a destination folder for each test, named
// with spaces, quotes, a pattern character and accents.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "publish/client_process.h"
#include "publish/publish_lock.h"
#include "publish/publish_test_util.h"
#include "publish/sftp_destination.h"
#include "test_sshd.h"

namespace sftp_test {

using namespace publish_test;

// The person at the other end of askpass: gives the passphrase (or a wrong one), and declines
// every question about a host key.
class ScriptedPerson : public IAskpassAnswerer {
public:
    std::optional<std::string> answer(const std::string& prompt, bool showTyping) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        prompts.push_back(prompt);
        if (showTyping) return std::nullopt;
        return passphrase;
    }
    std::string asked() const
    {
        std::string all;
        for (const std::string& p : prompts) all += p + "\n";
        return all;
    }

    std::string passphrase = sftp_test::kPassphrase;
    std::vector<std::string> prompts;

private:
    std::mutex mutex_;
};

class SftpPublishTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::random_device random;
        root_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                          ("fotoloom-sftp-test-" + std::to_string(random())));
        server_ = new TestSshd(*root_ / "server");
    }
    static void TearDownTestSuite()
    {
        delete server_;
        std::error_code ignored;
        std::filesystem::remove_all(*root_, ignored);
        delete root_;
    }

    void SetUp() override
    {
        // Only a machine without the server skips them; a server that is there and fails is a failure.
        if (server_->notInstalled) GTEST_SKIP() << "no SFTP tests: " << server_->problem;
        ASSERT_EQ(server_->problem, "") << "the test's SFTP server";
        client = findClientProgram("sftp").value_or("");
        if (client.empty()) GTEST_SKIP() << "no SFTP tests: the OpenSSH client (openssh-client) is not installed";
        server_->trustHostKey(true);
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        gallery = (*root_ / ("gallery-" + name)).string();
        // Spaces, an apostrophe, a double quote, a pattern character and accents on the way.
        site = (*root_ / ("web site \"" + name + "\" d'\xC3\xA9t\xC3\xA9 [1]*")).string();
    }

    std::unique_ptr<SftpDestination> destination()
    {
        SftpOptions options;
        options.clientProgram = client;
        options.askpassProgram = runningProgramPath();
        options.sshConfig = server_->sshConfig();
        std::string address = "sftp://root@127.0.0.1:" + std::to_string(server_->port) + site, error;
        std::optional<SftpAddress> parsed = parseSftpAddress(address, error);
        EXPECT_TRUE(parsed) << error;
        return std::make_unique<SftpDestination>(address, *parsed, options, person);
    }

    PublishResult publish(RecordingObserver& observer)
    {
        std::optional<FolderHandle> folder = FolderHandle::open(gallery);
        EXPECT_TRUE(folder);
        std::unique_ptr<SftpDestination> target = destination();
        return publishGallery(*folder, *target, observer, false);
    }

    PublishResult publish()
    {
        RecordingObserver observer;
        return publish(observer);
    }

    static std::map<std::string, std::string> twoAlbums()
    {
        return {{"photos/a1.jpg", "photo a1"},     {"thumbs/a1.jpg", "thumb a1"}, {"photos/b1.jpg", "photo b1"},
                {"thumbs/b1.jpg", "thumb b1"},     {"images/next.gif", "GIF89a"}, {"style.css", "body{}"},
                {"album1.html", "<p>caption</p>"}, {"album2.html", "album 2"},    {"index.html", "index"}};
    }

    static std::map<std::string, std::string> onServer(const std::string& folder)
    {
        std::map<std::string, std::string> files = filesUnder(folder);
        files.erase(kRemoteManifestName);
        return files;
    }

    static inline std::filesystem::path* root_ = nullptr;
    static inline TestSshd* server_ = nullptr;
    std::string client, gallery, site;
    ScriptedPerson person;
};

// A gallery of `pictures` album pages, each showing one photo, its thumbnail on the entry page;
// every version names its pictures anew, so a publish replaces and removes them all.
inline std::map<std::string, std::string> galleryVersion(int version, int pictures)
{
    std::map<std::string, std::string> files{{"style.css", "body{}"}, {"images/next.gif", "GIF89a"}};
    std::string index = "<link href=\"style.css\">";
    for (int k = 0; k < pictures; ++k) {
        const std::string stem = "v" + std::to_string(version) + "-" + std::to_string(k) + ".jpg";
        files["photos/" + stem] = std::string(16 * 1024, static_cast<char>('a' + k % 26)) + stem;
        files["thumbs/" + stem] = "thumb " + stem;
        const std::string page = "album-" + std::to_string(k) + ".html";
        files[page] = "<link href=\"style.css\"><img src=\"photos/" + stem +
                      "\"><img src=\"images/next.gif\"><a href=\"index.html\">up</a> " + std::to_string(version);
        index += "<a href=\"" + page + "\"><img src=\"thumbs/" + stem + "\"></a>";
    }
    files["index.html"] = index;
    return files;
}

}  // namespace sftp_test
