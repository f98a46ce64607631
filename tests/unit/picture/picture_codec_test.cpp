// Round trips through the platform codecs, and what saved files carry.

#include <gtest/gtest.h>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/picture_splice.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

std::vector<uint8_t> encoded(const CPicture& pic, int format)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(pic.saveMemory(bytes, format)) << "format " << format;
    return bytes;
}

CPicture decoded(const std::vector<uint8_t>& bytes, int format = 0)
{
    CPicture pic;
    EXPECT_TRUE(pic.loadMemory(bytes.data(), bytes.size(), format));
    return pic;
}

// A display profile with a well-formed header and no tags, padded with a pattern to n bytes:
// what matters is that the bytes come back unchanged.
std::vector<uint8_t> fakeProfile(size_t n)
{
    std::vector<uint8_t> icc(n);
    for (size_t i = 132; i < n; ++i) icc[i] = static_cast<uint8_t>(i * 7 + 3);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) icc[at + k] = static_cast<uint8_t>(v >> (24 - 8 * k));
    };
    put32(0, static_cast<uint32_t>(n));
    put32(8, 0x02100000);
    put32(12, 0x6D6E7472);                                                // 'mntr'
    put32(16, 0x52474220);                                                // 'RGB '
    put32(20, 0x58595A20);                                                // 'XYZ '
    put32(36, 0x61637370);                                                // 'acsp'
    put32(68, 0x0000F6D6), put32(72, 0x00010000), put32(76, 0x0000D32D);  // D50
    put32(128, 0);                                                        // no tags
    return icc;
}

}  // namespace

TEST(PictureCodec, LosslessFormatsComeBackExactly)
{
    const CPicture source = gradient(61, 37);
    for (int format : {kFormatPng, kFormatBmp}) {
        CPicture back = decoded(encoded(source, format));
        ASSERT_TRUE(back.IsValid()) << format;
        EXPECT_EQ(back.sourceFormat(), format);
        EXPECT_EQ(back.GetWidth(), 61u);
        EXPECT_EQ(back.GetHeight(), 37u);
        EXPECT_EQ(maxDifference(back, source), 0) << format;
    }
}

TEST(PictureCodec, PngKeepsAlpha)
{
    CPicture source = gradient(20, 10);
    std::vector<uint8_t> px(source.bits(), source.bits() + 20 * 10 * 4);
    for (size_t i = 3; i < px.size(); i += 4) px[i] = static_cast<uint8_t>(i % 256);
    ASSERT_TRUE(source.setPixels(20, 10, px));
    CPicture back = decoded(encoded(source, kFormatPng));
    EXPECT_TRUE(back.hasAlpha());
    EXPECT_EQ(maxDifference(back, source), 0);
}

TEST(PictureCodec, JpegComesBackCloseAndAtTheSameSize)
{
    const CPicture source = gradient(160, 90);
    CPicture back = decoded(encoded(source, kFormatJpeg));
    ASSERT_TRUE(back.IsValid());
    EXPECT_EQ(back.sourceFormat(), kFormatJpeg);
    EXPECT_EQ(back.GetWidth(), 160u);
    EXPECT_LT(meanDifference(back, source), 2.0);
}

TEST(PictureCodec, GifUsesThePicturesOwnColoursExactlyWhenFewEnough)
{
    // 200 distinct colours fit a palette exactly; a gradient of thousands gets a close one.
    std::vector<uint8_t> px(20 * 10 * 4);
    for (size_t i = 0; i < 200; ++i)
        px[i * 4] = static_cast<uint8_t>(i), px[i * 4 + 1] = 17, px[i * 4 + 2] = static_cast<uint8_t>(255 - i),
               px[i * 4 + 3] = 255;
    CPicture few;
    ASSERT_TRUE(few.setPixels(20, 10, px));
    EXPECT_EQ(maxDifference(decoded(encoded(few, kFormatGif)), few), 0);

    const CPicture many = gradient(120, 80);
    CPicture back = decoded(encoded(many, kFormatGif));
    ASSERT_TRUE(back.IsValid());
    EXPECT_EQ(back.sourceFormat(), kFormatGif);
    EXPECT_LT(meanDifference(back, many), 4.0);
    EXPECT_LE(maxDifference(back, many), 40);
}

TEST(PictureCodec, GifKeepsTransparency)
{
    CPicture pic = solid(8, 8, 0, 0, 255);
    std::vector<uint8_t> px(pic.bits(), pic.bits() + 8 * 8 * 4);
    for (size_t i = 0; i < 4 * 8; ++i) px[i * 4 + 3] = 0;  // the upper half transparent
    ASSERT_TRUE(pic.setPixels(8, 8, px));
    CPicture back = decoded(encoded(pic, kFormatGif));
    EXPECT_EQ(pixelAt(back, 3, 1)[3], 0);
    EXPECT_EQ(pixelAt(back, 3, 6)[3], 255);
    EXPECT_EQ(pixelAt(back, 3, 6)[2], 255);
}

