#include <algorithm>

#include <gtest/gtest.h>

#include "picture/picture.h"
#include "picture/resample.h"
#include "picture_test_util.h"

using namespace picture_test;

TEST(PictureResample, MakesExactlyTheAskedSizeAndKeepsAConstantPictureConstant)
{
    for (auto [w, h] : {std::pair{1u, 1u}, {7u, 3u}, {150u, 112u}, {1024u, 768u}, {2000u, 1u}}) {
        CPicture pic = solid(640, 480, 10, 128, 250);
        ASSERT_TRUE(pic.Resample2(w, h));
        EXPECT_EQ(pic.GetWidth(), w);
        EXPECT_EQ(pic.GetHeight(), h);
        ASSERT_EQ(pic.bufferWidth(), w);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint8_t* p = pixelAt(pic, x, y);
                ASSERT_EQ(p[0], 10);
                ASSERT_EQ(p[1], 128);
                ASSERT_EQ(p[2], 250);
                ASSERT_EQ(p[3], 255);
            }
    }
}

TEST(PictureResample, RefusesEmptyAndZeroSizes)
{
    CPicture empty;
    EXPECT_FALSE(empty.Resample2(10, 10));
    CPicture pic = solid(4, 4, 0, 0, 0);
    EXPECT_FALSE(pic.Resample2(0, 10));
    EXPECT_FALSE(pic.Resample2(10, 0));
    EXPECT_FALSE(pic.Resample2(0xFFFFFFFFu, 0xFFFFFFFFu));  // a negative size passed as unsigned
    EXPECT_EQ(pic.GetWidth(), 4u);
}

TEST(PictureResample, ShrinkingACheckerboardAveragesToGrey)
{
    // One-pixel black and white squares: a plain cubic would alias into stripes at any shrink.
    std::vector<uint8_t> px(256 * 256 * 4);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            const uint8_t v = ((x + y) & 1) ? 255 : 0;
            uint8_t* p = &px[(y * 256 + x) * 4];
            p[0] = p[1] = p[2] = v, p[3] = 255;
        }
    CPicture board;
    ASSERT_TRUE(board.setPixels(256, 256, px));
    for (uint32_t side : {128u, 100u, 37u}) {
        CPicture small;
        ASSERT_TRUE(board.Resample2(side, side, kInterpolationBicubic2, kOverflowRepeat, &small));
        EXPECT_EQ(board.GetWidth(), 256u) << "the source stays as it was";
        // Inside, every output pixel is grey; at the border the repeated edge pixel tips the
        // balance a little.
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x) {
                const bool border = x < 3 || y < 3 || x + 3 >= side || y + 3 >= side;
                ASSERT_NEAR(pixelAt(small, x, y)[1], 128, border ? 10 : 2) << side << " " << x << "," << y;
            }
    }
}

TEST(PictureResample, StaysWithinTheRingingOfACubicAtHardEdges)
{
    // A black-white step, enlarged and shrunk: a = -0.5 overshoots by at most about 7%; values
    // are clamped, and far from the edge nothing moves.
    std::vector<uint8_t> px(40 * 40 * 4);
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 40; ++x) {
            uint8_t* p = &px[(y * 40 + x) * 4];
            p[0] = p[1] = p[2] = x < 20 ? 40 : 200, p[3] = 255;
        }
    for (uint32_t side : {160u, 17u}) {
        CPicture step;
        ASSERT_TRUE(step.setPixels(40, 40, px));
        ASSERT_TRUE(step.Resample2(side, side));
        int lo = 255, hi = 0;
        for (uint32_t x = 0; x < side; ++x) {
            lo = std::min<int>(lo, pixelAt(step, x, side / 2)[0]);
            hi = std::max<int>(hi, pixelAt(step, x, side / 2)[0]);
        }
        EXPECT_GE(lo, 40 - 12) << side;
        EXPECT_LE(hi, 200 + 12) << side;
        EXPECT_EQ(pixelAt(step, 0, 0)[0], 40);
        EXPECT_EQ(pixelAt(step, side - 1, 0)[0], 200);
    }
}

TEST(PictureResample, TransparentNeighboursDoNotDarkenAnEdge)
{
    // Opaque red beside fully transparent black: premultiplied filtering keeps the colour red
    // wherever there is any coverage; only alpha fades.
    std::vector<uint8_t> px(64 * 8 * 4, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            uint8_t* p = &px[(y * 64 + x) * 4];
            p[2] = 255, p[3] = 255;
        }
    CPicture pic;
    ASSERT_TRUE(pic.setPixels(64, 8, px));
    ASSERT_TRUE(pic.hasAlpha());
    ASSERT_TRUE(pic.Resample2(21, 3));
    bool sawPartial = false;
    for (uint32_t x = 0; x < 21; ++x) {
        const uint8_t* p = pixelAt(pic, x, 1);
        if (p[3] == 0) continue;
        sawPartial = sawPartial || p[3] < 250;
        EXPECT_GE(p[2], 250) << x;
        EXPECT_LE(p[1], 5) << x;
    }
    EXPECT_TRUE(sawPartial);
}

TEST(PictureResample, WithoutAveragingAShrinkSamplesInsteadOfAveraging)
{
    std::vector<uint8_t> px(64 * 1 * 4);
    for (uint32_t x = 0; x < 64; ++x) px[x * 4] = px[x * 4 + 1] = px[x * 4 + 2] = (x % 4 == 1) ? 255 : 0, px[x * 4 + 3] = 255;
    CPicture lines, averaged, sampled;
    ASSERT_TRUE(lines.setPixels(64, 1, px));
    ASSERT_TRUE(lines.Resample2(16, 1, 5, 5, &averaged, true));
    ASSERT_TRUE(lines.Resample2(16, 1, 5, 5, &sampled, false));
    EXPECT_NEAR(pixelAt(averaged, 8, 0)[0], 64, 4);   // a quarter of the pixels are white
    EXPECT_GT(pixelAt(sampled, 8, 0)[0], 120);        // the kernel sees only the nearest taps
}

TEST(PictureResample, CubicKernelShape)
{
    EXPECT_DOUBLE_EQ(cubicKernel(0.0), 1.0);
    EXPECT_DOUBLE_EQ(cubicKernel(1.0), 0.0);
    EXPECT_DOUBLE_EQ(cubicKernel(2.0), 0.0);
    EXPECT_LT(cubicKernel(1.5), 0.0);
    EXPECT_DOUBLE_EQ(cubicKernel(-0.5), cubicKernel(0.5));
}
