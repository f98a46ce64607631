// Pictures far larger than the memory a build is given are still built: the build runs in a child
// process whose data segment is limited to less than one such picture decoded whole.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "generator_test_util.h"
#include "support/row_picture_writers.h"

using namespace generator_test;

namespace {

// A photo-like row: gradients and a stripe pattern, so the encoders have something to do.
row_writers::RowFill stripes(uint32_t width)
{
    return [width](uint8_t* row, uint32_t y) {
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                row[x * 3 + c] = static_cast<uint8_t>((x / 16 + y / 16) % 2 ? (x + y * c) / 64 : 255 - x / 40);
    };
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
    ASSERT_TRUE(row_writers::writeJpeg(jpeg, 8000, 6000, {3, JCS_RGB, 85, false}, stripes(8000)));
    ASSERT_TRUE(row_writers::writePng(png, 6000, 4000, stripes(6000)));

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
