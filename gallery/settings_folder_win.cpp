// The per-user settings folder on Windows. Apart from the file-system helpers: the shell's
// headers declare names of their own (Folder, among others) that the core uses too.
#include <windows.h>

#include <shlobj.h>

#include "base/text_utf16.h"
#include "gallery/profile_store.h"

std::string userSettingsFolder()
{
    PWSTR appData = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &appData)) && appData)
        folder = wideToUtf8(appData) + "\\Fotoloom";
    CoTaskMemFree(appData);
    return folder;
}
