#include "publish/gallery_state.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/file_system.h"
#include "base/folder_handle.h"
#include "generator/build_manifest.h"

namespace {

std::optional<std::filesystem::file_time_type> modifiedTime(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    std::error_code error;
    const auto time =
        std::filesystem::last_write_time(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return std::nullopt;
    return time;
}

}  // namespace

GalleryState galleryState(const std::string& galleryFolder, const std::string& projectPath, const CBuilderDoc& doc)
{
    std::optional<FolderHandle> folder = FolderHandle::open(galleryFolder);
    if (!folder || !readManifest(*folder).files.contains("index.html")) return GalleryState::NotBuilt;
    const auto built = modifiedTime(joinPath(galleryFolder, kManifestName));
    if (!built) return GalleryState::NotBuilt;
    const auto project = modifiedTime(projectPath);
    if (project && *project > *built) return GalleryState::OutOfDate;
    for (const Image& image : doc.images()) {
        const auto picture = modifiedTime(image.path);
        if (picture && *picture > *built) return GalleryState::OutOfDate;
    }
    return GalleryState::Current;
}
