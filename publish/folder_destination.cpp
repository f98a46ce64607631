#include "publish/folder_destination.h"

#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/file_system.h"
#include "generator/content_hash.h"
#include "publish/publish_lock.h"

namespace {

// Leaves room for the prefix and suffix in a 255-byte file-name limit.
constexpr size_t kLongestPartStem = 200;
constexpr char kHolderName[] = ".fotoloom-publishing";

bool copyAll(std::FILE* from, std::FILE* to)
{
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0)
        if (std::fwrite(buffer, 1, n, to) != n) return false;
    return !std::ferror(from);
}

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path plainFolder(const std::string& path)
{
    std::filesystem::path full = std::filesystem::path(std::u8string(path.begin(), path.end()));
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(full, error);
    if (!error) full = std::move(absolute);
    // "x/y/" is "x/y/" lexically; its parent is the folder itself.
    full = full.lexically_normal();
    if (!full.has_filename() && full.has_relative_path()) full = full.parent_path();
    return full;
}

}  // namespace

bool isSameFolder(const std::string& a, const std::string& b)
{
    const std::filesystem::path first = plainFolder(a), second = plainFolder(b);
    if (pathsSpelledAlike(pathText(first), pathText(second))) return true;
    // A link (or a second mount) to the same folder: the same file on the same device.
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

std::string windowsFolderProblem(const std::string& path)
{
    size_t from = 0;
    // "\\?\" and "\\.\" prefixes, then a drive "C:" whose colon is the one allowed.
    if (path.size() >= 4 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/') &&
        (path[2] == '?' || path[2] == '.') && (path[3] == '\\' || path[3] == '/'))
        from = 4;
    if (path.size() >= from + 2 && path[from + 1] == ':' && std::isalpha(static_cast<unsigned char>(path[from])))
        from += 2;
    for (size_t i = from; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 32 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) {
            const std::string shown = c < 32 ? "a control character" : std::string("'") + static_cast<char>(c) + "'";
            return "the folder \"" + path + "\" has " + shown +
                   " in a name, which Windows does not allow in a folder or file name";
        }
    }
    return {};
}

std::string folderPathProblem([[maybe_unused]] const std::string& path)
{
#ifdef _WIN32
    return windowsFolderProblem(path);
#else
    return {};
#endif
}

FolderDestination::FolderDestination(std::string path) : path_(std::move(path)) {}

std::string FolderDestination::partName(const std::string& fileName)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + std::string.
    std::string name(".");
    name.append(fileName, 0, kLongestPartStem);
    name.append(".fotoloom-part");
    return name;
}

const FolderHandle* FolderDestination::folderOf(const std::string& name, bool create, std::string& fileName,
                                                std::string& error)
{
    if (!root_) {
        if (create && !folderExists(path_)) {
            std::error_code failure;
            std::filesystem::create_directories(std::filesystem::path(std::u8string(path_.begin(), path_.end())),
                                                failure);
            if (failure) {
                error = "cannot make the folder " + path_ + ": " + failure.message();
                unusable_ = true;
                return nullptr;
            }
        }
        root_ = FolderHandle::open(path_);
        if (!root_) {
            if (create || folderExists(path_)) error = "cannot open the folder " + path_;
            unusable_ = create;
            return nullptr;
        }
    }
    const size_t slash = name.find('/');
    if (slash == std::string::npos) {
        fileName = name;
        return &*root_;
    }
    fileName = name.substr(slash + 1);
    const std::string folder = name.substr(0, slash);
    if (const auto open = folders_.find(folder); open != folders_.end()) return &open->second;
    FileKind found;
    std::optional<FolderHandle> child = root_->openChild(folder, create, found);
    if (!child) {
        if (found != FileKind::Missing) {
            error = "cannot write into '" + root_->pathOf(folder) + "': it is not a folder";
        } else if (create) {
            error = "cannot make the folder " + root_->pathOf(folder);
        }
        return nullptr;
    }
    return &folders_.emplace(folder, std::move(*child)).first->second;
}

