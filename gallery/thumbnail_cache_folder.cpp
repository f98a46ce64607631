// Where thumbnails are cached: the local (not roaming) data folder, since a cache has no business
// travelling with the user's profile.

#include "base/file_system.h"
#include "base/known_folders.h"
#include "gallery/thumbnail_cache.h"

std::string defaultThumbnailCacheFolder()
{
    const std::string local = localDataFolder();
    if (local.empty()) return local;
#ifdef _WIN32
    return joinPath(joinPath(local, "Fotoloom"), "Thumbnails");
#else
    return joinPath(joinPath(local, "fotoloom"), "thumbnails");
#endif
}
