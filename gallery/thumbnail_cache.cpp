// The thumbnail cache's files: finding, storing and evicting entries.

#include "gallery/thumbnail_cache.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "picture/picture.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntrySuffix = ".thumb";
constexpr const char* kTemporarySuffix = ".tmp";
// A temporary file this old was left by a writer that died; a live one is gone in milliseconds.
constexpr auto kAbandoned = std::chrono::hours(1);
// No entry is larger: the header, a path and the pixels of the largest thumbnail.
constexpr uint64_t kMaxEntryBytes = 64 + kMaxThumbnailPathBytes + uint64_t{kMaxThumbnailSide} * kMaxThumbnailSide * 4;

fs::path fsPath(const std::string& utf8)
{
    try {
        return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
    } catch (...) {
        return {};  // not valid UTF-8 where the system needs it converted
    }
}

bool endsWith(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

struct CachedFile {
    fs::path path;
    uint64_t size = 0;
    fs::file_time_type used;
};

// The entries of the folder with their sizes and last use; abandoned temporary files are removed.
std::vector<CachedFile> listEntries(const std::string& folder)
{
    std::vector<CachedFile> files;
    std::error_code ec;
    fs::directory_iterator it(fsPath(folder), ec);
    const auto now = fs::file_time_type::clock::now();
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code fileError;
        if (!entry.is_regular_file(fileError)) continue;
        const std::string name = entry.path().filename().string();
        CachedFile file{entry.path(), entry.file_size(fileError), entry.last_write_time(fileError)};
        if (fileError) continue;  // gone meanwhile: another instance evicted it
        if (endsWith(name, kEntrySuffix)) {
            files.push_back(std::move(file));
        } else if (endsWith(name, kTemporarySuffix) && file.used < now - kAbandoned) {
            fs::remove(file.path, fileError);
        }
    }
    return files;
}

}  // namespace

ThumbnailCache::ThumbnailCache(std::string folder, uint64_t limitBytes) : folder_(std::move(folder)), limit_(limitBytes)
{
}

std::optional<ThumbnailKey> ThumbnailCache::keyOf(const std::string& path, int rotation, uint32_t boxWidth,
                                                  uint32_t boxHeight)
{
    std::error_code ec;
    const fs::path p = fsPath(path);
    if (!fs::is_regular_file(p, ec) || ec) return std::nullopt;
    ThumbnailKey key;
    key.path = path;
    key.size = fs::file_size(p, ec);
    if (ec) return std::nullopt;
    const fs::file_time_type modified = fs::last_write_time(p, ec);
    if (ec) return std::nullopt;
    key.modified = static_cast<int64_t>(modified.time_since_epoch().count());
    key.rotation = ((rotation % 360) + 360) % 360;
    key.boxWidth = boxWidth;
    key.boxHeight = boxHeight;
    return key;
}

std::string ThumbnailCache::entryPath(const ThumbnailKey& key) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%016" PRIx64 "%s", thumbnailKeyHash(key), kEntrySuffix);
    return joinPath(folder_, name);
}

bool ThumbnailCache::find(const ThumbnailKey& key, CPicture& picture)
{
    if (folder_.empty()) return false;
    const std::string path = entryPath(key);
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, kMaxEntryBytes)) return false;
    ThumbnailEntry entry;
    if (!decodeThumbnailEntry(bytes.data(), bytes.size(), entry)) {
        removeFile(path);  // damaged: the next store makes it anew
        return false;
    }
    if (!(entry.key == key)) return false;  // another key with the same hash: a miss
    if (!picture.setPixels(entry.width, entry.height, std::move(entry.bgra))) return false;
    // The use, for eviction; a folder we may not write to simply keeps the old time.
    std::error_code ignored;
    fs::last_write_time(fsPath(path), fs::file_time_type::clock::now(), ignored);
    return true;
}

bool ThumbnailCache::store(const ThumbnailKey& key, const CPicture& picture)
{
    if (folder_.empty() || !picture.IsValid()) return false;
    const uint32_t width = picture.GetWidth();
    const uint32_t height = picture.GetHeight();
    if (width > kMaxThumbnailSide || height > kMaxThumbnailSide) return false;
    const CPicture* source = &picture;
    CPicture trueSize;
    if (picture.bufferWidth() != width || picture.bufferHeight() != height) {
        trueSize = picture;
        if (!trueSize.Resample2(width, height)) return false;
        source = &trueSize;
    }
    const std::vector<uint8_t> bytes = encodeThumbnailEntry(key, width, height, source->bits(), source->hasAlpha());
    if (bytes.empty() || !writeEntry(entryPath(key), bytes)) return false;

    if (!counted_.exchange(true)) {
        uint64_t total = 0;
        for (const CachedFile& file : listEntries(folder_)) total += file.size;
        held_ = total;
    } else {
        held_ += bytes.size();
    }
    if (held_ > limit_) trim();
    return true;
}

bool ThumbnailCache::writeEntry(const std::string& target, const std::vector<uint8_t>& bytes)
{
    std::optional<TemporaryFile> temporary = TemporaryFile::create(folder_, "thumb");
    if (!temporary) {
        // The folder may not exist yet, or the cache was deleted while we ran.
        std::error_code ignored;
        fs::create_directories(fsPath(folder_), ignored);
        temporary = TemporaryFile::create(folder_, "thumb");
        if (!temporary) return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), temporary->file()) != bytes.size()) return false;
    return temporary->commitOver(target);
}

void ThumbnailCache::trim()
{
    std::unique_lock lock(trimming_, std::try_to_lock);
    if (!lock) return;  // another thread is at it
    std::vector<CachedFile> files = listEntries(folder_);
    uint64_t total = 0;
    for (const CachedFile& file : files) total += file.size;
    const uint64_t goal = limit_ / 4 * 3;
    if (total > goal) {
        std::sort(files.begin(), files.end(), [](const CachedFile& a, const CachedFile& b) { return a.used < b.used; });
        for (const CachedFile& file : files) {
            if (total <= goal) break;
            std::error_code ec;
            // Another instance may have removed it first; either way it no longer counts.
            fs::remove(file.path, ec);
            total -= file.size;
        }
    }
    held_ = total;
}
