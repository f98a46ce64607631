// Pictures far larger than the memory a build is given are still built: the build runs in a child
// process whose data segment is limited to less than one such picture decoded whole.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include "generator_test_util.h"

using namespace generator_test;

namespace {

// A photo-like row: gradients and a stripe pattern, so the encoders have something to do.
void fillRow(std::vector<uint8_t>& row, uint32_t width, uint32_t y, int channels)
{
    for (uint32_t x = 0; x < width; ++x)
        for (int c = 0; c < channels; ++c)
            row[x * channels + c] = static_cast<uint8_t>((x / 16 + y / 16) % 2 ? (x + y * c) / 64 : 255 - x / 40);
}

// Written a row at a time, so the test itself never holds the picture.
bool writeLargeJpeg(const std::string& path, uint32_t width, uint32_t height)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        fillRow(row, width, y, 3);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

bool writeLargePng(const std::string& path, uint32_t width, uint32_t height)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        fillRow(row, width, y, 3);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// Runs the build in a child limited to `limit` bytes of data; its exit status says how it went.
int buildLimited(TestGallery& g, uint64_t limit)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const rlimit data{limit, limit};
        if (setrlimit(RLIMIT_DATA, &data) != 0) _exit(10);
        const BuildResult r = g.build();
        if (!r.unreadablePictures.empty()) _exit(2);
        if (!r.tooLargePictures.empty()) _exit(3);
        if (!r.succeeded()) _exit(4);
        _exit(static_cast<int>(r.picturesMade));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(BuildStreaming, PicturesLargerThanTheMemoryLimitAreBuiltInFewMegabytesAWorker)
{
    ScratchFolder scratch;
    const std::string jpeg = scratch / "wide.jpg";
    const std::string png = scratch / "big.png";
    // Decoded whole, the JPEG alone takes 192 MB and the PNG 96 MB (twice that to be turned).
    ASSERT_TRUE(writeLargeJpeg(jpeg, 8000, 6000));
    ASSERT_TRUE(writeLargePng(png, 6000, 4000));

    for (int32_t photoSize : {3, 6}) {  // 1024 x 768, and the original size
        TestGallery g(scratch);
        g.doc.outputFolder = scratch / cat("out", std::to_string(photoSize));
        makeFolder(g.doc.outputFolder);
        g.doc.photoSize = photoSize;
        g.options.jobs = 2;
        const int32_t a = g.addAlbum("A");
        g.addImage(a, jpeg);
        // Turned only when fitted: a turned photo at the original size is held whole to be turned.
        g.addImage(a, png, "", photoSize == 3 ? 90 : 0);
        EXPECT_EQ(buildLimited(g, uint64_t{150} << 20), 2) << "photo size " << photoSize;

        const auto photo = pictureSize(g.file("photos/image-1-2.jpg"));
        EXPECT_EQ(photo, photoSize == 3 ? std::make_pair(512u, 768u) : std::make_pair(6000u, 4000u));
        EXPECT_EQ(pictureSize(g.file("thumbs/thumb-1-1.jpg")), std::make_pair(150u, 112u));
    }
}

#endif
