#pragma once
// The few file-system calls the core needs, with UTF-8 paths on every platform
// (file_system_win.cpp converts to UTF-16; file_system_posix.cpp passes bytes through).

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct FolderEntry {
    std::string name;
    bool isFolder = false;
};

// fopen with a UTF-8 path.
std::FILE* openFile(const std::string& path, const char* mode);
// An existing regular file, opened for binary reading; nullptr for anything else (a folder, a
// pipe, a device), refused without ever waiting for a pipe's writer.
std::FILE* openRegularFile(const std::string& path);
// The whole of a regular file (never a pipe or a device, which could block for ever); false when
// it cannot be opened or read, is larger than `limit`, or memory runs out, and then `bytes` is empty.
bool readFileBytes(const std::string& path, std::string& bytes, uint64_t limit);
bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes, uint64_t limit);
// The same for a file already open for binary reading (from where it stands); the caller closes it.
bool readFileBytes(std::FILE* file, std::string& bytes, uint64_t limit);
bool readFileBytes(std::FILE* file, std::vector<uint8_t>& bytes, uint64_t limit);
// Renames `from` over `to`, replacing it in one step where the system allows.
bool replaceFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Whether two paths are spelt alike by the file system's rule for names: exactly on Linux, and
// on Windows without regard to letter case (an ordinal comparison, as NTFS compares names).
bool pathsSpelledAlike(const std::string& a, const std::string& b);
// Makes the folder `path` with every folder above it that is missing (a folder that exists
// already is fine). False when it is no folder afterwards; `reason` then says why, in the
// system's words ("Not a directory").
bool makeFolderPath(const std::string& path, std::string& reason);
// Whether a new file can be made in the existing folder `folder`, found by making one (under a
// temporary name) and removing it at once. "" when it can; otherwise the system's reason.
std::string folderWriteProblem(const std::string& folder);
// Every entry of a folder in the order the file system returns them ("." and ".." included
// where the system lists them); nothing when the folder cannot be read.
std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder);
// folder + separator + name; no separator is doubled.
std::string joinPath(const std::string& folder, const std::string& name);
// The folder part of a path, up to and including its last separator ("" for a bare name);
// joinPath(folderOf(p), fileNameOf(p)) gives p back.
std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);
// The path as the program stores it: absolute (against the working folder), with "." and ".."
// resolved; unchanged when the system cannot tell the working folder.
std::string absolutePath(const std::string& path);
// True for a path that names the same place whatever the working folder ("C:\x", "\\server\x"
// or "/x"; not "x", "C:x" or "\x" on Windows).
bool isAbsolutePath(const std::string& path);

// --- What a name stands for --------------------------------------------------------------------

// (Directory, not Folder: the shell headers of Windows declare a global Folder.)
enum class FileKind { Missing, Regular, Directory, Link, Other };

struct FileFacts {
    FileKind kind = FileKind::Missing;  // Other: a pipe, a device, a socket; Missing also when unreadable
    uint64_t size = 0;                  // for Regular
    uint32_t hardLinks = 0;             // names of the same file, for Regular
};

// What `path` names, without following a link at its end.
FileFacts inspectFile(const std::string& path);
// When the file `path` (links followed) was last written, as a count of the standard library's
// file clock (nanoseconds), to the finest step the system keeps: on Windows 100 ns, where the
// library's own reading there keeps whole seconds, so that two writes within one second differ.
// Nothing when it cannot be had.
std::optional<int64_t> lastWriteTicks(const std::string& path);
// The path of the file a chain of symbolic links at the end of `path` leads to (the file
// itself need not exist); `path` itself when it is no link; nothing for a loop.
std::optional<std::string> resolveLinks(const std::string& path);

