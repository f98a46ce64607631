// Drawing one thumbnail cell.

#include "app/thumbnail_cell.h"

#include <algorithm>
#include <iterator>

#include "picture/picture.h"
#include "winui/handles.h"

CellSize cellSizeForDpi(int dpi)
{
    // Beyond 480 DPI (500 %) no screen exists; the bound keeps a cell within what the cache stores.
    dpi = std::clamp(dpi, 96, 480);
    return CellSize{MulDiv(kCellWidth, dpi, 96), MulDiv(kCellHeight, dpi, 96)};
}

CellPlacement placeInCell(uint32_t width, uint32_t height, CellSize cell)
{
    if (width == 0 || height == 0) return {};
    const double ratio = static_cast<double>(height) / static_cast<double>(width);
    CellPlacement p;
    if (ratio > static_cast<double>(cell.height) / cell.width) {
        p.height = cell.height;
        p.width = static_cast<int>(cell.height / ratio);
        p.left = (cell.width - p.width) / 2;
    } else {
        p.width = cell.width;
        p.height = static_cast<int>(cell.width * ratio);
        p.top = (cell.height - p.height) / 2;
    }
    return p;
}

namespace {

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A framed cell on `background`; `draw` paints into the memory DC before the frame.
template <typename Draw> HBITMAP makeCell(CellSize size, COLORREF background, Draw&& draw)
{
    winui::UniqueBitmap bitmap;
    winui::UniqueMemoryDc memory;
    {
        winui::ClientDc screen(nullptr);
        if (!screen.get()) return nullptr;
        bitmap.reset(CreateCompatibleBitmap(screen.get(), size.width, size.height));
        memory.reset(CreateCompatibleDC(screen.get()));
    }
    if (!bitmap || !memory) return nullptr;
    bool drawn = false;
    {
        winui::SelectGuard selected(memory.get(), bitmap.get());
        const RECT cell{0, 0, size.width, size.height};
        fill(memory.get(), cell, background);
        drawn = draw(memory.get());
        winui::UniqueBrush frame(CreateSolidBrush(kCellFrame));
        FrameRect(memory.get(), &cell, frame.get());
    }
    return drawn ? bitmap.release() : nullptr;
}

// A picture in a frame with a red cross over it, centred in the upper part of the cell.
void drawMissingGlyph(HDC dc)
{
    const RECT picture{32, 12, 68, 42};
    winui::UniqueBrush grey(CreateSolidBrush(RGB(0x90, 0x90, 0x90)));
    for (int inset = 0; inset < 2; ++inset) {
        RECT r = picture;
        InflateRect(&r, -inset, -inset);
        FrameRect(dc, &r, grey.get());
    }
    // A hill and a sun inside the frame.
    winui::UniquePen thin(CreatePen(PS_SOLID, 1, RGB(0x90, 0x90, 0x90)));
    {
        winui::SelectGuard pen(dc, thin.get());
        const POINT hill[] = {{35, 38}, {45, 27}, {52, 33}, {57, 29}, {65, 38}};
        Polyline(dc, hill, static_cast<int>(std::size(hill)));
        Ellipse(dc, 56, 16, 62, 22);
    }
    winui::UniquePen cross(CreatePen(PS_SOLID, 3, kMissingCross));
    winui::SelectGuard pen(dc, cross.get());
    MoveToEx(dc, 28, 8, nullptr);
    LineTo(dc, 72, 46);
    MoveToEx(dc, 72, 8, nullptr);
    LineTo(dc, 28, 46);
}

void drawFileName(HDC dc, const std::wstring& name)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW lf = metrics.lfMessageFont;
    lf.lfHeight = -11;
    winui::UniqueFont font(CreateFontIndirectW(&lf));
    winui::SelectGuard selected(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x50, 0x50, 0x50));
    RECT band{4, 50, kCellWidth - 4, kCellHeight - 4};
    // Two lines at most, broken anywhere in a long name, an ellipsis when it is longer still.
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &band,
              DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_NOPREFIX);
}

}  // namespace

HBITMAP makeThumbnailCell(const CPicture& picture, CellSize cell)
{
    if (!picture.IsValid()) return nullptr;
    const CellPlacement p = placeInCell(picture.GetWidth(), picture.GetHeight(), cell);
    if (p.width <= 0 || p.height <= 0) return makeEmptyCell(cell);  // a hair-thin picture: nothing to see
    return makeCell(cell, kCellFill, [&](HDC dc) { return picture.Stretch(dc, p.left, p.top, p.width, p.height); });
}

HBITMAP makeEmptyCell(CellSize cell)
{
    return makeCell(cell, kCellFill, [](HDC) { return true; });
}

HBITMAP makeMissingCell(const std::wstring& fileName, CellSize cell)
{
    return makeCell(cell, kMissingFill, [&](HDC dc) {
        // The mark is laid out for the 96-DPI cell; a larger cell draws it through a scaling
        // transform (the frame, drawn after, stays one pixel wide).
        const bool scaled = cell != CellSize{};
        if (scaled && SetGraphicsMode(dc, GM_ADVANCED)) {
            const XFORM scale{static_cast<FLOAT>(cell.width) / kCellWidth,   0, 0,
                              static_cast<FLOAT>(cell.height) / kCellHeight, 0, 0};
            SetWorldTransform(dc, &scale);
        }
        drawMissingGlyph(dc);
        drawFileName(dc, fileName);
        if (scaled) {
            ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
            SetGraphicsMode(dc, GM_COMPATIBLE);
        }
        return true;
    });
}
