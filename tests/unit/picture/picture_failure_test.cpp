// Why a picture was not made, as its owner is told: one case for each reason.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_stream.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

struct Folder {
    Folder() : path(std::filesystem::temp_directory_path() / ("fotoloom-failure-" + std::to_string(rand()))) {}
    ~Folder() { std::filesystem::remove_all(path); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string file = (path / name).string();
        std::filesystem::create_directories(path);
        EXPECT_TRUE(writeFileBytes(file, bytes));
        return file;
    }
    std::filesystem::path path;
};

PictureFailure whyNot(const std::string& path)
{
    PictureStreamRequest request;
    request.pixels = true;
    request.plan = [](uint32_t w, uint32_t h) { return std::vector<PictureStreamOutput>{{w, h, -1}}; };
    std::vector<std::vector<uint8_t>> outputs;
    PictureFailure why;
    EXPECT_NE(streamPictureFile(path, request, outputs, &why), PictureStreamResult::Made) << path;
    return why;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Noise, so that every row takes its share of the file whatever the format.
[[maybe_unused]] std::vector<uint8_t> encoded(uint32_t w, uint32_t h, int format)
{
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    uint32_t seed = 12345;
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = i % 4 == 3 ? 255 : static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
    CPicture pic;
    EXPECT_TRUE(pic.setPixels(w, h, std::move(px)));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(pic.saveMemory(bytes, format));
    return bytes;
}

}  // namespace

TEST(PictureFailure, WhatIsNoPictureSaysWhatItLooksLike)
{
    Folder folder;
    EXPECT_EQ(whyNot(folder.write("notes.jpg", bytesOf("Shopping list\nbread\n"))).text(),
              "not a picture: it looks like a text file");
    EXPECT_EQ(whyNot(folder.write("doc.jpg", bytesOf("%PDF-1.7\n\x80\x81 binary"))).text(),
              "not a picture: it looks like a PDF document");
    EXPECT_EQ(whyNot(folder.write("noise.png", {0x00, 0x13, 0x99, 0xF0, 0x01, 0x02})).text(),
              "not a picture of any kind Fotoloom reads");
    EXPECT_EQ(whyNot(folder.write("empty.jpg", {})).text(), "the file is empty");
    EXPECT_EQ(whyNot((folder.path / "gone.jpg").string()).text(), "the file is missing");
    std::filesystem::create_directories(folder.path / "album.jpg");
    EXPECT_EQ(whyNot((folder.path / "album.jpg").string()).text(), "not a picture: it looks like a folder");
}

TEST(PictureFailure, AKindOfPictureNotReadIsNamed)
{
    Folder folder;
    std::vector<uint8_t> psd = bytesOf("8BPS");
    psd.resize(64, 0);
    const PictureFailure why = whyNot(folder.write("poster.jpg", psd));
    EXPECT_EQ(why.problem, PictureProblem::Unsupported);
    EXPECT_EQ(why.text(), "a kind of picture Fotoloom does not read: a Photoshop document");
    std::vector<uint8_t> heic = {0, 0, 0, 0x18};
    const std::vector<uint8_t> brand = bytesOf("ftypheic");
    heic.insert(heic.end(), brand.begin(), brand.end());
    heic.resize(64, 0);
    EXPECT_EQ(whyNot(folder.write("phone.heic", heic)).detail, "a HEIC picture");
}

// WIC says only that a frame failed, not why: where it decodes, a cut, damaged or oversized file
// is told as damaged (the reasons above come from the program's own detection and hold there too).
#ifndef _WIN32

TEST(PictureFailure, AFileCutShortSaysAtWhichRow)
{
    Folder folder;
    for (int format : {kFormatJpeg, kFormatPng, kFormatBmp, kFormatGif}) {
        std::vector<uint8_t> bytes = encoded(300, 400, format);
        bytes.resize(bytes.size() / 2);
        const PictureFailure why = whyNot(folder.write("cut" + std::to_string(format), bytes));
        EXPECT_EQ(why.problem, PictureProblem::Truncated) << format << " " << why.text();
        EXPECT_EQ(why.rows, 400u) << format;
        EXPECT_LT(why.row, 400u) << format;
        // A bottom-up BMP lacks its top rows first.
        if (format != kFormatBmp) {
            EXPECT_GT(why.row, 0u) << format;
        }
        EXPECT_EQ(why.text().rfind("cut short: the file ends at row ", 0), 0u) << why.text();
    }
}

TEST(PictureFailure, APictureLargerThanAnyReadSaysItsSize)
{
    Folder folder;
    std::vector<uint8_t> png = encoded(4, 4, kFormatPng);
    // IHDR's width and height made 40000, its check sum made again.
    for (size_t at : {16, 20}) png[at] = 0, png[at + 1] = 0, png[at + 2] = 0x9C, png[at + 3] = 0x40;
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < 12 + 4 + 13; ++i) {
        crc ^= png[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc = ~crc;
    for (int k = 0; k < 4; ++k) png[29 + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
    const PictureFailure why = whyNot(folder.write("huge.png", png));
    EXPECT_EQ(why.problem, PictureProblem::TooLarge) << why.text();
    EXPECT_NE(why.text().find("40000 x 40000 pixels"), std::string::npos) << why.text();
}

TEST(PictureFailure, DamagedDataIsToldApartFromAShortFile)
{
    Folder folder;
    std::vector<uint8_t> bytes = encoded(64, 64, kFormatPng);
    // A byte of the compressed pixels changed: the chunk's check fails.
    bytes[bytes.size() / 2] ^= 0x5A;
    const PictureFailure why = whyNot(folder.write("flipped.png", bytes));
    EXPECT_EQ(why.problem, PictureProblem::Damaged) << why.text();
    EXPECT_FALSE(why.detail.empty());
}

#endif
