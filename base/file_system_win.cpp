#include "base/file_system.h"

#include <windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "base/move_over_win.h"
#include "base/text_utf16.h"

namespace {

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

DWORD attributes(const std::string& path) { return GetFileAttributesW(utf8ToWide(path).c_str()); }

// Symbolic links and junctions; other reparse points (cloud placeholders, deduplicated files)
// are ordinary files to the user.
bool isLink(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

// Another writer replacing the same target, a virus scanner or an indexer holds the file for a
// moment; a rename that meets one is tried again, up to about half a second in all.
constexpr int kReplaceTries = 32;

bool isPassingLock(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// The new file takes the place of `target`, so it takes its access rights (and owner, where we
// may set it) and its attributes too. A new file otherwise gets its folder's inherited rights,
// which may be wider than those the user gave the old one.
bool takeAttributesOf(const std::wstring& target, const std::wstring& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return true;  // nothing to keep
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (data.dwFileAttributes & kKept) SetFileAttributesW(file.c_str(), data.dwFileAttributes & kKept);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (GetNamedSecurityInfoW(target.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return true;  // a file system without access rights
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION protection =
        (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    auto* name = const_cast<wchar_t*>(file.c_str());
    bool kept = !dacl || SetNamedSecurityInfoW(name, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr,
                                               nullptr, dacl, nullptr) == ERROR_SUCCESS;
    if (owner)
        SetNamedSecurityInfoW(name, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
    LocalFree(descriptor);
    return kept;
}

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool moveTo(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

bool moveOverTarget(const std::wstring& from, const std::wstring& to)
{
    if (!takeAttributesOf(to, from)) return false;
    for (int attempt = 0; attempt < kReplaceTries; ++attempt) {
        if (attempt > 0) Sleep(static_cast<DWORD>(attempt));
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        if (!isPassingLock(GetLastError())) return false;
    }
    return false;
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    return _wfopen(utf8ToWide(path).c_str(), utf8ToWide(mode).c_str());
}

std::FILE* openRegularFile(const std::string& path)
{
    // Opening a pipe or a device never waits here; GetFileType tells them from files.
    HANDLE handle = CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (!file) _close(fd);
    return file;
}

std::FILE* createNewFile(const std::string& path, bool& alreadyExists, unsigned /*permissions*/)
{
    int fd = _wopen(utf8ToWide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
    alreadyExists = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        DeleteFileW(utf8ToWide(path).c_str());
    }
    return file;
}

bool syncFile(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool TemporaryFile::commitOver(const std::string& target)
{
    bool ready = file_ && syncFile(file_);
    ready = closeFile() && ready;
    if (!ready || !moveOverTarget(utf8ToWide(path_), utf8ToWide(target))) {
        discard();
        return false;
    }
    path_.clear();
    return true;
}

FileFacts inspectFile(const std::string& path)
{
    const std::wstring name = utf8ToWide(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return {};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isLink(name)) return {FileKind::Link};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {FileKind::Directory};
    FileFacts facts{FileKind::Regular, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, 1};
    HandleCloser file{CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return facts;
    if (GetFileType(file.handle) != FILE_TYPE_DISK) return {FileKind::Other};
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file.handle, &info)) facts.hardLinks = info.nNumberOfLinks;
    return facts;
}

std::optional<int64_t> lastWriteTicks(const std::string& path)
{
    HandleCloser file{CreateFileW(utf8ToWide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return std::nullopt;
    FILETIME written{};
    if (!GetFileTime(file.handle, nullptr, nullptr, &written)) return std::nullopt;
    // 100 ns steps since 1601 to nanoseconds of the library's file clock, whose epoch is
    // 2174-01-01 (6437664000 s after 1970, which is 11644473600 s after 1601).
    const int64_t steps =
        static_cast<int64_t>((static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
    constexpr int64_t kEpochSteps = (11644473600LL + 6437664000LL) * 10'000'000LL;
    constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min() / 100;  // some 290 years before
    return std::max(steps - kEpochSteps, kEarliest) * 100;
}

std::optional<std::string> resolveLinks(const std::string& path)
{
    if (inspectFile(path).kind != FileKind::Link) return path;
    // Opening follows the whole chain; the handle then names the file at its end.
    HandleCloser file{CreateFileW(utf8ToWide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetFinalPathNameByHandleW(file.handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return std::nullopt;
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(n);
    }
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0)
        buffer = L"\\\\" + buffer.substr(8);
    else if (buffer.rfind(L"\\\\?\\", 0) == 0)
        buffer = buffer.substr(4);
    return wideToUtf8(buffer.c_str());
}

OverwriteResult overwriteFile(const std::string& path, std::string_view content)
{
    HandleCloser file{CreateFileW(utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return OverwriteResult::Untouched;
    LARGE_INTEGER size;
    if (GetFileType(file.handle) != FILE_TYPE_DISK || !GetFileSizeEx(file.handle, &size))
        return OverwriteResult::Untouched;
    // Claim the room first, keeping the length: a full disk then fails here, untouched.
    if (static_cast<uint64_t>(size.QuadPart) < content.size()) {
        FILE_ALLOCATION_INFO room;
        room.AllocationSize.QuadPart = static_cast<LONGLONG>(content.size());
        if (!SetFileInformationByHandle(file.handle, FileAllocationInfo, &room, sizeof room) &&
            (GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_HANDLE_DISK_FULL))
            return OverwriteResult::Untouched;
    }
    bool written = moveTo(file.handle, 0) && writeAll(file.handle, content) && moveTo(file.handle, content.size()) &&
                   SetEndOfFile(file.handle) && FlushFileBuffers(file.handle);
    return written ? OverwriteResult::Done : OverwriteResult::Damaged;
}

bool removeAbandonedTemporary(const std::string& path, int64_t minimumAgeSeconds)
{
    const std::wstring name = utf8ToWide(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    constexpr int64_t kTicksPerSecond = 10'000'000;
    if ((ticks(now) - ticks(data.ftLastWriteTime)) / kTicksPerSecond < minimumAgeSeconds) return false;
    // A writer's open file is shared without deletion: removing it fails while it lives.
    return DeleteFileW(name.c_str()) != 0;
}

bool replaceFile(const std::string& from, const std::string& to)
{
    return MoveFileExW(utf8ToWide(from).c_str(), utf8ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileW(utf8ToWide(path).c_str()) != 0; }

bool fileExists(const std::string& path)
{
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool pathsSpelledAlike(const std::string& a, const std::string& b)
{
    const std::wstring x = utf8ToWide(a), y = utf8ToWide(b);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

bool folderExists(const std::string& path)
{
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(utf8ToWide(joinPath(folder, "*.*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        // An empty folder still lists "." and ".."; failing here means it cannot be read.
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    do {
        entries.push_back({wideToUtf8(data.cFileName), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '\\' || last == '/') return folder + name;
    return folder + '\\' + name;
}

std::string programPath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return wideToUtf8(buffer.c_str());
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string programFolder()
{
    std::string path = programPath();
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}
