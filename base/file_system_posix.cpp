#include "base/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// A link chain longer than this is a loop, as the kernel counts it.
constexpr int kMaxLinks = 40;

int closeKeepingErrno(int fd)
{
    int saved = errno;
    int result = ::close(fd);
    errno = saved;
    return result;
}

bool writeAll(int fd, std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Flushing a folder makes the names in it (a rename) durable. Some file systems cannot flush
// a folder at all; for them there is nothing more to do.
void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The new file takes the place of `target`, so it takes its owner and permission bits too.
// Changing the owner needs privileges; the group alone may work where the owner cannot.
bool takeAttributesOf(const std::string& target, int fd)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return ::fchmod(fd, 0666 & ~static_cast<mode_t>(processUmask())) ==
               0;  // a new file, as any other would be made
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
        // The file stays ours, with the permissions below.
    }
    return ::fchmod(fd, st.st_mode & 0777) == 0;
}

}  // namespace

unsigned processUmask()
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> status(std::fopen("/proc/self/status", "r"), std::fclose);
    char line[256];
    while (status && std::fgets(line, sizeof line, status.get())) {
        unsigned mask = 0;
        if (std::sscanf(line, "Umask: %o", &mask) == 1) return mask & 0777;
    }
    return 022;
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* openRegularFile(const std::string& path)
{
    // O_NONBLOCK keeps open() from waiting for a pipe's writer; the check below refuses the pipe.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st {};
    int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        closeKeepingErrno(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) closeKeepingErrno(fd);
    return file;
}

std::FILE* createNewFile(const std::string& path, bool& alreadyExists, unsigned permissions)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, static_cast<mode_t>(permissions));
    alreadyExists = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    ::flock(fd, LOCK_EX | LOCK_NB);  // a new file: nobody else can hold it yet
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        closeKeepingErrno(fd);
        ::unlink(path.c_str());
    }
    return file;
}

bool syncFile(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

bool TemporaryFile::commitOver(const std::string& target)
{
    bool ready = file_ && syncFile(file_) && takeAttributesOf(target, ::fileno(file_));
    ready = closeFile() && ready;
    if (!ready || ::rename(path_.c_str(), target.c_str()) != 0) {
        discard();
        return false;
    }
    path_.clear();
    syncFolder(folderOf(target));
    return true;
}

FileFacts inspectFile(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    if (S_ISLNK(st.st_mode)) return {FileKind::Link};
    if (S_ISDIR(st.st_mode)) return {FileKind::Directory};
    if (!S_ISREG(st.st_mode)) return {FileKind::Other};
    return {FileKind::Regular, static_cast<uint64_t>(st.st_size), static_cast<uint32_t>(st.st_nlink)};
}

std::optional<std::string> resolveLinks(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return std::nullopt;
        target.resize(static_cast<size_t>(n));
        current = target.front() == '/' ? target : folderOf(current) + target;
    }
    return std::nullopt;
}

OverwriteResult overwriteFile(const std::string& path, std::string_view content)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return OverwriteResult::Untouched;
    struct stat st {};
    const auto size = static_cast<off_t>(content.size());
    bool ready = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // Claim the blocks first, keeping the length: a full disk then fails here, before the old
    // content is touched. File systems that cannot claim in advance get the content written anyway.
    if (ready && size > st.st_size && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, st.st_size, size - st.st_size) != 0)
        ready = errno == EOPNOTSUPP || errno == ENOSYS;
    if (!ready) {
        closeKeepingErrno(fd);
        return OverwriteResult::Untouched;
    }
    bool written = writeAll(fd, content) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    return written ? OverwriteResult::Done : OverwriteResult::Damaged;
}

bool removeAbandonedTemporary(const std::string& path, int64_t minimumAgeSeconds)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<int64_t>(std::time(nullptr)) - static_cast<int64_t>(st.st_mtime) < minimumAgeSeconds)
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    // Its writer holds it while it lives; the lock stays ours until the name is gone.
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool fileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<int64_t> lastWriteTicks(const std::string& path)
{
    std::error_code error;
    const auto when = std::filesystem::last_write_time(std::filesystem::path(path), error);
    if (error) return std::nullopt;
    return static_cast<int64_t>(when.time_since_epoch().count());
}

bool pathsSpelledAlike(const std::string& a, const std::string& b) { return a == b; }

bool folderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(dir.get())) {
        FolderEntry entry{e->d_name, false};
        if (e->d_type == DT_DIR) {
            entry.isFolder = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            entry.isFolder = folderExists(joinPath(folder, entry.name));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

std::string programPath()
{
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

std::string programFolder()
{
    std::string path = programPath();
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}
