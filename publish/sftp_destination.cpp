#include "publish/sftp_destination.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>

#include "base/file_system.h"
#include "publish/folder_destination.h"
#include "publish/sftp_argument.h"
#include "publish/stale_temporaries.h"

namespace {

std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A local path as the client takes it: Windows' client reads '/' as well as '\', and '/' needs
// no escaping.
std::string clientLocalPath(std::string path)
{
    if (kPathSeparator == '\\')
        for (char& c : path)
            if (c == '\\') c = '/';
    return path;
}

std::string randomSuffix()
{
    std::random_device random;
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", random(), random());
    return text;
}

}  // namespace

SftpDestination::SftpDestination(std::string shown, SftpAddress address, SftpOptions options,
                                 IAskpassAnswerer& answerer)
    : shown_(std::move(shown)), address_(std::move(address)), options_(std::move(options)), answerer_(answerer)
{
}

SftpDestination::~SftpDestination()
{
    unlock();
    session_.reset();
    if (!temporaryFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(fsPath(temporaryFolder_), ignored);
    }
}

SftpSession* SftpDestination::session(std::string& error)
{
    if (session_ && !session_->ended()) return session_.get();
    if (!connectError_.empty()) {
        error = connectError_;
        return nullptr;
    }
    if (!channel_) {
        std::error_code failure;
        const std::filesystem::path temporary = std::filesystem::temp_directory_path(failure);
        if (!failure) {
            const auto utf8 = temporary.u8string();
            removeStaleTemporaries(std::string(utf8.begin(), utf8.end()));
        }
        channel_ = AskpassChannel::open(answerer_, error);
        if (!channel_) return nullptr;
        options_.askpassChannel = channel_->name();
    }
    session_ = SftpSession::connect(address_, options_, error);
    if (!session_) connectError_ = error;
    return session_.get();
}

std::string SftpDestination::remotePath(const std::string& name) const
{
    if (address_.path.empty() || name.empty()) return address_.path.empty() ? name : address_.path;
    return address_.path.ends_with('/') ? address_.path + name : address_.path + '/' + name;
}

bool SftpDestination::run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error)
{
    SftpSession* open = session(error);
    return open && open->run(lines, output, error);
}

bool SftpDestination::makeFolders(const std::string& name, std::string& error)
{
    if (!fatalError_.empty()) {
        error = fatalError_;
        return false;
    }
    if (!surveyed_ && (!session(error) || !makeRoot(error) || !survey(true, error))) {
        if (connectError_.empty()) fatalError_ = error;
        return false;
    }
    const size_t slash = name.find('/');
    if (slash == std::string::npos) return true;
    const std::string folder = name.substr(0, slash);
    if (const auto unusable = unusableFolders_.find(folder); unusable != unusableFolders_.end()) {
        error = unusable->second;
        return false;
    }
    const Listing& root = listings_[""];
    if (madeFolders_.contains(folder)) return true;
    if (const auto entry = root.find(folder); entry != root.end() && entry->second.kind == 'd') {
        madeFolders_.insert(folder);
        return true;
    }
    const std::optional<std::string> quoted = sftpArgument(remotePath(folder));
    if (!quoted) {
        error = "the folder '" + remotePath(folder) + "' cannot be named to the sftp client";
        return false;
    }
    std::vector<std::string> output;
    if (!run({"-mkdir " + *quoted}, output, error)) return false;
    Listing made;
    if (output.empty() || (list(folder, made, error) == Listed::Read && made.contains("."))) {
        madeFolders_.insert(folder);
        return true;
    }
    // Every file of the folder would fail alike, each after a login of its own: stop here, once.
    fatalError_ = "cannot make the folder " + remotePath(folder) + " on " + address_.host +
                  (output.empty() ? std::string() : ": " + output.back());
    error = fatalError_;
    return false;
}

ManifestFetch SftpDestination::readManifest(std::string& text, uint64_t limit, std::string& error)
{
    if (!survey(false, error)) return ManifestFetch::Failed;
    const Listing& root = listings_[""];
    const auto entry = root.find(kRemoteManifestName);
    if (entry == root.end()) return ManifestFetch::Missing;
    if (entry->second.kind != '-' || entry->second.size > limit) return ManifestFetch::Unusable;
    if (!makeTemporaryFolder(error)) return ManifestFetch::Failed;
    const std::string local = joinPath(temporaryFolder_, "published");
    bool tooLarge = false;
    const bool fetched = fetchBounded(remotePath(kRemoteManifestName), local, limit, tooLarge, error);
    // Read with the limit again: the file may have grown between the listing and the copy.
    const bool read = fetched && readFileBytes(local, text, limit);
    removeFile(local);
    if (tooLarge || (fetched && !read)) return ManifestFetch::Unusable;
    return fetched ? ManifestFetch::Read : ManifestFetch::Failed;
}

bool SftpDestination::fetchBounded(const std::string& remote, const std::string& local, uint64_t limit, bool& tooLarge,
                                   std::string& error)
{
    removeFile(local);
    const std::optional<std::string> remoteArgument = sftpArgument(remote);
    const std::optional<std::string> localArgument = sftpArgument(clientLocalPath(local));
    SftpSession* open = session(error);
    if (!remoteArgument || !localArgument || !open) return false;
    // A server may send more than its listing said: the copy is watched while it grows, and the
    // client stopped once it passes the limit, so a lying server cannot fill the local disk.
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::atomic<bool> over{false};
    std::thread watcher([&] {
        std::unique_lock<std::mutex> hold(mutex);
        while (!ended.wait_for(hold, std::chrono::milliseconds(5), [&] { return done; })) {
            std::error_code failure;
            const uintmax_t size = std::filesystem::file_size(fsPath(local), failure);
            if (!failure && size > limit) {
                over = true;
                open->abort();
                return;
            }
        }
    });
    std::vector<std::string> output;
    const bool fetched = open->run({"get " + *remoteArgument + ' ' + *localArgument}, output, error);
    {
        std::lock_guard<std::mutex> hold(mutex);
        done = true;
    }
    ended.notify_all();
    watcher.join();
    tooLarge = over;
    return fetched && !over;
}

