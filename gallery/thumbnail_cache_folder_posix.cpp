// Where thumbnails are cached on Linux: the XDG cache folder.

#include <cstdlib>

#include "base/file_system.h"
#include "gallery/thumbnail_cache.h"

std::string defaultThumbnailCacheFolder()
{
    // Relative values of XDG_CACHE_HOME are to be ignored.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return joinPath(joinPath(cache, "fotoloom"), "thumbnails");
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return joinPath(joinPath(joinPath(home, ".cache"), "fotoloom"), "thumbnails");
    return {};
}
