#include "picture/format_code.h"

#include <gtest/gtest.h>

TEST(FormatCode, ExtensionsMapToTheirCodesWithoutRegardToCase)
{
    EXPECT_EQ(formatCodeOf("a.JPG"), kFormatJpeg);
    EXPECT_EQ(formatCodeOf("C:\\photos\\b.jpeg"), kFormatJpeg);
    EXPECT_EQ(formatCodeOf("x.TiFf"), kFormatTiff);
    EXPECT_EQ(formatCodeOf("x.tif"), kFormatTiff);
    EXPECT_EQ(formatCodeOf("x.wbmp"), kFormatWbmp);  // not taken for "bmp"
    EXPECT_EQ(formatCodeOf("x.bmp"), kFormatBmp);
    EXPECT_EQ(formatCodeOf("x.emf"), kFormatWmf);
    EXPECT_EQ(formatCodeOf("x.pgm"), kFormatPnm);
    EXPECT_EQ(formatCodeOf("x.ras"), kFormatRas);
    EXPECT_EQ(formatCodeOf("x.WebP"), kFormatWebp);
    EXPECT_EQ(formatCodeOf("x.avif"), kFormatAvif);
}

TEST(FormatCode, OnlyTheTailCountsAndUnknownIsZero)
{
    EXPECT_EQ(formatCodeOf("b.txt"), kFormatUnknown);
    EXPECT_EQ(formatCodeOf("png"), kFormatPng);  // three characters are enough
    EXPECT_EQ(formatCodeOf("archive.xpng"), kFormatPng);
    EXPECT_EQ(formatCodeOf("gi"), kFormatUnknown);
    EXPECT_EQ(formatCodeOf(""), kFormatUnknown);
    EXPECT_EQ(formatCodeOf("photo.cur"), kFormatUnknown);
}