bool SftpDestination::makeTemporaryFolder(std::string& error)
{
    if (!temporaryFolder_.empty()) return true;
    std::error_code failure;
    const std::filesystem::path base = std::filesystem::temp_directory_path(failure);
    std::random_device random;
    const std::filesystem::path folder =
        base / (temporaryFolderStem("fotoloom-sftp-") + std::to_string(random()) + std::to_string(random()));
    if (failure || !std::filesystem::create_directory(folder, failure)) {
        error = "cannot make a temporary folder for the publish record";
        return false;
    }
    const auto utf8 = folder.u8string();
    temporaryFolder_.assign(utf8.begin(), utf8.end());
    return true;
}

bool SftpDestination::putCommands(const std::string& localPath, const std::string& name,
                                  std::vector<std::string>& lines, std::string& error) const
{
    const std::string target = remotePath(name);
    const size_t slash = target.rfind('/');
    // A name nobody can have put a link at beforehand (the client's put follows one).
    const std::string part = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                             FolderDestination::partName(target.substr(slash + 1)) + "-" + randomSuffix();
    const std::optional<std::string> local = sftpArgument(clientLocalPath(localPath));
    const std::optional<std::string> partArgument = sftpArgument(part);
    const std::optional<std::string> targetArgument = sftpArgument(target);
    if (!local || !partArgument || !targetArgument) {
        error = "the name holds a line break or another control character, which the sftp client cannot take";
        return false;
    }
    lines = {"put " + *local + ' ' + *partArgument};
    if (removeBeforeRename_) lines.push_back("-rm " + *targetArgument);
    lines.push_back("rename " + *partArgument + ' ' + *targetArgument);
    return true;
}

bool SftpDestination::put(const std::string& localPath, const std::string& name, std::string& error)
{
    std::vector<std::string> lines;
    if (!putCommands(localPath, name, lines, error) || !makeFolders(name, error)) return false;
    std::vector<std::string> output;
    if (run(lines, output, error)) return true;
    if (removeBeforeRename_ || error.find("rename") == std::string::npos) return false;
    // A server without posix-rename refuses to rename over a file: remove it just before. The
    // part is complete on the server by now.
    removeBeforeRename_ = true;
    const std::string target = *sftpArgument(remotePath(name));
    std::string retryError;
    if (run({"-rm " + target, lines.back()}, output, retryError)) return true;
    removeBeforeRename_ = false;
    return false;
}

void SftpDestination::uploadSeveral(const std::vector<Upload>& files, std::vector<std::string>& errors)
{
    errors.assign(files.size(), std::string());
    if (!fatalError_.empty()) {
        errors.assign(files.size(), fatalError_);
        return;
    }
    for (size_t i = 0; i < files.size();) {
        // The batches from file i on; one that cannot be written fails alone.
        std::vector<std::vector<std::string>> batches;
        std::vector<size_t> which;
        for (size_t k = i; k < files.size(); ++k) {
            std::vector<std::string> lines;
            if (!putCommands(files[k].localPath, files[k].name, lines, errors[k]) ||
                !makeFolders(files[k].name, errors[k]))
                continue;
            batches.push_back(std::move(lines));
            which.push_back(k);
        }
        if (batches.empty()) return;
        std::string error;
        SftpSession* open = session(error);
        const size_t done = open ? open->runEach(batches, error) : 0;
        if (done == batches.size()) return;
        // The client ended on this one; the next round opens the session again for the rest.
        const size_t failed = which[done];
        errors[failed] = error;
        if (error.find("rename") != std::string::npos && !removeBeforeRename_) {
            errors[failed].clear();
            if (!put(files[failed].localPath, files[failed].name, errors[failed]) && errors[failed].empty())
                errors[failed] = error;
        }
        i = failed + 1;
    }
}

bool SftpDestination::writeManifest(std::string_view text, std::string& error)
{
    renewLock();
    if (!makeTemporaryFolder(error)) return false;
    const std::string local = joinPath(temporaryFolder_, "published");
    std::FILE* file = openFile(local, "wb");
    const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0) file = nullptr;
    if (!file || !written) {
        removeFile(local);
        error = "cannot write the publish record in " + temporaryFolder_;
        return false;
    }
    const bool sent = put(local, kRemoteManifestName, error);
    removeFile(local);
    return sent;
}

bool SftpDestination::upload(const std::string& localPath, std::FILE*, const std::string& name, std::string& error)
{
    return put(localPath, name, error);
}

bool SftpDestination::remove(const std::string& name, const RemoteFile& expected, std::string& error)
{
    if (!survey(false, error)) return false;
    const size_t slash = name.find('/');
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash);
    const Listing& listing = listings_[folder];
    const auto entry = listing.find(name.substr(slash + 1));
    // Gone, or no longer the file we put there (a link, another size or time): somebody else's.
    if (entry == listing.end() || entry->second.kind != '-' || entry->second.size != expected.size ||
        (!expected.stamp.empty() && !sftpStampMatches(expected.stamp, entry->second)))
        return true;
    std::vector<std::string> output;
    return run({"rm " + *sftpArgument(remotePath(name))}, output, error);
}
