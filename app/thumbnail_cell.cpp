// Drawing one thumbnail cell.

#include "app/thumbnail_cell.h"

#include "gallery/picture.h"

CellPlacement placeInCell(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0) return {};
    const double ratio = static_cast<double>(height) / static_cast<double>(width);
    CellPlacement p;
    if (ratio > static_cast<double>(kCellHeight) / kCellWidth) {
        p.height = kCellHeight;
        p.width = static_cast<int>(kCellHeight / ratio);
        p.left = (kCellWidth - p.width) / 2;
    } else {
        p.width = kCellWidth;
        p.height = static_cast<int>(kCellWidth * ratio);
        p.top = (kCellHeight - p.height) / 2;
    }
    return p;
}

namespace {

// A white, framed cell; `draw` paints the picture into the memory DC before the frame.
template <typename Draw> HBITMAP makeCell(Draw&& draw)
{
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kCellWidth, kCellHeight);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !memory) {
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT cell{0, 0, kCellWidth, kCellHeight};
    SetBkColor(memory, kCellFill);
    ExtTextOutW(memory, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
    const bool drawn = draw(memory);
    HBRUSH frame = CreateSolidBrush(kCellFrame);
    FrameRect(memory, &cell, frame);
    DeleteObject(frame);
    SelectObject(memory, old);
    DeleteDC(memory);
    if (!drawn) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

}  // namespace

HBITMAP makeThumbnailCell(const CPicture& picture)
{
    if (!picture.IsValid()) return nullptr;
    const CellPlacement p = placeInCell(picture.GetWidth(), picture.GetHeight());
    if (p.width <= 0 || p.height <= 0) return makeEmptyCell();  // a hair-thin picture: nothing to see
    return makeCell([&](HDC dc) { return picture.Stretch(dc, p.left, p.top, p.width, p.height); });
}

HBITMAP makeEmptyCell()
{
    return makeCell([](HDC) { return true; });
}
