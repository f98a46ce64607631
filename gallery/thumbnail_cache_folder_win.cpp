// Where thumbnails are cached on Windows: the local (not roaming) application-data folder, since
// a cache has no business travelling with the user's profile. Apart from the other file code:
// the shell's headers declare names the core uses too.
#include <windows.h>

#include <shlobj.h>

#include "base/text_utf16.h"
#include "gallery/thumbnail_cache.h"

std::string defaultThumbnailCacheFolder()
{
    PWSTR appData = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &appData)) && appData)
        folder = wideToUtf8(appData) + "\\Fotoloom\\Thumbnails";
    CoTaskMemFree(appData);
    return folder;
}
