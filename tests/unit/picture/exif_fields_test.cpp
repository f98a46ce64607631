// The camera's own account of a picture, read from its file's bytes: every field a camera writes,
// in either byte order, and nothing guessed from bytes that do not hold together.

#include "picture/exif_fields.h"

#include <gtest/gtest.h>

#include "support/exif_bytes.h"

using namespace exif_test;

namespace {

ExifFields read(const std::string& bytes)
{
    return exifFieldsFromFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

TEST(ExifFields, EveryFieldIsReadFromAJpegSegmentAndATiffInEitherOrder)
{
    for (bool big : {false, true}) {
        SCOPED_TRACE(big);
        const std::string tiff = cameraTiff(big);
        // After SOI and a JFIF segment, as cameras and editors write them.
        const std::string jpeg = "\xFF\xD8\xFF\xE0" +
                                 std::string("\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 16) +
                                 exifSegment(tiff) + "\xFF\xDA";
        for (const std::string& file : {jpeg, tiff}) {
            const ExifFields f = read(file);
            EXPECT_EQ(f.make, "Canon");
            EXPECT_EQ(f.model, "Canon EOS 5D Mark IV");
            EXPECT_EQ(f.lens, "EF24-70mm f/2.8L II USM");
            EXPECT_EQ(f.exposureNumerator, 1u);
            EXPECT_EQ(f.exposureDenominator, 250u);
            EXPECT_DOUBLE_EQ(f.fNumber, 2.8);
            EXPECT_EQ(f.iso, 200u);
            EXPECT_DOUBLE_EQ(f.focalLength, 35);
            EXPECT_EQ(f.taken, "2024:05:12 14:03:07");
            ASSERT_TRUE(f.located);
            EXPECT_DOUBLE_EQ(f.latitude, 52.5);
            EXPECT_DOUBLE_EQ(f.longitude, 13.25);
        }
    }
}

TEST(ExifFields, BytesThatDoNotHoldTogetherGiveNothingOrOnlyWhatDoes)
{
    const std::string tiff = cameraTiff();
    // Cut anywhere: no read past the end, and what is found is what the bytes really hold.
    for (size_t cut = 0; cut < tiff.size(); ++cut) {
        const ExifFields f = read(tiff.substr(0, cut));
        if (!f.make.empty()) {
            EXPECT_EQ(f.make, "Canon");
        }
        if (f.located) {
            EXPECT_DOUBLE_EQ(f.latitude, 52.5);
        }
    }
    // Pointers to the directory itself, a count past the end, a text of control bytes and bad UTF-8,
    // a zero denominator, a place beyond the poles.
    const std::string loop = tiffWith({{0x8769, 4, {8}, {}}, {0x8825, 4, {8}, {}}}, {}, {});
    EXPECT_TRUE(read(loop).empty());
    const ExifFields odd = read(
        tiffWith({{0x010F, 2, {}, "Ca\x01non\xC3(\xE2\x82\xAC"}, {0x0110, 2, {}, "   "}},
                 {{0x829D, 5, {28, 0}, {}}, {0x829A, 5, {0, 0}, {}}},
                 {{1, 2, {}, "N"}, {2, 5, {91, 1, 0, 1, 0, 1}, {}}, {3, 2, {}, "E"}, {4, 5, {1, 1, 0, 1, 0, 1}, {}}}));
    EXPECT_EQ(odd.make, "Canon(\xE2\x82\xAC");
    EXPECT_EQ(odd.model, "");
    EXPECT_EQ(odd.fNumber, 0);
    EXPECT_EQ(odd.exposureDenominator, 0u);
    EXPECT_FALSE(odd.located);
    EXPECT_TRUE(read("\x89PNG\r\n\x1A\n").empty());
}
