#include "base/folder_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

namespace {

int closeKeepingErrno(int fd)
{
    const int saved = errno;
    const int result = ::close(fd);
    errno = saved;
    return result;
}

// A name the calls below accept: one level, never "." or "..".
bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

FileFacts factsOf(const struct stat& st)
{
    if (S_ISLNK(st.st_mode)) return {FileKind::Link};
    if (S_ISDIR(st.st_mode)) return {FileKind::Directory};
    if (!S_ISREG(st.st_mode)) return {FileKind::Other};
    return {FileKind::Regular, static_cast<uint64_t>(st.st_size), static_cast<uint32_t>(st.st_nlink)};
}

// An existing regular file of the folder, opened for reading without following a link and
// without waiting for a pipe's writer; -1 for anything else.
int openRegularAt(int folder, const std::string& name)
{
    if (!isPlainName(name)) return -1;
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        closeKeepingErrno(fd);
        return -1;
    }
    return fd;
}

std::FILE* streamOf(int fd, const char* mode)
{
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) closeKeepingErrno(fd);
    return file;
}

}  // namespace

FolderHandle::~FolderHandle() { close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1))
{
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void FolderHandle::close()
{
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

bool FolderHandle::isOpen() const { return fd_ >= 0; }

std::optional<FolderHandle> FolderHandle::open(const std::string& path)
{
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    FolderHandle folder;
    folder.path_ = path;
    folder.fd_ = fd;
    return folder;
}

std::optional<FolderHandle> FolderHandle::openChild(const std::string& name, bool create, FileKind& found) const
{
    found = FileKind::Missing;
    if (!isOpen() || !isPlainName(name)) return std::nullopt;
    if (create) ::mkdirat(fd_, name.c_str(), 0777);
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        found = inspect(name).kind;
        return std::nullopt;
    }
    FolderHandle child;
    child.path_ = pathOf(name);
    child.fd_ = fd;
    found = FileKind::Directory;
    return child;
}

FileFacts FolderHandle::inspect(const std::string& name) const
{
    struct stat st {};
    if (!isOpen() || !isPlainName(name) || ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
    return factsOf(st);
}

std::FILE* FolderHandle::openRead(const std::string& name) const
{
    const int fd = isOpen() ? openRegularAt(fd_, name) : -1;
    return fd < 0 ? nullptr : streamOf(fd, "rb");
}

std::FILE* FolderHandle::openIfUnheld(const std::string& name, bool& held) const
{
    held = false;
    const int fd = isOpen() ? openRegularAt(fd_, name) : -1;
    if (fd < 0) return nullptr;
    // Kept until the file closes: two readers at once never both take it for a dead writer's.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
        closeKeepingErrno(fd);
        return nullptr;
    }
    return streamOf(fd, "rb");
}

std::FILE* FolderHandle::createNew(const std::string& name, bool& alreadyExists, unsigned permissions,
                                   bool locked) const
{
    alreadyExists = false;
    if (!isOpen() || !isPlainName(name)) return nullptr;
    const int fd = ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                            static_cast<mode_t>(permissions));
    alreadyExists = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    if ((locked && ::flock(fd, LOCK_EX | LOCK_NB) != 0)) {
        closeKeepingErrno(fd);
        ::unlinkat(fd_, name.c_str(), 0);
        return nullptr;
    }
    std::FILE* file = streamOf(fd, "wb");
    if (!file) ::unlinkat(fd_, name.c_str(), 0);
    return file;
}

bool FolderHandle::commit(std::FILE* file, const std::string& temporaryName, const std::string& target) const
{
    bool ready = file && isOpen() && isPlainName(target) && syncFile(file);
    if (ready) {
        // The new file takes the place of the old one: its owner and permission bits too (the
        // group alone where the owner cannot be given).
        const int fd = ::fileno(file);
        struct stat st {};
        if (::fstatat(fd_, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
                // It stays ours, with the permissions below.
            }
            ready = ::fchmod(fd, st.st_mode & 0777) == 0;
        } else {
            ready = ::fchmod(fd, 0666 & ~static_cast<mode_t>(processUmask())) == 0;
        }
    }
    if (file) ready = std::fclose(file) == 0 && ready;
    if (!ready || ::renameat(fd_, temporaryName.c_str(), fd_, target.c_str()) != 0) {
        remove(temporaryName);
        return false;
    }
    ::fsync(fd_);  // the rename survives a power loss (file systems that cannot flush a folder need not)
    return true;
}

bool FolderHandle::remove(const std::string& name) const
{
    return isOpen() && isPlainName(name) && ::unlinkat(fd_, name.c_str(), 0) == 0;
}

std::optional<std::vector<FolderEntry>> FolderHandle::list() const
{
    if (!isOpen()) return std::nullopt;
    // A descriptor of its own: the listing moves its position.
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const bool isFolder =
            e->d_type == DT_DIR || (e->d_type == DT_UNKNOWN && inspect(name).kind == FileKind::Directory);
        entries.push_back({name, isFolder});
    }
    return entries;
}

bool FolderHandle::tryLock() { return isOpen() && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }
