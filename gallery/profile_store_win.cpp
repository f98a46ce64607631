#include "gallery/profile_store.h"

#include <windows.h>

#include <vector>

#include "gallery/file_system.h"
#include "gallery/ini_file.h"
#include "gallery/text_utf16.h"

namespace {

constexpr DWORD kBufferStep = 512;
// Far beyond any path; stops a runaway loop on a corrupt file.
constexpr DWORD kMaxValueChars = 16 * 1024 * 1024;

std::wstring wide(const std::string& utf8)
{
    std::u16string u = utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

// The profile functions look for a bare name in the Windows folder; pin it to the current one.
std::wstring fullPath(const std::string& path)
{
    std::wstring given = wide(path);
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

}  // namespace

std::string readProfileString(const std::string& iniPath, const std::string& section, const std::string& key)
{
    const std::wstring file = fullPath(iniPath);
    const std::wstring sectionW = wide(section);
    const std::wstring keyW = wide(key);
    std::vector<wchar_t> buffer(kBufferStep);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetPrivateProfileStringW(sectionW.c_str(), keyW.c_str(), L"", buffer.data(), size, file.c_str());
        // A value that filled the buffer may have been cut short: ask again with more room.
        if (n + 1 < size || size >= kMaxValueChars) {
            return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer.data()), n));
        }
        buffer.resize(buffer.size() + kBufferStep);
    }
}

bool writeProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                        const std::string& value)
{
    if (!isStorableProfileEntry(section, key, value)) return false;
    const std::wstring file = fullPath(iniPath);
    if (!createUnicodeFileIfMissing(file)) return false;
    const std::wstring text = wide(profileValueText(value));
    return WritePrivateProfileStringW(wide(section).c_str(), wide(key).c_str(), text.c_str(), file.c_str()) != 0;
}

std::string settingsFolder() { return programFolder(); }