TEST(PictureCodec, SavedJpegHasQuality90ByDefaultAndNoExif)
{
    const CPicture source = gradient(300, 200);
    CPicture q90 = source;
    CPicture q50 = source;
    q50.setJpegQuality(50);
    const std::vector<uint8_t> a = encoded(q90, kFormatJpeg);
    const std::vector<uint8_t> b = encoded(q50, kFormatJpeg);
    if (!runningUnderWine()) {
        EXPECT_GT(a.size(), b.size()) << "quality 50 makes a smaller file";
    }
    q90.setJpegQuality(90);
    EXPECT_EQ(encoded(q90, kFormatJpeg).size(), a.size());
    EXPECT_FALSE(jpegHasAppSegment(a.data(), a.size(), 1)) << "no EXIF in saved photos";
}

TEST(PictureCodec, ProfileSurvivesIntoJpegAndPng)
{
    for (size_t n : {size_t{3144}, size_t{150000}}) {  // the second needs three APP2 segments
        CPicture pic = gradient(40, 30);
        pic.setIccProfile(fakeProfile(n));
        for (int format : {kFormatJpeg, kFormatPng}) {
            CPicture back = decoded(encoded(pic, format));
            EXPECT_EQ(back.iccProfile(), pic.iccProfile()) << "format " << format << ", " << n << " bytes";
        }
    }
}

TEST(PictureCodec, AProfileThatPngRefusesIsDroppedRatherThanThePicture)
{
    CPicture pic = gradient(8, 8);
    pic.setIccProfile(std::vector<uint8_t>(500, 0x55));
    CPicture back = decoded(encoded(pic, kFormatPng));
    EXPECT_EQ(back.GetWidth(), 8u);
}

TEST(PictureCodec, UnwritableFormatsAndEmptyPicturesAreRefused)
{
    CPicture empty;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(empty.saveMemory(bytes, kFormatJpeg));
    const CPicture pic = gradient(4, 4);
    for (int format : {0, 6, 7, 10, 99}) EXPECT_FALSE(pic.saveMemory(bytes, format));
    EXPECT_FALSE(pic.Save("/nonexistent-folder/x/y.jpg", kFormatJpeg));
}

TEST(PictureCodec, ContentDecidesOverTheCodeFromTheName)
{
    const std::vector<uint8_t> png = encoded(gradient(10, 10), kFormatPng);
    CPicture pic;
    EXPECT_TRUE(pic.loadMemory(png.data(), png.size(), kFormatJpeg));
    EXPECT_EQ(pic.sourceFormat(), kFormatPng);
}

TEST(PictureCodec, FilesRoundTripWithUtf8Paths)
{
    const std::string path = std::string(::testing::TempDir()) + "bild-\xC3\xBC" + "ber.jpg";
    const CPicture pic = gradient(33, 21);
    ASSERT_TRUE(pic.Save(path, kFormatJpeg));
    CPicture back(path, formatCodeOf(path));
    EXPECT_TRUE(back.IsValid());
    EXPECT_EQ(back.GetWidth(), 33u);
    removeFile(path);
    CPicture missing(path, kFormatJpeg);
    EXPECT_FALSE(missing.IsValid());
}

TEST(PictureCodec, SplicedProfileAndTransparencyAreReadBack)
{
    CPicture pic = gradient(16, 16);
    const std::vector<uint8_t> png = encoded(pic, kFormatPng);
    ASSERT_FALSE(pngHasChunk(png.data(), png.size(), "iCCP"));
    const std::vector<uint8_t> icc = fakeProfile(70000);  // two stored blocks
    std::vector<uint8_t> withProfile;
    ASSERT_TRUE(insertPngIccProfile(png, icc, withProfile));
    EXPECT_FALSE(insertPngIccProfile(withProfile, icc, withProfile)) << "never two profiles";
    CPicture back = decoded(withProfile);
    EXPECT_EQ(back.iccProfile(), icc);
    EXPECT_EQ(maxDifference(back, pic), 0);

    const CPicture opaque = solid(6, 6, 0, 255, 0);
    const std::vector<uint8_t> gif = encoded(opaque, kFormatGif);
    std::vector<uint8_t> withTransparency;
    ASSERT_TRUE(insertGifTransparency(gif, 0, withTransparency));
    CPicture clear = decoded(withTransparency);
    EXPECT_EQ(pixelAt(clear, 2, 2)[3], 0);
    EXPECT_FALSE(insertGifTransparency(withTransparency, 0, withTransparency));
}
