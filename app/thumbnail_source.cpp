// A cell's picture from the thumbnail cache, or decoded and cached.

#include "app/thumbnail_source.h"

#include <algorithm>
#include <optional>

#include "app/thumbnail_cell.h"
#include "base/file_system.h"
#include "gallery/thumbnail_cache.h"
#include "picture/format_code.h"
#include "picture/picture.h"
#include "picture/picture_shown.h"
#include "winui/text.h"

namespace {

// Fits a picture, turned as shown, to its place in the cell; false for a picture too thin to
// show (it then stays as it was).
bool fitToCell(CPicture& picture, CellSize cell)
{
    const CellPlacement p = placeInCell(picture.GetWidth(), picture.GetHeight(), cell);
    if (p.width <= 0 || p.height <= 0) return false;
    if (picture.bufferWidth() == static_cast<uint32_t>(p.width) &&
        picture.bufferHeight() == static_cast<uint32_t>(p.height) && picture.GetWidth() == picture.bufferWidth() &&
        picture.GetHeight() == picture.bufferHeight())
        return true;
    return picture.Resample2(static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height));
}

std::optional<ThumbnailKey> keyFor(const std::string& path, int rotation, CellSize cell)
{
    return ThumbnailCache::keyOf(path, rotation, static_cast<uint32_t>(cell.width), static_cast<uint32_t>(cell.height));
}

}  // namespace

ThumbnailCache& sharedThumbnailCache()
{
    static ThumbnailCache cache(defaultThumbnailCacheFolder());
    return cache;
}

CellSource cellPictureOf(const Image& image, ThumbnailCache* cache, CPicture& fitted, CellSize cell)
{
    const int code = formatCodeOf(image.path);
    if (code == kFormatUnknown) return CellSource::None;
    const int rotation = ((image.rotation % 360) + 360) % 360;

    std::optional<ThumbnailKey> shown, unturned;
    if (cache) {
        shown = keyFor(image.path, rotation, cell);
        if (!shown) return CellSource::None;  // no such file now
        if (cache->find(*shown, fitted)) return CellSource::Cache;
        if (rotation != 0) {
            unturned = *shown;
            unturned->rotation = 0;
            if (cache->find(*unturned, fitted) && fitted.Rotate(static_cast<float>(rotation)) &&
                fitToCell(fitted, cell)) {
                cache->store(*shown, fitted);
                return CellSource::Turned;
            }
        }
    }

    // Decode no larger than the cell needs, by rows, straight to the cell's size: a large photo is
    // never held whole. The hint is in the picture's own orientation. A turned picture is also
    // kept unturned, for its next rotation, so it is decoded to fit either way.
    const auto width = static_cast<uint32_t>(cell.width);
    const auto height = static_cast<uint32_t>(cell.height);
    PictureSizeHint hint = PictureSizeHint::fitInto(width, height);
    if (rotation % 180 != 0) hint = hint.swapped();
    if (unturned) hint = PictureSizeHint::fitInto(std::max(width, height), std::max(width, height));
    const int turns = rotation / 90;
    bool keepUnturned = false;
    std::vector<CPicture> made;
    const ShownResult result = loadShownPictures(
        image.path, hint,
        [&](uint32_t w, uint32_t h) {
            std::vector<ShownSize> sizes;
            const bool sideways = turns % 2 != 0;
            const CellPlacement shownAt = placeInCell(sideways ? h : w, sideways ? w : h, cell);
            if (shownAt.width <= 0 || shownAt.height <= 0) return sizes;  // too thin to show
            sizes.push_back({static_cast<uint32_t>(shownAt.width), static_cast<uint32_t>(shownAt.height), turns});
            const CellPlacement plainAt = placeInCell(w, h, cell);
            keepUnturned = unturned && plainAt.width > 0 && plainAt.height > 0;
            if (keepUnturned)
                sizes.push_back({static_cast<uint32_t>(plainAt.width), static_cast<uint32_t>(plainAt.height), 0});
            return sizes;
        },
        made);
    if (result == ShownResult::NothingToShow) {
        fitted.Destroy();
        return CellSource::Decoded;
    }
    if (result != ShownResult::Made || made.empty()) return CellSource::None;
    if (keepUnturned && made.size() > 1) cache->store(*unturned, made[1]);
    if (shown) cache->store(*shown, made[0]);
    fitted = std::move(made[0]);
    return CellSource::Decoded;
}

ThumbnailCell makeCellOf(const Image& image, ThumbnailCache* cache, CellSize cell)
{
    CPicture fitted;
    if (cellPictureOf(image, cache, fitted, cell) == CellSource::None) return missingCellOf(image, cell);
    return ThumbnailCell{winui::UniqueBitmap(fitted.IsValid() ? makeThumbnailCell(fitted, cell) : makeEmptyCell(cell)),
                         CellProblem::None};
}

ThumbnailCell missingCellOf(const Image& image, CellSize cell)
{
    CellProblem problem = CellProblem::Unreadable;
    if (formatCodeOf(image.path) == kFormatUnknown)
        problem = CellProblem::UnknownType;
    else if (!fileExists(image.path))
        problem = CellProblem::Missing;
    return ThumbnailCell{winui::UniqueBitmap(makeMissingCell(winui::widen(fileNameOf(image.path)), cell)), problem};
}
