// Loading as callers rely on it: EXIF orientation, size hints, the fit arithmetic of the build,
// and bad input.

#include <gtest/gtest.h>

#include <random>

#include "picture/picture.h"
#include "picture/rotate.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

// Photo-like: gradients, noise and some sharp detail.
CPicture photo(uint32_t width, uint32_t height, uint32_t seed = 1)
{
    CPicture pic = gradient(width, height);
    std::vector<uint8_t> px(pic.bits(), pic.bits() + static_cast<size_t>(width) * height * 4);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < px.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            px[i + c] = static_cast<uint8_t>(std::clamp<int>(px[i + c] + int(rng() % 17) - 8, 0, 255));
    }
    for (uint32_t y = height / 3; y < height / 3 + 3; ++y)
        for (uint32_t x = 0; x < width; ++x) px[(static_cast<size_t>(y) * width + x) * 4 + 1] = 255;
    pic.setPixels(width, height, std::move(px));
    return pic;
}

std::vector<uint8_t> jpegOf(const CPicture& pic)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(pic.saveMemory(bytes, kFormatJpeg));
    return bytes;
}

// Splices an APP1 EXIF segment with only an orientation tag in after SOI.
std::vector<uint8_t> withOrientation(std::vector<uint8_t> jpeg, int orientation, bool bigEndian)
{
    std::vector<uint8_t> tiff =
        bigEndian
            ? std::vector<uint8_t>{'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                                   0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, static_cast<uint8_t>(orientation),
                                   0,    0,    0, 0,  0, 0}
            : std::vector<uint8_t>{
                  'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, static_cast<uint8_t>(orientation),
                  0,   0,   0,  0, 0, 0, 0};
    std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    segment[2] = static_cast<uint8_t>((segment.size() - 2) >> 8);
    segment[3] = static_cast<uint8_t>((segment.size() - 2) & 0xFF);
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// Quadrants red, green / blue, white: every turn and mirror moves them somewhere else.
CPicture quadrants()
{
    std::vector<uint8_t> px(64 * 32 * 4);
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            uint8_t* p = &px[(y * 64 + x) * 4];
            const int q = (y >= 16) * 2 + (x >= 32);
            const uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
            p[0] = colours[q][0], p[1] = colours[q][1], p[2] = colours[q][2], p[3] = 255;
        }
    CPicture pic;
    pic.setPixels(64, 32, std::move(px));
    return pic;
}

void fitPhoto(CPicture& pic, uint32_t boxW, uint32_t boxH)
{
    uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    if (w > boxW) {
        ASSERT_TRUE(pic.Resample2(boxW, h * boxW / w));
        w = pic.GetWidth(), h = pic.GetHeight();
    }
    if (h > boxH) {
        ASSERT_TRUE(pic.Resample2(w * boxH / h, boxH));
    }
}

}  // namespace

TEST(PictureLoad, ExifOrientationIsAppliedForAllEight)
{
    const CPicture stored = quadrants();
    const std::vector<uint8_t> plain = jpegOf(stored);
    for (int o = 1; o <= 8; ++o) {
        std::vector<uint8_t> expectedPixels;
        ASSERT_TRUE(orientPixels(stored.bits(), 64, 32, static_cast<Orientation>(o), expectedPixels));
        const uint32_t w = o >= 5 ? 32 : 64, h = o >= 5 ? 64 : 32;
        CPicture expected;
        ASSERT_TRUE(expected.setPixels(w, h, expectedPixels));
        for (bool bigEndian : {false, true}) {
            const std::vector<uint8_t> bytes = withOrientation(plain, o, bigEndian);
            CPicture pic;
            ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size())) << o;
            ASSERT_EQ(pic.GetWidth(), w) << "orientation " << o;
            ASSERT_EQ(pic.GetHeight(), h) << "orientation " << o;
            // Centres of the four quadrants, away from JPEG's blurred borders.
            for (auto [x, y] :
                 {std::pair{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}}) {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_NEAR(pixelAt(pic, x, y)[c], pixelAt(expected, x, y)[c], 12) << "orientation " << o;
                }
            }
        }
    }
}

TEST(PictureLoad, UserRotationAppliesOnTopOfExif)
{
    const std::vector<uint8_t> bytes = withOrientation(jpegOf(quadrants()), 6, false);
    CPicture pic;
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size()));
    ASSERT_TRUE(pic.Rotate(-90.0f));  // the camera's turn undone: as stored
    EXPECT_EQ(pic.GetWidth(), 64u);
    EXPECT_GT(pixelAt(pic, 8, 8)[2], 200);  // red top left again
    EXPECT_LT(pixelAt(pic, 8, 8)[1], 60);
}

TEST(PictureLoad, MalformedExifLeavesThePictureAsStored)
{
    std::vector<uint8_t> bytes = withOrientation(jpegOf(quadrants()), 9, false);  // out of range
    CPicture pic;
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(pic.GetWidth(), 64u);
    bytes = withOrientation(jpegOf(quadrants()), 6, false);
    bytes[2 + 4 + 6 + 4] = 0xFF;  // IFD offset far past the segment
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(pic.GetWidth(), 64u);
}

