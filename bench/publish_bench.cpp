// Speed of publishing over SFTP against the usual ways of uploading a gallery.
//
// Starts an OpenSSH server of its own on 127.0.0.1 (as the SFTP tests do), writes a gallery of
// the shape a build leaves (PICTURES photos of about 150 KB with their thumbnails and pages, 12
// pictures to an album page, the style sheet and theme images), then, in the same run:
//   (a) publishes it with the publish engine over SFTP (the system's sftp client);
//   (b) uploads the same folder with "sftp put -r" (one batch, one connection);
//   (c) uploads it with "rsync -a -e ssh";
// then changes one album's caption (its album pages change) and
//   (d) publishes again, against
//   (e) rsync of the same change.
// Goals: (a) within 1.2 x (b); (d) faster than (e), uploading only the changed pages.
// Each upload goes to a folder of its own. Nothing is kept: the folder is removed at the end.
//   publish_bench [PICTURES]     (default 1000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/folder_handle.h"
#include "generator/build_manifest.h"
#include "generator/content_hash.h"
#include "publish/client_process.h"
#include "publish/publish_engine.h"
#include "publish/sftp_destination.h"
#include "sftp/test_sshd.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kPerPage = 12;

class Gallery {
public:
    explicit Gallery(fs::path folder) : folder_(std::move(folder)) {}

    void write(const std::string& name, const std::string& bytes)
    {
        fs::create_directories((folder_ / name).parent_path());
        std::ofstream(folder_ / name, std::ios::binary | std::ios::trunc) << bytes;
        manifest_.files[name] = {bytes.size(), contentHash(bytes.data(), bytes.size())};
    }
    void commit()
    {
        std::ofstream(folder_ / kManifestName, std::ios::binary | std::ios::trunc) << manifestText(manifest_);
    }

    // The album pages of album `album` with its caption.
    void albumPages(int album, int pictures, const std::string& caption)
    {
        const int first = album * kPerPage * 2;
        for (int page = 0; page < 2; ++page) {
            std::string text =
                "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body><h1>" + caption + "</h1>";
            for (int k = first + page * kPerPage; k < std::min(pictures, first + (page + 1) * kPerPage); ++k)
                text += "<a href=\"image-" + std::to_string(k) + ".html\"><img src=\"thumbs/thumb-" +
                        std::to_string(k) + ".jpg\"></a>";
            write("index-" + std::to_string(album + 1) + "-" + std::to_string(page + 1) + ".html", text + "</body>");
        }
    }

private:
    fs::path folder_;
    BuildManifest manifest_;
};

class QuietObserver final : public IPublishObserver {
public:
    void progress(const PublishProgress&) override {}
    void warning(const std::string& text) override { std::fprintf(stderr, "warning: %s\n", text.c_str()); }
    bool cancelRequested() override { return false; }
};

