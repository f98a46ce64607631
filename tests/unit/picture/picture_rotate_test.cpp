#include <gtest/gtest.h>

#include "picture/picture.h"
#include "picture/rotate.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

// A 3 x 5 picture whose every pixel is told apart by its blue and green values (x, y).
CPicture labelled()
{
    std::vector<uint8_t> px(3 * 5 * 4);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 3; ++x) {
            uint8_t* p = &px[(y * 3 + x) * 4];
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = 7, p[3] = 255;
        }
    CPicture pic;
    pic.setPixels(3, 5, px);
    return pic;
}

// Source coordinates of destination pixel (x, y) after turning a w x h picture clockwise.
std::pair<uint32_t, uint32_t> sourceOf(int quarterTurns, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    switch (quarterTurns) {
    case 1: return {y, h - 1 - x};
    case 2: return {w - 1 - x, h - 1 - y};
    case 3: return {w - 1 - y, x};
    default: return {x, y};
    }
}

}  // namespace

TEST(PictureRotate, OddSizeInAllFourDirections)
{
    for (float angle : {0.0f, 90.0f, 180.0f, 270.0f, -90.0f, -180.0f, -270.0f, 360.0f}) {
        CPicture pic = labelled();
        ASSERT_TRUE(pic.Rotate(angle)) << angle;
        const int turns = ((static_cast<int>(angle) / 90) % 4 + 4) % 4;
        const bool swapped = turns % 2 == 1;
        ASSERT_EQ(pic.GetWidth(), swapped ? 5u : 3u) << angle;
        ASSERT_EQ(pic.GetHeight(), swapped ? 3u : 5u) << angle;
        for (uint32_t y = 0; y < pic.GetHeight(); ++y)
            for (uint32_t x = 0; x < pic.GetWidth(); ++x) {
                auto [sx, sy] = sourceOf(turns, x, y, 3, 5);
                EXPECT_EQ(pixelAt(pic, x, y)[0], sx) << angle << " at " << x << "," << y;
                EXPECT_EQ(pixelAt(pic, x, y)[1], sy) << angle << " at " << x << "," << y;
            }
    }
}

TEST(PictureRotate, RefusesOtherAnglesAndCanWriteElsewhere)
{
    CPicture pic = labelled();
    EXPECT_FALSE(pic.Rotate(45.0f));
    EXPECT_FALSE(pic.Rotate(std::numeric_limits<float>::quiet_NaN()));
    CPicture turned;
    ASSERT_TRUE(pic.Rotate(90.0f, &turned));
    EXPECT_EQ(pic.GetWidth(), 3u);
    EXPECT_EQ(turned.GetWidth(), 5u);
    CPicture empty;
    EXPECT_FALSE(empty.Rotate(90.0f));
}

TEST(PictureRotate, EveryOrientationAgreesWithItsDefinition)
{
    // Orientation 5 is a mirror then a left turn, 7 a mirror then a right turn: check each of
    // the eight against pixel-by-pixel definitions on a 3 x 5 picture.
    CPicture pic = labelled();
    const uint32_t w = 3, h = 5;
    for (int o = 1; o <= 8; ++o) {
        std::vector<uint8_t> out;
        ASSERT_TRUE(orientPixels(pic.bits(), w, h, static_cast<Orientation>(o), out));
        const bool swap = o >= 5;
        const uint32_t ow = swap ? h : w, oh = swap ? w : h;
        for (uint32_t y = 0; y < oh; ++y)
            for (uint32_t x = 0; x < ow; ++x) {
                uint32_t sx = x, sy = y;
                switch (o) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x, sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y, sy = x; break;
                case 6: sx = y, sy = h - 1 - x; break;
                case 7: sx = w - 1 - y, sy = h - 1 - x; break;
                case 8: sx = w - 1 - y, sy = x; break;
                }
                const uint8_t* p = &out[(y * ow + x) * 4];
                EXPECT_EQ(p[0], sx) << "orientation " << o;
                EXPECT_EQ(p[1], sy) << "orientation " << o;
            }
    }
}

TEST(PictureRotate, LargePictureTurnsBackToItself)
{
    CPicture pic = gradient(301, 77);
    CPicture copy = pic;
    ASSERT_TRUE(pic.Rotate(90.0f));
    ASSERT_TRUE(pic.Rotate(-270.0f));  // the same direction again: 180 in all
    ASSERT_TRUE(pic.Rotate(180.0f));
    EXPECT_EQ(maxDifference(pic, copy), 0);
}
