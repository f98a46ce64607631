#include "gallery/file_system.h"

#include <windows.h>

#include "gallery/text_utf16.h"

namespace {

std::wstring wide(const std::string& utf8)
{
    std::u16string u = utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string narrow(const wchar_t* w) { return utf16ToUtf8(reinterpret_cast<const char16_t*>(w)); }

DWORD attributes(const std::string& path) { return GetFileAttributesW(wide(path).c_str()); }

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode)
{
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

bool replaceFile(const std::string& from, const std::string& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }

bool fileExists(const std::string& path)
{
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path)
{
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide(joinPath(folder, "*.*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        // An empty folder still lists "." and ".."; failing here means it cannot be read.
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    do {
        entries.push_back({narrow(data.cFileName), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
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
            return narrow(buffer.c_str());
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
