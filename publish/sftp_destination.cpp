#include "publish/sftp_destination.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "base/file_system.h"
#include "publish/folder_destination.h"
#include "publish/sftp_argument.h"

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

// "-rw-r--r--    1 1000  1000   1234 Dec  9 03:51 name": the kind (first letter) and the size.
bool parseListing(const std::string& line, char& kind, uint64_t& size)
{
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < 5) {
        at = line.find_first_not_of(' ', at);
        if (at == std::string::npos) return false;
        const size_t end = line.find(' ', at);
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    if (fields[0].size() != 10 || fields[4].empty() || fields[4].size() > 19) return false;
    size = 0;
    for (char c : fields[4]) {
        if (c < '0' || c > '9') return false;
        size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    kind = fields[0][0];
    return true;
}

}  // namespace

SftpDestination::SftpDestination(std::string shown, SftpAddress address, SftpOptions options,
                                 IAskpassAnswerer& answerer)
    : shown_(std::move(shown)), address_(std::move(address)), options_(std::move(options)), answerer_(answerer)
{
}

SftpDestination::~SftpDestination()
{
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
        channel_ = AskpassChannel::open(answerer_, error);
        if (!channel_) return nullptr;
        options_.askpassChannel = channel_->name();
    }
    madeFolders_.clear();
    session_ = SftpSession::connect(address_, options_, error);
    if (!session_) connectError_ = error;
    return session_.get();
}

std::string SftpDestination::remotePath(const std::string& name) const
{
    if (address_.path.empty()) return name;
    return address_.path.ends_with('/') ? address_.path + name : address_.path + '/' + name;
}

bool SftpDestination::run(const std::vector<std::string>& lines, std::vector<std::string>& output, std::string& error)
{
    SftpSession* open = session(error);
    return open && open->run(lines, output, error);
}

bool SftpDestination::makeFolders(const std::string& name, std::string& error)
{
    const std::string path = remotePath(name);
    std::vector<std::string> lines;
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (madeFolders_.contains(folder)) continue;
        const std::optional<std::string> quoted = sftpArgument(folder);
        if (!quoted) {
            error = "the folder '" + folder + "' cannot be named to the sftp client";
            return false;
        }
        lines.push_back("-mkdir " + *quoted);  // one that is there already is fine
        madeFolders_.insert(folder);
    }
    std::vector<std::string> output;
    return lines.empty() || run(lines, output, error);
}

ManifestFetch SftpDestination::remoteSize(const std::string& path, uint64_t& size, std::string& error)
{
    const std::optional<std::string> quoted = sftpArgument(path);
    if (!quoted) {
        error = "the path '" + path + "' cannot be named to the sftp client";
        return ManifestFetch::Failed;
    }
    std::vector<std::string> output;
    if (!run({"-ls -ln " + *quoted}, output, error)) return ManifestFetch::Failed;
    const std::string fileName = path.substr(path.rfind('/') + 1);
    for (const std::string& line : output) {
        char kind = 0;
        if (!parseListing(line, kind, size)) continue;
        // A folder of that name lists what it holds, none of which is named like it.
        if (kind != '-' || (!line.ends_with(" " + fileName) && !line.ends_with("/" + fileName)))
            return ManifestFetch::Unusable;
        return ManifestFetch::Read;
    }
    for (const std::string& line : output)
        if (line.find("not found") != std::string::npos || line.find("No such file") != std::string::npos)
            return ManifestFetch::Missing;
    if (output.empty()) return ManifestFetch::Unusable;  // an empty folder of that name
    error = output.front();
    return ManifestFetch::Failed;
}

ManifestFetch SftpDestination::readManifest(std::string& text, uint64_t limit, std::string& error)
{
    const std::string path = remotePath(kRemoteManifestName);
    uint64_t size = 0;
    const ManifestFetch found = remoteSize(path, size, error);
    if (found != ManifestFetch::Read) return found;
    if (size > limit) return ManifestFetch::Unusable;
    if (!makeTemporaryFolder(error)) return ManifestFetch::Failed;
    const std::string local = joinPath(temporaryFolder_, "published");
    removeFile(local);
    const std::optional<std::string> remoteArgument = sftpArgument(path);
    const std::optional<std::string> localArgument = sftpArgument(clientLocalPath(local));
    std::vector<std::string> output;
    if (!remoteArgument || !localArgument || !run({"get " + *remoteArgument + ' ' + *localArgument}, output, error))
        return ManifestFetch::Failed;
    // Read with the limit again: the file may have grown between the listing and the copy.
    const bool read = readFileBytes(local, text, limit);
    removeFile(local);
    return read ? ManifestFetch::Read : ManifestFetch::Unusable;
}

bool SftpDestination::makeTemporaryFolder(std::string& error)
{
    if (!temporaryFolder_.empty()) return true;
    std::error_code failure;
    const std::filesystem::path base = std::filesystem::temp_directory_path(failure);
    std::random_device random;
    const std::filesystem::path folder =
        base / ("fotoloom-sftp-" + std::to_string(random()) + std::to_string(random()));
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
    const std::string part = slash == std::string::npos
                                 ? FolderDestination::partName(target)
                                 : target.substr(0, slash + 1) + FolderDestination::partName(target.substr(slash + 1));
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
    const std::string path = remotePath(name);
    uint64_t size = 0;
    switch (remoteSize(path, size, error)) {
    case ManifestFetch::Missing:
    case ManifestFetch::Unusable: return true;  // gone, or no file of ours
    case ManifestFetch::Failed: return false;
    case ManifestFetch::Read: break;
    }
    if (size != expected.size) return true;
    std::vector<std::string> output;
    return run({"rm " + *sftpArgument(path)}, output, error);
}

bool SftpDestination::check(std::string& error)
{
    uint64_t size = 0;
    return remoteSize(remotePath(kRemoteManifestName), size, error) != ManifestFetch::Failed;
}