// --- Replacing a file in one step --------------------------------------------------------------
//
// A writer that must never leave its target half written creates a TemporaryFile beside the
// target, writes the whole content through file(), and calls commitOver(target):
//
//     std::optional<TemporaryFile> temporary = TemporaryFile::createBeside(target);
//     if (!temporary) ...                      // the folder refuses new files
//     fwrite(..., temporary->file());
//     if (!temporary->commitOver(target)) ...  // target as it was; the temporary file is gone
//
// The temporary file is created exclusively (O_EXCL, CREATE_NEW) under a fresh random name, so
// writers of the same target at the same time never share a file, no existing file (a user's
// own "x.tmp", a planted link) is ever opened, and the name stays short enough for any target
// name the file system allows. A TemporaryFile that is destroyed uncommitted removes its file.

// A name for a new temporary file: the first bytes of `nameHint`, ".", sixteen random hexadecimal
// digits and ".tmp", short enough for any file system whatever the hint.
std::string temporaryFileName(std::string_view nameHint);

// True for a name that temporaryFileName(nameHint) gives.
bool isTemporaryNameFor(std::string_view name, std::string_view nameHint);
// Removes the temporary file `path` that a writer killed part way left behind: only a regular
// file last changed at least `minimumAgeSeconds` ago that no TemporaryFile (of any process)
// still has open. False when it stays.
bool removeAbandonedTemporary(const std::string& path, int64_t minimumAgeSeconds);
// A writer killed part way leaves its temporary file ("<target>.<random>.tmp") beside its target:
// removes those of `target` that removeAbandonedTemporary lets go. For a writer to call after its
// own save, so that whatever the next save of the same file is, it tidies up after the last.
void removeAbandonedTemporariesOf(const std::string& target, int64_t minimumAgeSeconds);
// The age at which a temporary file held by nobody counts as abandoned: no save takes this long.
inline constexpr int64_t kAbandonedTemporaryAge = 60;

class TemporaryFile {
public:
    // A new file in `folder` ("" for the current one), named after the first bytes of
    // `nameHint`, a random part and ".tmp"; nothing when the folder refuses it.
    static std::optional<TemporaryFile> create(const std::string& folder, std::string_view nameHint);
    // The same, in the folder of `target`, named after it.
    static std::optional<TemporaryFile> createBeside(const std::string& target);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&& other) noexcept;
    ~TemporaryFile();

    // Open for binary writing until commitOver or discard.
    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

    // Puts the content on the disk, closes the file, gives it the permissions (and the owner,
    // where the system lets us) of the regular file `target` names, or those of any new file
    // when there is none (until then only its owner may read it), and renames it over
    // `target` in one step. The name itself is replaced: a link called `target` is not
    // followed. On Linux the folder is flushed too, so a power loss cannot undo the rename.
    // False when anything fails before the rename; the temporary file is then removed and
    // `target` is untouched.
    bool commitOver(const std::string& target);
    // Closes and removes the file.
    void discard();

private:
    TemporaryFile(std::string path, std::FILE* file) : path_(std::move(path)), file_(file) {}
    bool closeFile();

    std::string path_;
    std::FILE* file_ = nullptr;
};

// Creates `path` for binary writing only when no file of that name exists (never opening an
// existing one); nullptr otherwise, with `alreadyExists` telling the two refusals apart. While
// it is open, removeAbandonedTemporary leaves it alone.
// `permissions` are the POSIX mode bits before the umask (unused on Windows).
std::FILE* createNewFile(const std::string& path, bool& alreadyExists, unsigned permissions = 0666);
#ifndef _WIN32
// The process's umask, read without changing it (umask() itself would, for every thread).
unsigned processUmask();
#endif
// Flushes the buffers of `file` and asks the system to put its content on the disk.
bool syncFile(std::FILE* file);

enum class OverwriteResult {
    Done,
    Untouched,  // refused or failed before the first byte changed
    Damaged,    // failed part way: the file holds a mix of old and new
};

// Writes `content` over the existing regular file `path` in place, so it keeps its identity:
// every hard link to it sees the change, and its permissions and owner stay. Room for the new
// content is claimed before any byte is changed, so a full disk leaves the file untouched.
// Only for files a rename would split from their other names; TemporaryFile is safer.
OverwriteResult overwriteFile(const std::string& path, std::string_view content);
// Full path of the running program, and its folder (cut at the last slash or backslash).
std::string programPath();
std::string programFolder();