ManifestFetch FolderDestination::readManifest(std::string& text, uint64_t limit, std::string& error)
{
    std::string fileName;
    const FolderHandle* folder = folderOf(kRemoteManifestName, false, fileName, error);
    if (!folder) return error.empty() ? ManifestFetch::Missing : ManifestFetch::Failed;
    const FileFacts facts = folder->inspect(fileName);
    if (facts.kind == FileKind::Missing) return ManifestFetch::Missing;
    if (facts.kind != FileKind::Regular || facts.size > limit) return ManifestFetch::Unusable;
    if (!folder->readBytes(fileName, text, limit)) {
        error = "cannot read " + folder->pathOf(fileName);
        return ManifestFetch::Failed;
    }
    return ManifestFetch::Read;
}

bool FolderDestination::writeManifest(std::string_view text, std::string& error)
{
    std::string fileName;
    const FolderHandle* folder = folderOf(kRemoteManifestName, true, fileName, error);
    if (!folder) return false;
    if (folder->writeFile(fileName, text)) return true;
    error = "cannot write " + folder->pathOf(fileName);
    return false;
}

bool FolderDestination::upload(const std::string& localPath, std::FILE* source, const std::string& name,
                               std::string& error)
{
    std::string fileName;
    const FolderHandle* folder = folderOf(name, true, fileName, error);
    if (!folder) return false;
    const std::string part = partName(fileName);
    folder->remove(part);  // what an interrupted upload of this file left
    bool exists = false;
    std::FILE* out = folder->createNew(part, exists);
    if (!out) {
        error = "cannot write into " + folder->path();
        return false;
    }
    if (!copyAll(source, out)) {
        std::fclose(out);
        folder->remove(part);
        error = "cannot copy " + localPath;
        return false;
    }
    if (!folder->commit(out, part, fileName)) {
        error = "cannot write " + folder->pathOf(fileName);
        return false;
    }
    return true;
}

bool FolderDestination::remove(const std::string& name, const RemoteFile& expected, std::string& error)
{
    std::string fileName;
    const FolderHandle* folder = folderOf(name, false, fileName, error);
    if (!folder) return error.empty();  // its folder is gone, and the file with it
    const FileFacts facts = folder->inspect(fileName);
    if (facts.kind != FileKind::Regular || facts.size != expected.size) return true;  // gone, or not ours now
    std::FILE* file = folder->openRead(fileName);
    if (!file) return true;
    ContentHasher hasher;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) hasher.add(buffer, n);
    const bool readWhole = !std::ferror(file);
    std::fclose(file);
    if (!readWhole || hasher.finish() != expected.hash) return true;
    if (folder->remove(fileName)) return true;
    error = "cannot remove " + folder->pathOf(fileName);
    return false;
}

bool FolderDestination::lock(std::string& error)
{
    std::string ignored;
    if (!folderOf(kHolderName, true, ignored, error)) return false;
    lock_ = FolderHandle::open(path_);
    if (lock_ && lock_->tryLock()) {
        root_->writeFile(kHolderName, lockHolderText(thisPublisher(secondsNow())));  // for the message only
        return true;
    }
    std::string text;
    const std::optional<LockHolder> holder =
        root_->readBytes(kHolderName, text, 256) ? parseLockHolder(text) : std::nullopt;
    lock_.reset();
    // The held lock goes with its process, so it is never left behind.
    error = holder ? lockHeldMessage(path_, *holder, "")
                   : "another publish to " + path_ + " is under way; publish again once it has ended";
    return false;
}

void FolderDestination::unlock()
{
    if (!lock_) return;
    root_->remove(kHolderName);
    lock_.reset();
}

bool FolderDestination::confirmListed(RemoteManifest& listed, bool, std::string& error)
{
    std::string ignored;
    for (auto entry = listed.files.begin(); entry != listed.files.end();) {
        std::string fileName;
        const FolderHandle* folder = folderOf(entry->first, false, fileName, ignored);
        const FileFacts facts = folder ? folder->inspect(fileName) : FileFacts{};
        if (facts.kind == FileKind::Regular && facts.size == entry->second.size)
            ++entry;
        else
            entry = listed.files.erase(entry);
    }
    (void)error;
    return true;
}
