// The bars' pieces that are ours: the faded picture of a disabled button.

#include <gtest/gtest.h>

#include "base/dib_format_win.h"
#include "paint_probe.h"
#include "winui/bars.h"

namespace {

// A 4 x 4 icon of one colour, opaque.
winui::UniqueIcon solidIcon(COLORREF colour)
{
    PaintProbe cell(4, 4, colour);
    const BITMAPINFO format = topDownDibFormat(4, 4);
    void* bits = nullptr;
    winui::UniqueBitmap color(CreateDIBSection(cell.dc(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < 16; ++i)
        pixels[i] = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    winui::UniqueBitmap mask(CreateBitmap(4, 4, 1, 1, nullptr));
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    return winui::UniqueIcon(CreateIconIndirect(&info));
}

TEST(FadedIcon, DisabledPictureIsALightGreyHalfSeeThrough)
{
    winui::UniqueIcon red = solidIcon(RGB(200, 0, 0));
    ASSERT_TRUE(red);
    winui::UniqueIcon faded = winui::fadedIcon(red.get());
    ASSERT_TRUE(faded);
    PaintProbe onBlack(4, 4, RGB(0, 0, 0));
    DrawIconEx(onBlack.dc(), 0, 0, faded.get(), 4, 4, 0, nullptr, DI_NORMAL);
    const COLORREF seen = onBlack.at(2, 2);
    EXPECT_EQ(GetRValue(seen), GetGValue(seen));  // grey, no longer red
    EXPECT_EQ(GetGValue(seen), GetBValue(seen));
    EXPECT_GT(GetRValue(seen), 40);  // light grey at half strength over black
    EXPECT_LT(GetRValue(seen), 110);

    PaintProbe onWhite(4, 4, RGB(255, 255, 255));
    DrawIconEx(onWhite.dc(), 0, 0, faded.get(), 4, 4, 0, nullptr, DI_NORMAL);
    EXPECT_GT(GetRValue(onWhite.at(2, 2)), 180);
}

}  // namespace
