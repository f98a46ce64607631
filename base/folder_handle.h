#pragma once
// A folder held open for as long as the object lives, and the file operations of a writer that a
// link swapped in while it works must never redirect: each names a file directly inside the held
// folder, and none follows a link at that name.
//
// On POSIX systems every call is relative to the folder's descriptor (openat, renameat, unlinkat,
// fstatat with AT_SYMLINK_NOFOLLOW), so renaming the folder or putting a link in its place changes
// nothing for the holder. On Windows the folder is held open without delete sharing, which keeps
// anybody from renaming or removing it (or any folder above it) while it is held, so the path the
// calls use keeps naming the same folder; every file is opened with FILE_FLAG_OPEN_REPARSE_POINT
// and a reparse point is refused where a file is expected.
//
// USAGE
//   std::optional<FolderHandle> gallery = FolderHandle::open(path);    // the folder the user chose
//   FileKind found;
//   std::optional<FolderHandle> photos = gallery->openChild("photos", true, found);
//   bool exists;
//   std::FILE* f = photos->createNew(".x.0123456789abcdef.tmp", exists, 0600);
//   ... write ...
//   photos->commit(f, ".x.0123456789abcdef.tmp", "x.jpg");            // renamed over x.jpg

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // The folder at `path`, links on the way followed (it is the folder the caller chose).
    static std::optional<FolderHandle> open(const std::string& path);
    // The folder `name` directly inside this one, made first when `create` and it is missing;
    // never through a link. When nothing is returned, `found` says what stands there (Missing
    // when it could not be made or opened).
    std::optional<FolderHandle> openChild(const std::string& name, bool create, FileKind& found) const;

    bool isOpen() const;
    // The path it was opened with, for messages and for paths shown to the user.
    const std::string& path() const { return path_; }
    std::string pathOf(const std::string& name) const { return joinPath(path_, name); }

    // What `name` is, without following a link.
    FileFacts inspect(const std::string& name) const;
    // The regular file `name` opened for reading (never through a link); nullptr when it is none.
    std::FILE* openRead(const std::string& name) const;
    // The whole of the regular file `name` (never through a link); see readFileBytes.
    bool readBytes(const std::string& name, std::string& bytes, uint64_t limit) const;
    // The regular file `name` opened for reading only when no holder of a file made with `locked`
    // set (below) still has it open; nullptr otherwise, with `held` telling that case apart.
    std::FILE* openIfUnheld(const std::string& name, bool& held) const;
    // Creates `name` for binary writing only when nothing of that name exists; nullptr otherwise,
    // with `alreadyExists` telling the two refusals apart. `permissions` are the POSIX mode bits
    // before the umask. With `locked`, the file stays marked as held until it is closed.
    std::FILE* createNew(const std::string& name, bool& alreadyExists, unsigned permissions = 0666,
                         bool locked = false) const;
    // Puts the content of `file` (created here as `temporaryName`) on the disk, closes it, gives it
    // the permissions of the regular file `target` (or those of any new file), and renames it over
    // `target` in one step; a link called `target` is replaced, not followed. False when anything
    // fails, and then the temporary file is gone and `target` untouched.
    bool commit(std::FILE* file, const std::string& temporaryName, const std::string& target) const;
    // Writes the whole file `name` through a new temporary file renamed over it (commit); false,
    // with `name` untouched, when anything fails.
    bool writeFile(const std::string& name, std::string_view bytes) const;
    // Removes the file `name` (a link itself, never what it points to).
    bool remove(const std::string& name) const;
    // Every entry ("." and ".." left out); nothing when the folder cannot be read.
    std::optional<std::vector<FolderEntry>> list() const;

    // Takes the folder's writer lock, which only one holder at a time can have, across processes;
    // false when another has it. It is let go when the handle closes, also when the process dies.
    // (On Windows it is the hidden file ".fotoloom-lock", open unshared and removed on closing.)
    bool tryLock();

private:
    void close();

    std::string path_;
#ifdef _WIN32
    std::string native_;      // the folder's final path, which the held handle keeps in place
    void* handle_ = nullptr;  // HANDLE of the folder
    void* lock_ = nullptr;    // HANDLE of the lock file
#else
    int fd_ = -1;
#endif
};
