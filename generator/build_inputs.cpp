#include "generator/build_inputs.h"

#include <unordered_map>
#include <vector>

#include "gallery/gallery_settings.h"
#include "generator/content_hash.h"
#include "generator/picture_pipeline.h"
#include "generator/record_fields.h"
#include "generator/site_pages.h"

namespace {

// Calls `visit(album index, photo name, image)` for every picture a build makes, in build order.
template <typename Visit> void forEachBuiltPicture(const CBuilderDoc& doc, Visit&& visit)
{
    std::unordered_map<int32_t, std::vector<const Image*>> byAlbum;
    for (const Image& image : doc.images()) byAlbum[image.albumKey].push_back(&image);
    const auto& albums = doc.albums();
    for (size_t a = 0; a < albums.size(); ++a) {
        const auto found = byAlbum.find(albums[a].key);
        if (found == byAlbum.end()) continue;
        for (size_t n = 0; n < found->second.size(); ++n)
            visit(a, "photos/" + photoFileName(a + 1, n + 1), *found->second[n]);
    }
}

std::string inputsText(const CBuilderDoc& doc, const std::string& themeName)
{
    // The pipeline's version too: a program that makes photos differently builds something else.
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "..." + std::string.
    std::string text = "pictures ";
    text.append(std::to_string(kPicturePipelineVersion)).push_back('\n');
    for (const SettingInfo& s : allSettings()) {
        text += s.name;
        text += '\t';
        if (s.kind != SettingKind::Text)
            text += std::to_string(s.numberIn(doc));
        else
            text += escapeField(s.text == &GallerySettings::themeName ? themeName : doc.*s.text);
        text += '\n';
    }
    // Each album once, even one without pictures: it still has its page and its place in the lists.
    for (const Album& album : doc.albums())
        text += "A\t" + escapeField(album.title) + '\t' + escapeField(album.caption) + '\n';
    forEachBuiltPicture(doc, [&text](size_t a, const std::string&, const Image& image) {
        text += "I\t" + std::to_string(a) + '\t' + std::to_string(image.rotation) + '\t' + escapeField(image.path) +
                '\t' + escapeField(image.comment) + '\n';
    });
    return text;
}

}  // namespace

uint64_t buildInputsHash(const CBuilderDoc& doc, const std::string& themeName)
{
    const std::string text = inputsText(doc, themeName);
    return contentHash(text.data(), text.size());
}

bool builtFromProject(const CBuilderDoc& doc, const std::string& themeName, const BuildManifest& manifest)
{
    if (!manifest.inputs || *manifest.inputs != buildInputsHash(doc, themeName)) return false;
    bool same = true;
    forEachBuiltPicture(doc, [&](size_t, const std::string& photo, const Image& image) {
        if (!same) return;
        const auto p = manifest.pictures.find(photo);
        if (p == manifest.pictures.end()) return;
        same = p->second.source == image.path && sourceUnchanged(p->second);
    });
    return same;
}
