#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

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
    for (uint32_t x = 0; x < 64; ++x)
        px[x * 4] = px[x * 4 + 1] = px[x * 4 + 2] = (x % 4 == 1) ? 255 : 0, px[x * 4 + 3] = 255;
    CPicture lines, averaged, sampled;
    ASSERT_TRUE(lines.setPixels(64, 1, px));
    ASSERT_TRUE(lines.Resample2(16, 1, 5, 5, &averaged, true));
    ASSERT_TRUE(lines.Resample2(16, 1, 5, 5, &sampled, false));
    EXPECT_NEAR(pixelAt(averaged, 8, 0)[0], 64, 4);  // a quarter of the pixels are white
    EXPECT_GT(pixelAt(sampled, 8, 0)[0], 120);       // the kernel sees only the nearest taps
}

TEST(PictureResample, CubicKernelShape)
{
    EXPECT_DOUBLE_EQ(cubicKernel(0.0), 1.0);
    EXPECT_DOUBLE_EQ(cubicKernel(1.0), 0.0);
    EXPECT_DOUBLE_EQ(cubicKernel(2.0), 0.0);
    EXPECT_LT(cubicKernel(1.5), 0.0);
    EXPECT_DOUBLE_EQ(cubicKernel(-0.5), cubicKernel(0.5));
}

namespace {

// The resize worked out plainly in double precision: every output pixel a weighted sum over a
// window of the source, samples beyond the border repeating the edge, colour weighted by alpha.
std::vector<uint8_t> plainResize(const std::vector<uint8_t>& src, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh,
                                 bool averaging)
{
    const auto axis = [averaging](uint32_t from, uint32_t to) {
        const double scale = static_cast<double>(to) / from;
        const double stretch = averaging && scale < 1.0 ? 1.0 / scale : 1.0;
        std::vector<std::vector<double>> weights(to, std::vector<double>(from, 0.0));
        for (uint32_t i = 0; i < to; ++i) {
            const double center = (i + 0.5) / scale - 0.5;
            double sum = 0.0;
            for (auto j = static_cast<int64_t>(std::ceil(center - 2 * stretch));
                 j <= static_cast<int64_t>(std::floor(center + 2 * stretch)); ++j) {
                const double k = cubicKernel((static_cast<double>(j) - center) / stretch);
                weights[i][static_cast<size_t>(std::clamp<int64_t>(j, 0, from - 1))] += k;
                sum += k;
            }
            for (double& w : weights[i]) w /= sum;
        }
        return weights;
    };
    const auto across = axis(sw, dw), down = axis(sh, dh);
    std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * 4);
    for (uint32_t y = 0; y < dh; ++y)
        for (uint32_t x = 0; x < dw; ++x) {
            double sum[4] = {};
            for (uint32_t v = 0; v < sh; ++v)
                for (uint32_t u = 0; u < sw; ++u) {
                    const double w = down[y][v] * across[x][u];
                    if (w == 0.0) continue;
                    const uint8_t* p = &src[(static_cast<size_t>(v) * sw + u) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += w * p[c] * p[3] / 255.0;
                    sum[3] += w * p[3];
                }
            uint8_t* o = &out[(static_cast<size_t>(y) * dw + x) * 4];
            const double a = std::clamp(sum[3], 0.0, 255.0);
            if (a < 0.5) continue;
            for (int c = 0; c < 3; ++c) o[c] = static_cast<uint8_t>(std::clamp(sum[c] * 255.0 / a, 0.0, 255.0) + 0.5);
            o[3] = static_cast<uint8_t>(a + 0.5);
        }
    return out;
}

}  // namespace

TEST(PictureResample, EveryShrinkAndEnlargementIsWithinOneLevelOfThePlainSum)
{
    // Noise and hard stripes; sides that are not multiples of four, windows of every width
    // (enlarging, shrinking a little, by two, by far more, by thousands), with and without alpha,
    // rows fed in bands of three.
    uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const struct {
        uint32_t sw, sh, dw, dh;
    } sizes[] = {{61, 43, 41, 29}, {64, 48, 32, 24}, {97, 90, 7, 9},   {13, 11, 40, 31},
                 {50, 1, 17, 1},   {1, 30, 1, 70},   {200, 9, 199, 4}, {20000, 1, 7, 1}};
    for (const auto& s : sizes)
        for (const int content : {0, 1, 2, 3})  // noise or stripes; with or without alpha
            for (const bool averaging : {true, false}) {
                const bool alpha = content % 2 == 1;
                std::vector<uint8_t> src(static_cast<size_t>(s.sw) * s.sh * 4);
                for (size_t i = 0; i < src.size(); ++i)
                    src[i] = content < 2 ? static_cast<uint8_t>(next()) : (i / 4 % s.sw / 7 % 2 ? 255 : 0);
                for (size_t i = 3; i < src.size(); i += 4) src[i] = alpha ? (next() % 3 == 0 ? 0 : src[i]) : 255;
                std::vector<uint8_t> made(static_cast<size_t>(s.dw) * s.dh * 4);
                RowResampler r;
                ASSERT_TRUE(r.start(s.sw, s.sh, s.dw, s.dh, averaging, alpha, [&](const uint8_t* row, uint32_t y) {
                    std::copy(row, row + s.dw * 4, made.begin() + static_cast<ptrdiff_t>(y) * s.dw * 4);
                    return true;
                }));
                for (uint32_t y = 0; y < s.sh; y += 3)
                    ASSERT_TRUE(r.push(&src[static_cast<size_t>(y) * s.sw * 4], std::min(3u, s.sh - y)));
                ASSERT_TRUE(r.finished());
                const std::vector<uint8_t> plain = plainResize(src, s.sw, s.sh, s.dw, s.dh, averaging);
                int worst = 0;
                for (size_t i = 0; i < made.size(); ++i) worst = std::max(worst, std::abs(made[i] - plain[i]));
                EXPECT_LE(worst, 1) << s.sw << "x" << s.sh << " to " << s.dw << "x" << s.dh << " content " << content
                                    << (averaging ? " averaging" : "");
            }
}
