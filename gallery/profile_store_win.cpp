#include "gallery/profile_store.h"

#include "base/file_system.h"

#include <windows.h>

#include <vector>

#include "base/text_utf16.h"
#include "gallery/ini_file.h"

namespace {

constexpr DWORD kBufferStep = 512;
// Far beyond any path; stops a runaway loop on a corrupt file.
constexpr DWORD kMaxValueChars = 16 * 1024 * 1024;

// The profile functions look for a bare name in the Windows folder; pin it to the current one.
std::wstring fullPath(const std::string& path)
{
    std::wstring given = utf8ToWide(path);
    DWORD n = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (n == 0) return given;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return given;
    full.resize(n);
    return full;
}

// The profile functions write a new file in the ANSI code page, which turns every character
// outside it into '?'. A file that starts as UTF-16 (a lone byte order mark) stays UTF-16.
bool createUnicodeFileIfMissing(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;  // another writer was first
    static const unsigned char kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    bool ok = WriteFile(file, kBom, sizeof kBom, &written, nullptr) && written == sizeof kBom;
    return CloseHandle(file) && ok;
}

// Creates the folders above a file as needed (the per-user settings folder may not exist yet).
// Steps that cannot be made (the drive, a share's root) are passed over; what counts is the end.
bool makeParentFolders(const std::wstring& filePath)
{
    const size_t last = filePath.find_last_of(L"\\/");
    if (last == std::wstring::npos || last == 0) return true;
    const std::wstring parent = filePath.substr(0, last);
    for (size_t pos = parent.find_first_of(L"\\/"); pos != std::wstring::npos;
         pos = parent.find_first_of(L"\\/", pos + 1)) {
        if (pos > 0) CreateDirectoryW(parent.substr(0, pos).c_str(), nullptr);
    }
    CreateDirectoryW(parent.c_str(), nullptr);
    const DWORD a = GetFileAttributesW(parent.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string readProfileString(const std::string& iniPath, const std::string& section, const std::string& key)
{
    const std::wstring file = fullPath(iniPath);
    const std::wstring sectionW = utf8ToWide(section);
    const std::wstring keyW = utf8ToWide(key);
    std::vector<wchar_t> buffer(kBufferStep);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetPrivateProfileStringW(sectionW.c_str(), keyW.c_str(), L"", buffer.data(), size, file.c_str());
        // A value that filled the buffer may have been cut short: ask again with more room.
        if (n + 1 < size || size >= kMaxValueChars) {
            return wideToUtf8(std::wstring_view(buffer.data(), n));
        }
        buffer.resize(buffer.size() + kBufferStep);
    }
}

bool writeProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                        const std::string& value)
{
    if (!isStorableProfileEntry(section, key, value)) return false;
    const std::wstring file = fullPath(iniPath);
    if (!makeParentFolders(file) || !createUnicodeFileIfMissing(file)) return false;
    const std::wstring text = utf8ToWide(profileValueText(value));
    return WritePrivateProfileStringW(utf8ToWide(section).c_str(), utf8ToWide(key).c_str(), text.c_str(),
                                      file.c_str()) != 0;
}

bool canCreateFilesIn(const std::string& folder)
{
    // Only trying tells: access rights, a read-only medium, a folder the system guards. The probe
    // goes away with its handle.
    const std::wstring base = utf8ToWide(joinPath(folder, "~fotoloom-probe-"));
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const std::wstring probe = base + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt) + L".tmp";
        HANDLE file =
            CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool canKeepSettingsIn(const std::string& programFolder) { return canCreateFilesIn(programFolder); }
