#pragma once
// ThumbnailCache: finished thumbnails kept on disk between selections of an album and between
// runs of the program, so a big album shows at once the second time.
//
// One file per entry, named by a hash of its key (thumbnail_cache_entry.h), in one folder.
// Several instances of the program fill the same cache at once; with one file per entry each
// writer makes its entry under a temporary name and renames it into place, so no file is shared
// between writers, nothing needs a lock across processes, and a reader sees an old entry, a new
// one or none. A pack file with an index would need such a lock and would lose every entry to
// one torn index. The cost is one small file per picture, which the file system handles well.
//
// The cache can be deleted, or any entry damaged, at any time: a missing or damaged entry is a
// miss, the next store replaces it, and the folder is made again when needed. A folder that
// refuses new files means no caching, nothing more. Use is recorded in each entry's
// modification time, so eviction removes the least recently used entries first once the
// folder holds more than the limit.
//
// Safe to use from several threads at once.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "gallery/thumbnail_cache_entry.h"

class CPicture;

class ThumbnailCache {
public:
    static constexpr uint64_t kDefaultLimit = uint64_t{256} << 20;

    // Entries in `folder` (made when first needed); "" caches nothing.
    explicit ThumbnailCache(std::string folder, uint64_t limitBytes = kDefaultLimit);
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The key for the picture file at `path` as it is now; nothing when it is no regular file.
    static std::optional<ThumbnailKey> keyOf(const std::string& path, int rotation, uint32_t boxWidth,
                                             uint32_t boxHeight);

    // The thumbnail stored for `key`; false on a miss (a damaged entry is removed).
    bool find(const ThumbnailKey& key, CPicture& picture);
    // Stores a thumbnail (at most kMaxThumbnailSide a side, resampled to its true size); false
    // when it could not be written, which only costs a decode later.
    bool store(const ThumbnailKey& key, const CPicture& picture);
    // Removes the least recently used entries until the folder holds at most 3/4 of the limit.
    void trim();

    const std::string& folder() const { return folder_; }
    std::string entryPath(const ThumbnailKey& key) const;

private:
    bool writeEntry(const std::string& target, const std::vector<uint8_t>& bytes);

    std::string folder_;
    uint64_t limit_;
    std::mutex trimming_;
    std::atomic<bool> counted_{false};  // held_ has been measured once
    std::atomic<uint64_t> held_{0};     // bytes in the folder, as far as this object knows
};

// Where this user's thumbnails are kept: %LOCALAPPDATA%\Fotoloom\Thumbnails on Windows,
// $XDG_CACHE_HOME/fotoloom/thumbnails or ~/.cache/fotoloom/thumbnails elsewhere; "" when the
// system names no such place.
std::string defaultThumbnailCacheFolder();
