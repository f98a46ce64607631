// Thumbnail cells: the ratio rule and the drawn cell, read back pixel by pixel.

#include <gtest/gtest.h>

#include <vector>

#include "app/thumbnail_cell.h"
#include "base/dib_format_win.h"
#include "picture/picture.h"
#include "solid_picture.h"

namespace {

constexpr COLORREF kPictureColour = RGB(200, 40, 10);

// A bitmap's pixels as COLORREFs, row by row.
std::vector<COLORREF> pixelsOf(HBITMAP cell)
{
    BITMAPINFO info = topDownDibFormat(kCellWidth, kCellHeight);
    std::vector<DWORD> raw(kCellWidth * kCellHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, cell, 0, kCellHeight, raw.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    std::vector<COLORREF> out;
    for (DWORD p : raw) out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return out;
}

// The pixels of the cell made for a picture of kPictureColour; empty when none is made.
std::vector<COLORREF> cellPixelsOf(uint32_t width, uint32_t height)
{
    HBITMAP cell = makeThumbnailCell(solidPicture(width, height, kPictureColour));
    if (!cell) return {};
    std::vector<COLORREF> out = pixelsOf(cell);
    DeleteObject(cell);
    return out;
}

COLORREF at(const std::vector<COLORREF>& px, int x, int y) { return px[static_cast<size_t>(y * kCellWidth + x)]; }

TEST(ThumbnailCell, RatioRuleFitsWidthOrHeight)
{
    const CellPlacement wide = placeInCell(200, 100);
    EXPECT_EQ(wide.width, 100);
    EXPECT_EQ(wide.height, 50);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.top, 20);

    const CellPlacement tall = placeInCell(100, 200);
    EXPECT_EQ(tall.width, 45);
    EXPECT_EQ(tall.height, 90);
    EXPECT_EQ(tall.left, 27);
    EXPECT_EQ(tall.top, 0);

    const CellPlacement exact = placeInCell(1000, 900);  // ratio 0.9 exactly: full width
    EXPECT_EQ(exact.width, 100);
    EXPECT_EQ(exact.height, 90);

    const CellPlacement none = placeInCell(0, 10);
    EXPECT_EQ(none.width, 0);
}

TEST(ThumbnailCell, WidePictureIsDrawnAcrossTheMiddleOnWhiteInAGreyFrame)
{
    const std::vector<COLORREF> px = cellPixelsOf(200, 100);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(at(px, 50, 19), kCellFill);
    EXPECT_EQ(at(px, 50, 20), kPictureColour);
    EXPECT_EQ(at(px, 50, 69), kPictureColour);
    EXPECT_EQ(at(px, 50, 70), kCellFill);
    EXPECT_EQ(at(px, 0, 45), kCellFrame);
    EXPECT_EQ(at(px, 99, 45), kCellFrame);
    EXPECT_EQ(at(px, 50, 0), kCellFrame);
    EXPECT_EQ(at(px, 50, 89), kCellFrame);
}

TEST(ThumbnailCell, TallPictureIsCentredAcross)
{
    const std::vector<COLORREF> px = cellPixelsOf(100, 200);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(at(px, 26, 45), kCellFill);
    EXPECT_EQ(at(px, 27, 45), kPictureColour);
    EXPECT_EQ(at(px, 71, 45), kPictureColour);
    EXPECT_EQ(at(px, 72, 45), kCellFill);
}

TEST(ThumbnailCell, InvalidPictureMakesNoCell)
{
    EXPECT_EQ(makeThumbnailCell(CPicture()), nullptr);
    HBITMAP empty = makeEmptyCell();
    ASSERT_NE(empty, nullptr);
    const std::vector<COLORREF> px = pixelsOf(empty);
    DeleteObject(empty);
    EXPECT_EQ(at(px, 50, 45), kCellFill);
    EXPECT_EQ(at(px, 0, 0), kCellFrame);
}

}  // namespace
