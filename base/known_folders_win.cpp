#include "base/known_folders.h"

#include <windows.h>

#include <shlobj.h>

#include "base/text_utf16.h"

namespace {

std::string knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path) folder = wideToUtf8(path);
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::string documentsFolder()
{
    if (std::string folder = knownFolder(FOLDERID_Documents); !folder.empty()) return folder;
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? wideToUtf8(path) : std::string(".");
}

std::string roamingDataFolder() { return knownFolder(FOLDERID_RoamingAppData); }

std::string localDataFolder() { return knownFolder(FOLDERID_LocalAppData); }
