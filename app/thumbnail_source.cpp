// A cell's picture from the thumbnail cache, or decoded and cached.

#include "app/thumbnail_source.h"

#include <optional>

#include "app/thumbnail_cell.h"
#include "gallery/file_system.h"
#include "gallery/format_code.h"
#include "gallery/picture.h"
#include "gallery/thumbnail_cache.h"
#include "winui/text.h"

namespace {

// Fits a picture, turned as shown, to its place in the cell; false for a picture too thin to
// show (it then stays as it was).
bool fitToCell(CPicture& picture)
{
    const CellPlacement p = placeInCell(picture.GetWidth(), picture.GetHeight());
    if (p.width <= 0 || p.height <= 0) return false;
    if (picture.bufferWidth() == static_cast<uint32_t>(p.width) &&
        picture.bufferHeight() == static_cast<uint32_t>(p.height) && picture.GetWidth() == picture.bufferWidth() &&
        picture.GetHeight() == picture.bufferHeight())
        return true;
    return picture.Resample2(static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height));
}

std::optional<ThumbnailKey> keyFor(const std::string& path, int rotation)
{
    return ThumbnailCache::keyOf(path, rotation, kCellWidth, kCellHeight);
}

}  // namespace

ThumbnailCache& sharedThumbnailCache()
{
    static ThumbnailCache cache(defaultThumbnailCacheFolder());
    return cache;
}

CellSource cellPictureOf(const Image& image, ThumbnailCache* cache, CPicture& fitted)
{
    const int code = formatCodeOf(image.path);
    if (code == kFormatUnknown) return CellSource::None;
    const int rotation = ((image.rotation % 360) + 360) % 360;

    std::optional<ThumbnailKey> shown, unturned;
    if (cache) {
        shown = keyFor(image.path, rotation);
        if (!shown) return CellSource::None;  // no such file now
        if (cache->find(*shown, fitted)) return CellSource::Cache;
        if (rotation != 0) {
            unturned = *shown;
            unturned->rotation = 0;
            if (cache->find(*unturned, fitted) && fitted.Rotate(static_cast<float>(rotation)) && fitToCell(fitted)) {
                cache->store(*shown, fitted);
                return CellSource::Turned;
            }
        }
    }

    // Decode no larger than the cell needs; the hint is in the picture's own orientation. A
    // turned picture is also kept unturned, for its next rotation, so it is decoded to fit either way.
    PictureSizeHint hint = PictureSizeHint::fitInto(kCellWidth, kCellHeight);
    if (rotation % 180 != 0) hint = hint.swapped();
    if (unturned) hint = PictureSizeHint::fitInto(kCellWidth, kCellWidth);
    CPicture picture;
    if (!picture.Load(image.path, code, hint)) return CellSource::None;
    if (unturned) {
        CPicture plain = picture;
        if (fitToCell(plain)) cache->store(*unturned, plain);
    }
    if (rotation != 0 && !picture.Rotate(static_cast<float>(rotation))) return CellSource::None;
    if (!fitToCell(picture)) {
        fitted.Destroy();
        return CellSource::Decoded;
    }
    if (shown) cache->store(*shown, picture);
    fitted = std::move(picture);
    return CellSource::Decoded;
}

ThumbnailCell makeCellOf(const Image& image, ThumbnailCache* cache)
{
    CPicture fitted;
    if (cellPictureOf(image, cache, fitted) == CellSource::None) return missingCellOf(image);
    return ThumbnailCell{fitted.IsValid() ? makeThumbnailCell(fitted) : makeEmptyCell(), CellProblem::None};
}

ThumbnailCell missingCellOf(const Image& image)
{
    CellProblem problem = CellProblem::Unreadable;
    if (formatCodeOf(image.path) == kFormatUnknown)
        problem = CellProblem::UnknownType;
    else if (!fileExists(image.path))
        problem = CellProblem::Missing;
    return ThumbnailCell{makeMissingCell(winui::widen(fileNameOf(image.path))), problem};
}
