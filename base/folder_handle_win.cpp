#include "base/folder_handle.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <utility>

#include "base/move_over_win.h"
#include "base/text_utf16.h"

namespace {

constexpr wchar_t kLockName[] = L".fotoloom-lock";
// Shared with other readers and writers, never with a rename or removal of the folder.
constexpr DWORD kFolderSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

HANDLE openFolder(const std::wstring& path, bool atLink)
{
    return CreateFileW(path.c_str(), GENERIC_READ, kFolderSharing, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (atLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

DWORD attributesOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

// The final path of an open file, with the "\\?\" the system puts in front (which also lifts
// the length limit of the calls given it).
std::wstring finalPathOf(HANDLE handle)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n);
    }
}

// An existing regular file at `path`, opened without following a reparse point; nothing for a
// link, a folder, a device.
HANDLE openRegular(const std::wstring& path, DWORD access, DWORD sharing)
{
    HANDLE handle =
        CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    const DWORD attributes = attributesOf(handle);
    if (GetFileType(handle) != FILE_TYPE_DISK || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

std::FILE* streamOf(HANDLE handle, int flags, const char* mode)
{
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file) _close(fd);
    return file;
}

}  // namespace

FolderHandle::~FolderHandle() { close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : path_(std::move(other.path_)),
      native_(std::move(other.native_)),
      handle_(std::exchange(other.handle_, nullptr)),
      lock_(std::exchange(other.lock_, nullptr))
{
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        native_ = std::move(other.native_);
        handle_ = std::exchange(other.handle_, nullptr);
        lock_ = std::exchange(other.lock_, nullptr);
    }
    return *this;
}

void FolderHandle::close()
{
    if (lock_) CloseHandle(std::exchange(lock_, nullptr));
    if (handle_) CloseHandle(std::exchange(handle_, nullptr));
}

bool FolderHandle::isOpen() const { return handle_ != nullptr; }

std::optional<FolderHandle> FolderHandle::open(const std::string& path)
{
    HANDLE handle = openFolder(utf8ToWide(path.empty() ? "." : path), false);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::wstring native = finalPathOf(handle);
    const DWORD attributes = attributesOf(handle);
    if (native.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        return std::nullopt;
    }
    FolderHandle folder;
    folder.path_ = path;
    folder.native_ = wideToUtf8(native.c_str());
    folder.handle_ = handle;
    return folder;
}

std::optional<FolderHandle> FolderHandle::openChild(const std::string& name, bool create, FileKind& found) const
{
    found = FileKind::Missing;
    if (!isOpen() || !isPlainName(name)) return std::nullopt;
    const std::string native = joinPath(native_, name);
    const std::wstring wide = utf8ToWide(native);
    if (create) CreateDirectoryW(wide.c_str(), nullptr);
    HANDLE handle = openFolder(wide, true);
    if (handle == INVALID_HANDLE_VALUE) {
        found = inspect(name).kind;
        return std::nullopt;
    }
    const DWORD attributes = attributesOf(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        found = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    ? FileKind::Link
                    : inspect(name).kind;
        return std::nullopt;
    }
    FolderHandle child;
    child.path_ = pathOf(name);
    child.native_ = native;
    child.handle_ = handle;
    found = FileKind::Directory;
    return child;
}

FileFacts FolderHandle::inspect(const std::string& name) const
{
    if (!isOpen() || !isPlainName(name)) return {};
    return inspectFile(joinPath(native_, name));
}

std::FILE* FolderHandle::openRead(const std::string& name) const
{
    if (!isOpen() || !isPlainName(name)) return nullptr;
    HANDLE handle = openRegular(utf8ToWide(joinPath(native_, name)), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    return handle == INVALID_HANDLE_VALUE ? nullptr : streamOf(handle, _O_RDONLY, "rb");
}

std::FILE* FolderHandle::openIfUnheld(const std::string& name, bool& held) const
{
    held = false;
    if (!isOpen() || !isPlainName(name)) return nullptr;
    // A holder shares reading only: asking to delete it as well meets its sharing.
    HANDLE handle = openRegular(utf8ToWide(joinPath(native_, name)), GENERIC_READ | DELETE, FILE_SHARE_READ);
    if (handle == INVALID_HANDLE_VALUE) {
        held = GetLastError() == ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    return streamOf(handle, _O_RDONLY, "rb");
}

std::FILE* FolderHandle::createNew(const std::string& name, bool& alreadyExists, unsigned /*permissions*/,
                                   bool locked) const
{
    alreadyExists = false;
    if (!isOpen() || !isPlainName(name)) return nullptr;
    const DWORD sharing = locked ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileW(utf8ToWide(joinPath(native_, name)).c_str(), GENERIC_WRITE, sharing, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        alreadyExists = GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    std::FILE* file = streamOf(handle, _O_WRONLY, "wb");
    if (!file) remove(name);
    return file;
}

bool FolderHandle::commit(std::FILE* file, const std::string& temporaryName, const std::string& target) const
{
    bool ready = file && isOpen() && isPlainName(target) && syncFile(file);
    if (file) ready = std::fclose(file) == 0 && ready;
    if (!ready ||
        !moveOverTarget(utf8ToWide(joinPath(native_, temporaryName)), utf8ToWide(joinPath(native_, target)))) {
        remove(temporaryName);
        return false;
    }
    return true;
}

bool FolderHandle::remove(const std::string& name) const
{
    return isOpen() && isPlainName(name) && DeleteFileW(utf8ToWide(joinPath(native_, name)).c_str()) != 0;
}

std::optional<std::vector<FolderEntry>> FolderHandle::list() const
{
    if (!isOpen()) return std::nullopt;
    auto entries = listFolder(native_);
    if (entries) std::erase_if(*entries, [](const FolderEntry& e) { return e.name == "." || e.name == ".."; });
    return entries;
}

bool FolderHandle::tryLock()
{
    if (!isOpen()) return false;
    if (lock_) return true;
    HANDLE handle = CreateFileW(
        utf8ToWide(joinPath(native_, "")).append(kLockName).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    lock_ = handle;
    return true;
}