TEST(PictureLoad, HintedLoadGivesTheSameSizesAndNearlyTheSamePixels)
{
    const std::vector<uint8_t> bytes = jpegOf(photo(1600, 1200));
    CPicture full, hinted;
    ASSERT_TRUE(full.loadMemory(bytes.data(), bytes.size()));
    ASSERT_TRUE(hinted.loadMemory(bytes.data(), bytes.size(), kFormatJpeg, PictureSizeHint::fitInto(400, 300)));
    EXPECT_EQ(hinted.GetWidth(), 1600u);
    EXPECT_EQ(hinted.GetHeight(), 1200u);
    EXPECT_EQ(full.bufferWidth(), 1600u);
    EXPECT_LT(hinted.bufferWidth(), 1600u) << "decoded at a reduced scale";
    EXPECT_GE(hinted.bufferWidth(), 400u);
    EXPECT_GE(hinted.bufferHeight(), 300u);
    ASSERT_TRUE(full.Resample2(400, 300));
    ASSERT_TRUE(hinted.Resample2(400, 300));
    // Tolerance: a DCT-scaled decode filters differently from our cubic; on this noisy picture
    // the two agree to about one level on average.
    EXPECT_LT(meanDifference(full, hinted), 2.0);
    EXPECT_LT(maxDifference(full, hinted), 40);
}

TEST(PictureLoad, HintModesPickTheSmallestSufficientScale)
{
    const std::vector<uint8_t> bytes = jpegOf(photo(1600, 1200));
    struct Case {
        PictureSizeHint hint;
        uint32_t bufferWidth;
    };
    for (const Case& c : {Case{PictureSizeHint::atLeast(200, 150), 200}, Case{PictureSizeHint::atLeast(201, 150), 400},
                          Case{PictureSizeHint::atLeast(401, 150), 800}, Case{PictureSizeHint::atLeast(801, 150), 1600},
                          Case{PictureSizeHint::fitInto(150, 0), 200}, Case{PictureSizeHint::fitInto(1024, 768), 1600},
                          Case{PictureSizeHint::fitInto(4000, 4000), 1600}, Case{{}, 1600}}) {
        CPicture pic;
        ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), 0, c.hint));
        EXPECT_EQ(pic.bufferWidth(), c.bufferWidth) << c.hint.width << "x" << c.hint.height;
    }
}

TEST(PictureLoad, HintIsTakenInTheOrientationAfterLoading)
{
    // Stored 1600 x 1200 and turned by EXIF: seen as 1200 x 1600. Fitting into 1024 x 768 gives
    // 576 x 768, which a half-size decode (600 x 800) still covers.
    const std::vector<uint8_t> bytes = withOrientation(jpegOf(photo(1600, 1200)), 6, true);
    CPicture pic;
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), 0, PictureSizeHint::fitInto(1024, 768)));
    EXPECT_EQ(pic.GetWidth(), 1200u);
    EXPECT_EQ(pic.GetHeight(), 1600u);
    EXPECT_EQ(pic.bufferWidth(), 600u);
    EXPECT_EQ(pic.bufferHeight(), 800u);
    fitPhoto(pic, 1024, 768);
    EXPECT_EQ(pic.GetWidth(), 576u);
    EXPECT_EQ(pic.GetHeight(), 768u);
}

TEST(PictureLoad, BuildFitArithmeticOnRealDecodedSizes)
{
    struct Case {
        uint32_t w, h, photoW, photoH, thumbW, thumbH;
    };
    for (const Case& c : {Case{4000, 3000, 1024, 768, 150, 112}, Case{3000, 4000, 576, 768, 150, 200}}) {
        const std::vector<uint8_t> bytes = jpegOf(solid(c.w, c.h, 90, 140, 190));
        for (PictureSizeHint hint : {PictureSizeHint{}, PictureSizeHint::fitInto(1024, 768)}) {
            CPicture pic;
            ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), 0, hint));
            EXPECT_EQ(pic.GetWidth(), c.w);
            fitPhoto(pic, 1024, 768);
            EXPECT_EQ(pic.GetWidth(), c.photoW);
            EXPECT_EQ(pic.GetHeight(), c.photoH);
            std::vector<uint8_t> saved;
            ASSERT_TRUE(pic.saveMemory(saved, kFormatJpeg));
            ASSERT_TRUE(pic.Resample2(150, pic.GetHeight() * 150 / pic.GetWidth()));
            EXPECT_EQ(pic.GetWidth(), c.thumbW);
            EXPECT_EQ(pic.GetHeight(), c.thumbH);
        }
    }
}

TEST(PictureLoad, SavingAHintedPictureWritesItsTrueSize)
{
    const std::vector<uint8_t> bytes = jpegOf(photo(800, 600));
    CPicture pic;
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), 0, PictureSizeHint::atLeast(100, 75)));
    ASSERT_LT(pic.bufferWidth(), 800u);
    std::vector<uint8_t> saved;
    ASSERT_TRUE(pic.saveMemory(saved, kFormatPng));
    CPicture back;
    ASSERT_TRUE(back.loadMemory(saved.data(), saved.size()));
    EXPECT_EQ(back.GetWidth(), 800u);
    EXPECT_EQ(back.bufferWidth(), 800u);
}

TEST(PictureLoad, FiftyMegapixelsWithAHintNeverDecodeAtFullSize)
{
    const std::vector<uint8_t> bytes = jpegOf(solid(8200, 6100, 30, 60, 90));
    CPicture pic;
    ASSERT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), 0, PictureSizeHint::fitInto(1024, 768)));
    EXPECT_EQ(pic.GetWidth(), 8200u);
    // Fitted 1024 x 761; an eighth (1025 x 763) still covers that.
    EXPECT_EQ(pic.bufferWidth(), 1025u);
    EXPECT_EQ(pic.bufferHeight(), 763u);
}