class NoOne final : public IAskpassAnswerer {
public:
    std::optional<std::string> answer(const std::string&, bool) override { return std::nullopt; }
};

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double timed(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return seconds(start);
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

int main(int argc, char** argv)
{
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::random_device random;
    const fs::path root = fs::temp_directory_path() / ("fotoloom-publish-bench-" + std::to_string(random()));
    sftp_test::TestSshd server(root / "server", false);
    if (!server.problem.empty()) {
        std::fprintf(stderr, "publish_bench: %s\n", server.problem.c_str());
        return 1;
    }
    const std::optional<std::string> sftp = findClientProgram("sftp");
    if (!sftp) {
        std::fprintf(stderr, "publish_bench: %s\n", clientInstallAdvice("sftp").c_str());
        return 1;
    }

    // The gallery, with incompressible pictures (as JPEGs are).
    const fs::path folder = root / "gallery";
    Gallery gallery(folder);
    std::mt19937 noise(7);
    auto bytes = [&noise](size_t n) {
        std::string b(n, '\0');
        for (char& c : b) c = static_cast<char>(noise());
        return b;
    };
    uint64_t total = 0;
    for (int k = 0; k < pictures; ++k) {
        const std::string photo = bytes(140 * 1024 + noise() % (20 * 1024));
        gallery.write("photos/photo-" + std::to_string(k) + ".jpg", photo);
        gallery.write("thumbs/thumb-" + std::to_string(k) + ".jpg", bytes(6 * 1024));
        gallery.write("image-" + std::to_string(k) + ".html",
                      "<html><body><img src=\"photos/photo-" + std::to_string(k) + ".jpg\"></body></html>");
        total += photo.size();
    }
    const int albums = (pictures + 2 * kPerPage - 1) / (2 * kPerPage);
    for (int album = 0; album < albums; ++album) gallery.albumPages(album, pictures, "Album " + std::to_string(album));
    gallery.write("index.html", "<html><body>the albums</body></html>");
    gallery.write("style.css", std::string(8000, ' '));
    for (const char* image : {"next.gif", "prev.gif", "up.gif"})
        gallery.write(std::string("images/") + image, bytes(900));
    gallery.commit();

    const std::string ssh = "ssh -F " + quoted(server.sshConfig()) + " -p " + std::to_string(server.port);
    const std::string host = "root@127.0.0.1";
    SftpOptions options;
    options.clientProgram = *sftp;
    options.askpassProgram = runningProgramPath();
    options.sshConfig = server.sshConfig();
    NoOne noOne;
    std::optional<FolderHandle> local = FolderHandle::open(folder.string());
    auto publish = [&](const fs::path& target, size_t& uploaded) {
        std::string error;
        const std::string address = "sftp://" + host + ":" + std::to_string(server.port) + target.string();
        SftpDestination destination(address, *parseSftpAddress(address, error), options, noOne);
        QuietObserver observer;
        const auto start = Clock::now();
        const PublishResult r = publishGallery(*local, destination, observer, false);
        const double took = seconds(start);
        if (!r.succeeded()) {
            std::fprintf(stderr, "publish_bench: the publish failed: %s\n",
                         r.problem.empty() ? r.failures.front().reason.c_str() : r.problem.c_str());
            std::exit(1);
        }
        uploaded = r.uploaded;
        return took;
    };

    std::printf("%d photos, %d files, %.0f MB, to sshd on 127.0.0.1:%d\n", pictures, pictures * 3 + albums * 2 + 5,
                static_cast<double>(total) / 1e6, server.port);
    size_t uploaded = 0;
    const double first = publish(root / "published", uploaded);
    const fs::path batch = root / "put.batch";
    std::ofstream(batch) << "mkdir " << (root / "put").string() << "\nput -r " << folder.string() << "/* "
                         << (root / "put").string() << "\n";
    const double putR = timed(*sftp + " -q -F " + quoted(server.sshConfig()) + " -P " + std::to_string(server.port) +
                              " -b " + quoted(batch.string()) + " " + host + " > /dev/null");
    fs::create_directories(root / "rsync");
    const std::string rsync = "rsync -a -e " + quoted(ssh) + " " + quoted(folder.string() + "/") + " " + host + ":" +
                              quoted((root / "rsync").string() + "/");
    const double rsyncFirst = timed(rsync);
    std::printf("first upload:   publish %.2f s (%zu files), sftp put -r %.2f s, rsync -e ssh %.2f s\n", first,
                uploaded, putR, rsyncFirst);
    std::printf("                publish / sftp put -r = %.2f (goal <= 1.2), publish / rsync = %.2f\n", first / putR,
                first / rsyncFirst);

    gallery.albumPages(albums / 2, pictures, "A new caption");
    gallery.commit();
    const double again = publish(root / "published", uploaded);
    const double rsyncAgain = timed(rsync);
    std::printf("one caption:    publish %.2f s (%zu files uploaded), rsync -e ssh %.2f s\n", again, uploaded,
                rsyncAgain);
    std::printf("                publish / rsync = %.2f (goal < 1)\n", again / rsyncAgain);

    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
