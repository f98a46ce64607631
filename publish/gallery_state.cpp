#include "publish/gallery_state.h"

#include <optional>

#include "base/folder_handle.h"
#include "generator/build_inputs.h"
#include "generator/build_manifest.h"
#include "generator/theme_files.h"

GalleryState galleryState(const std::string& galleryFolder, const CBuilderDoc& doc, const std::string& templateRoot)
{
    std::optional<FolderHandle> folder = FolderHandle::open(galleryFolder);
    if (!folder) return GalleryState::NotBuilt;
    const BuildManifest manifest = readManifest(*folder);
    if (!manifest.files.contains("index.html")) return GalleryState::NotBuilt;
    const std::string theme = ResolveTheme(doc.themeName, templateRoot.empty() ? defaultTemplateRoot() : templateRoot);
    return builtFromProject(doc, theme, manifest) ? GalleryState::Current : GalleryState::OutOfDate;
}
