// A cell's picture from the thumbnail cache, or decoded and cached.

#include "app/thumbnail_source.h"

#include <algorithm>
#include <optional>

#include "app/thumbnail_cell.h"
#include "base/file_system.h"
#include "gallery/thumbnail_cache.h"
#include "picture/format_code.h"
#include "picture/picture.h"
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

    // Decode no larger than the cell needs; the hint is in the picture's own orientation. A
    // turned picture is also kept unturned, for its next rotation, so it is decoded to fit either way.
    const auto width = static_cast<uint32_t>(cell.width);
    const auto height = static_cast<uint32_t>(cell.height);
    PictureSizeHint hint = PictureSizeHint::fitInto(width, height);
    if (rotation % 180 != 0) hint = hint.swapped();
    if (unturned) hint = PictureSizeHint::fitInto(std::max(width, height), std::max(width, height));
    CPicture picture;
    if (!picture.Load(image.path, code, hint)) return CellSource::None;
    if (unturned) {
        CPicture plain = picture;
        if (fitToCell(plain, cell)) cache->store(*unturned, plain);
    }
    if (rotation != 0 && !picture.Rotate(static_cast<float>(rotation))) return CellSource::None;
    if (!fitToCell(picture, cell)) {
        fitted.Destroy();
        return CellSource::Decoded;
    }
    if (shown) cache->store(*shown, picture);
    fitted = std::move(picture);
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
