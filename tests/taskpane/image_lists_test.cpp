// Ordinal 4 in pixels: the strip (data/strip24.bmp, three 4 x 4 images with magenta on each
// diagonal and one row of (201, 99, 13) in image 1) as a list with its mask, a dimmed list and
// a disabled list; and the strips and arguments it refuses.

#include "sidefold_host.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBackground = RGB(1, 2, 3);

// One image of a list drawn on the background, read back pixel by pixel.
class Drawn {
public:
    Drawn(HIMAGELIST list, int index)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 4;
        info.bmiHeader.biHeight = -4;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < 16; ++i) bits_[i] = 0x010203;  // kBackground
        ImageList_Draw(list, index, dc_, 0, 0, ILD_TRANSPARENT);
        GdiFlush();
    }
    ~Drawn()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF at(int x, int y) const
    {
        const DWORD p = bits_[y * 4 + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

}  // namespace

TEST(ImageLists, TheStripWithItsMaskAndTheDimmedAndDisabledLists)
{
    int count = -1, height = -1;
    HIMAGELIST disabled = nullptr, dimmed = nullptr;
    HIMAGELIST list =
        sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, &count, &height, &disabled, &dimmed);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(disabled, nullptr);
    ASSERT_NE(dimmed, nullptr);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(height, 4);
    EXPECT_EQ(ImageList_GetImageCount(list), 3);
    int w = 0, h = 0;
    ImageList_GetIconSize(dimmed, &w, &h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 4);

    for (HIMAGELIST l : {list, disabled, dimmed}) {
        for (int image = 0; image < 3; ++image) {
            const Drawn d(l, image);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(d.at(i, i), kBackground) << "magenta is transparent everywhere";
        }
    }
    const Drawn normal(list, 1), dark(dimmed, 1), grey(disabled, 1);
    EXPECT_EQ(normal.at(0, 1), RGB(201, 99, 13));
    EXPECT_EQ(normal.at(1, 0), RGB(90, 180, 30));
    // x 0.8, truncating: 160.8, 79.2, 10.4.
    EXPECT_EQ(dark.at(0, 1), RGB(160, 79, 10));
    EXPECT_EQ(dark.at(1, 0), RGB(72, 144, 24));
    // (19661 R + 38666 G + 7209 B) >> 16: (3951861 + 3827934 + 93717) >> 16 = 120.
    EXPECT_EQ(grey.at(0, 1), RGB(120, 120, 120));
    // 90, 180, 30: (1769490 + 6959880 + 216270) >> 16 = 136.
    EXPECT_EQ(grey.at(1, 0), RGB(136, 136, 136));

    ImageList_Destroy(list);
    ImageList_Destroy(disabled);
    ImageList_Destroy(dimmed);
}

TEST(ImageLists, OptionalOutputsMayBeLeftOut)
{
    int count = 0;
    HIMAGELIST list = sidefold().imageLists(testModule(), IDB_STRIP24, 6, kMagenta, &count, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    ImageList_Destroy(list);
}

TEST(ImageLists, RefusedStripsClearEveryOutput)
{
    auto refused = [](HINSTANCE module, UINT id, int width) {
        int count = 55, height = 66;
        auto junk = reinterpret_cast<HIMAGELIST>(static_cast<intptr_t>(0x1234));
        HIMAGELIST disabled = junk, dimmed = junk;
        HIMAGELIST list = sidefold().imageLists(module, id, width, kMagenta, &count, &height, &disabled, &dimmed);
        const bool cleared = count == 0 && height == 0 && !disabled && !dimmed;
        if (list) ImageList_Destroy(list);
        return list == nullptr && cleared;
    };
    EXPECT_TRUE(refused(testModule(), IDB_STRIP24, 5)) << "a width that does not divide the strip";
    EXPECT_TRUE(refused(testModule(), IDB_STRIP24, 0)) << "no width";
    EXPECT_TRUE(refused(testModule(), IDB_STRIP24, -4)) << "a negative width";
    EXPECT_TRUE(refused(testModule(), IDB_STRIP8, 4)) << "8 bits per pixel";
    EXPECT_TRUE(refused(testModule(), 9999, 4)) << "no such bitmap";
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, nullptr, nullptr, nullptr, nullptr),
              nullptr)
        << "the count is required";
}

TEST(ImageLists, OutputPointersThatCannotBeWrittenFailTheCallNotTheHost)
{
    // An address in the first page of the address space is never writable.
    int* bad = reinterpret_cast<int*>(static_cast<intptr_t>(16));
    auto* badList = reinterpret_cast<HIMAGELIST*>(static_cast<intptr_t>(16));
    static const int readOnly = 0;
    int count = 55, height = 66;
    HIMAGELIST disabled = nullptr, dimmed = nullptr;
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, bad, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, const_cast<int*>(&readOnly), nullptr,
                                    nullptr, nullptr),
              nullptr);
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, &count, bad, nullptr, nullptr), nullptr);
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, &count, &height, badList, &dimmed),
              nullptr);
    EXPECT_EQ(sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, &count, &height, &disabled, badList),
              nullptr);
    EXPECT_EQ(readOnly, 0);
    // The good ones still work.
    HIMAGELIST list =
        sidefold().imageLists(testModule(), IDB_STRIP24, 4, kMagenta, &count, &height, &disabled, &dimmed);
    ASSERT_NE(list, nullptr);
    EXPECT_NE(disabled, nullptr);
    EXPECT_NE(dimmed, nullptr);
    for (HIMAGELIST l : {list, disabled, dimmed}) ImageList_Destroy(l);
}
