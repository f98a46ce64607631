#pragma once
// Where the picture of a thumbnail cell comes from: the thumbnail cache when it has the picture
// as shown, else the cached unturned picture turned (a rotation needs no decode), else the file
// itself, decoded by rows straight to the size of the cell (never held whole), and put in the
// cache for next time. Used by the thumbnail worker's helpers and by the remake of one cell after
// a rotation; safe on any thread.

#include <windows.h>

#include "app/thumbnail_cell.h"
#include "gallery/gallery_types.h"

class CPicture;
class ThumbnailCache;

// The cache of this user's thumbnails, made on first use (no caching when the system names no
// folder for it).
ThumbnailCache& sharedThumbnailCache();

enum class CellSource { Cache, Turned, Decoded, None };

// The picture of the image's cell, fitted to the cell (placeInCell), turned as the image is.
// Cached per cell size, so the cells of two screen scales are two entries. `cache` may be null:
// always decoded then. None when the picture cannot be shown; a picture too thin to see gives
// an invalid `fitted` and Decoded (its cell is empty).
CellSource cellPictureOf(const Image& image, ThumbnailCache* cache, CPicture& fitted, CellSize cell = {});
// The finished cell of an image: its picture, or the missing-picture mark with the reason. The
// caller deletes the bitmap (null only when GDI failed).
ThumbnailCell makeCellOf(const Image& image, ThumbnailCache* cache, CellSize cell = {});
// The missing-picture mark of an image whose picture cannot be shown, and why.
ThumbnailCell missingCellOf(const Image& image, CellSize cell = {});
