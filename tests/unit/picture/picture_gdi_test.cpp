// CPicture on Windows device contexts: pictures from bitmaps, device bitmaps, and drawing.

#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "base/dib_format_win.h"
#include "picture/picture.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

// A 32-bit top-down DIB section of width x height, with its bits.
HBITMAP dibSection(int width, int height, uint8_t** bits)
{
    const BITMAPINFO info = topDownDibFormat(width, height);
    void* p = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    *bits = static_cast<uint8_t*>(p);
    return bitmap;
}

}  // namespace

TEST(PictureGdi, BitmapsComeAndGoWithoutChangingPixels)
{
    const CPicture source = gradient(7, 5);
    uint8_t* bits = nullptr;
    HBITMAP dib = dibSection(7, 5, &bits);
    ASSERT_TRUE(dib);
    std::copy(source.bits(), source.bits() + 7 * 5 * 4, bits);
    for (int i = 0; i < 7 * 5; ++i) bits[i * 4 + 3] = 0;  // GDI leaves alpha 0: opaque all the same

    CPicture taken;
    ASSERT_TRUE(taken.CreateFromHBITMAP(dib));
    DeleteObject(dib);
    EXPECT_EQ(taken.GetWidth(), 7u);
    EXPECT_FALSE(taken.hasAlpha());
    EXPECT_EQ(maxDifference(taken, source), 0);

    HBITMAP made = taken.MakeBitmap();
    ASSERT_TRUE(made);
    CPicture back;
    ASSERT_TRUE(back.CreateFromHBITMAP(made));
    DeleteObject(made);
    EXPECT_EQ(maxDifference(back, source), 0);

    CPicture empty;
    EXPECT_EQ(empty.MakeBitmap(), nullptr);
    EXPECT_FALSE(empty.CreateFromHBITMAP(nullptr));
}

TEST(PictureGdi, StretchDrawsTheResampledPictureIntoItsRectangle)
{
    // A thumbnail cell: a 200 x 100 picture drawn 100 x 50 at top 20 of a white 100 x 90 cell.
    uint8_t* bits = nullptr;
    HBITMAP cell = dibSection(100, 90, &bits);
    ASSERT_TRUE(cell);
    std::fill(bits, bits + 100 * 90 * 4, uint8_t{255});
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, cell);
    const CPicture pic = solid(200, 100, 10, 20, 200);
    ASSERT_TRUE(pic.Stretch(dc, 0, 20, 100, 50));
    GdiFlush();
    auto at = [&](int x, int y) { return bits + (y * 100 + x) * 4; };
    EXPECT_EQ(at(50, 10)[0], 255) << "above the picture stays white";
    EXPECT_EQ(at(50, 45)[0], 10);
    EXPECT_EQ(at(50, 45)[2], 200);
    EXPECT_EQ(at(99, 69)[1], 20);
    EXPECT_EQ(at(50, 70)[2], 255) << "below stays white";
    EXPECT_FALSE(pic.Stretch(dc, 0, 0, 0, 10));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(cell);
}

TEST(PictureGdi, MissingResourceLeavesAnInvalidPicture)
{
    CPicture pic = gradient(3, 3);
    EXPECT_FALSE(pic.LoadResource(L"JPEG", 32836, kFormatJpeg));
    EXPECT_FALSE(pic.IsValid());
}

#endif  // _WIN32
