// WebP and AVIF written from rows by the format table's writers and read back, on both systems
// (the Windows build links the libraries scripts/codec-libs.sh cross-builds): the size, the alpha
// and the colour profile survive, and the pixels stay within what the lossy codecs lose. Files
// of either kind load as pictures like any other; a HEIC made by Debian's heif-enc reads as the
// picture it was made from, an animated WebP as its first frame. Cut-short and damaged files
// fail with their reason, and an encoder given too few or too many rows writes nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_codec.h"
#include "picture/picture_formats.h"
#include "picture/picture_heif.h"
#include "picture/picture_webp.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

// A photo-like picture with a softly transparent corner when asked.
std::vector<uint8_t> scene(uint32_t width, uint32_t height, bool alpha)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (width - 1));
            p[1] = static_cast<uint8_t>(y * 255 / (height - 1));
            p[2] = static_cast<uint8_t>(128 + ((x / 8 + y / 8) % 2) * 60);
            p[3] = alpha && x < width / 3 && y < height / 3 ? static_cast<uint8_t>(40 + x * 4) : 255;
        }
    return px;
}

// A stand-in colour profile: what matters is that its bytes come back unchanged.
std::vector<uint8_t> profile()
{
    std::vector<uint8_t> icc(560);
    for (size_t i = 0; i < icc.size(); ++i) icc[i] = static_cast<uint8_t>(i * 31 + 7);
    return icc;
}

std::vector<uint8_t> encode(int format, const std::vector<uint8_t>& px, uint32_t width, uint32_t height, bool alpha,
                            const std::vector<uint8_t>* icc)
{
    std::unique_ptr<PictureRowEncoder> encoder = pictureFormat(format)->encodeRows();
    EncodeInput in;
    in.width = width;
    in.height = height;
    in.hasAlpha = alpha;
    in.icc = icc;
    in.webpQuality = 90;
    in.avifQuality = 80;
    in.avifSpeed = 8;
    std::vector<uint8_t> out;
    EXPECT_TRUE(encoder->begin(in, nullptr));
    // In uneven bands, as the resampler hands them out.
    for (uint32_t y = 0; y < height;) {
        const uint32_t n = std::min(height - y, 1 + y % 5);
        EXPECT_TRUE(encoder->rows(px.data() + static_cast<size_t>(y) * width * 4, n));
        y += n;
    }
    EXPECT_TRUE(encoder->finish(out));
    return out;
}

struct Decoded {
    bool ok = false;
    DecodedPicture picture;
    PictureFailure why;
};

Decoded decode(int format, const std::vector<uint8_t>& bytes)
{
    Decoded d;
    d.ok = decodePicture(format, ByteSource{bytes.data(), bytes.size()}, {}, d.picture, &d.why);
    return d;
}

double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int channel)
{
    double sum = 0;
    for (size_t i = static_cast<size_t>(channel); i < a.size(); i += 4) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size() / 4);
}

struct Codec {
    const char* name;
    int format;
    double colourTolerance;
};

const Codec kCodecs[] = {
    {"WebP", kFormatWebp, 6.0},  // its 4:2:0 blurs the checker more than AV1 does
    {"AVIF", kFormatAvif, 3.0},
};

}  // namespace

TEST(PictureWebpHeif, EachFormatReadsBackWithItsSizeAlphaAndProfile)
{
    const std::vector<uint8_t> icc = profile();
    for (const Codec& codec : kCodecs)
        for (bool alpha : {false, true}) {
            SCOPED_TRACE(std::string(codec.name) + (alpha ? " with alpha" : " opaque"));
            const uint32_t w = 97, h = 61;  // odd sides: the chroma planes round up
            const std::vector<uint8_t> px = scene(w, h, alpha);
            const std::vector<uint8_t> bytes = encode(codec.format, px, w, h, alpha, alpha ? &icc : nullptr);
            ASSERT_FALSE(bytes.empty());
            EXPECT_EQ(detectFormat(bytes.data(), bytes.size()), codec.format);

            const Decoded back = decode(codec.format, bytes);
            ASSERT_TRUE(back.ok) << back.why.text();
            ASSERT_EQ(back.picture.width, w);
            ASSERT_EQ(back.picture.height, h);
            EXPECT_EQ(back.picture.icc, alpha ? icc : std::vector<uint8_t>{});
            for (int c = 0; c < 3; ++c) EXPECT_LT(meanDifference(px, back.picture.bgra, c), codec.colourTolerance) << c;
            // Alpha is coded apart from the colour: it comes back close, and opaque stays opaque.
            EXPECT_LT(meanDifference(px, back.picture.bgra, 3), 1.5);
            if (!alpha) {
                for (size_t i = 3; i < back.picture.bgra.size(); i += 4) ASSERT_EQ(back.picture.bgra[i], 255);
            }

            // A file of either kind is a picture like any other: found by its content, whatever its name.
            CPicture loaded;
            ASSERT_TRUE(loaded.loadMemory(bytes.data(), bytes.size(), kFormatJpeg));
            EXPECT_EQ(loaded.sourceFormat(), codec.format);
            EXPECT_EQ(loaded.GetWidth(), w);
            EXPECT_EQ(loaded.iccProfile(), back.picture.icc);
        }
}

TEST(PictureWebpHeif, AHeicFromHeifEncReadsAsItsSource)
{
    const std::string dir = std::string(FOTOLOOM_TEST_DATA) + "/pictures/";
    std::vector<uint8_t> heic;
    ASSERT_TRUE(readFileBytes(dir + "swirl.heic", heic, 1 << 20));
    CPicture source;
    ASSERT_TRUE(source.Load(dir + "swirl.png"));
    ASSERT_TRUE(looksLikeHeif(heic.data(), heic.size()));
    EXPECT_FALSE(looksLikeAvif(heic.data(), heic.size()));
    DecodedPicture back;
    PictureBufferReceiver receiver(back);
    ASSERT_EQ(decodeHeifRows(ByteSource{heic.data(), heic.size()}, receiver), RowDecode::Done);
    ASSERT_TRUE(receiver.complete());
    ASSERT_EQ(back.width, source.GetWidth());
    ASSERT_EQ(back.height, source.GetHeight());
    const std::vector<uint8_t> expected(source.bits(), source.bits() + back.bgra.size());
    for (int c = 0; c < 3; ++c) EXPECT_LT(meanDifference(expected, back.bgra, c), 3.0) << c;
}

TEST(PictureWebpHeif, AnAnimatedWebpReadsAsItsFirstFrame)
{
    // img2webp: a plain blue frame, then another picture.
    std::vector<uint8_t> webp;
    ASSERT_TRUE(readFileBytes(std::string(FOTOLOOM_TEST_DATA) + "/pictures/two-frames.webp", webp, 1 << 20));
    const Decoded back = decode(kFormatWebp, webp);
    ASSERT_TRUE(back.ok) << back.why.text();
    ASSERT_EQ(back.picture.width, 40u);
    ASSERT_EQ(back.picture.height, 30u);
    for (size_t i = 0; i < back.picture.bgra.size(); i += 4) {
        const uint8_t* p = &back.picture.bgra[i];
        ASSERT_TRUE(p[0] == 0xCC && p[1] == 0x66 && p[2] == 0x33 && p[3] == 0xFF) << "pixel " << i / 4;
    }
}

TEST(PictureWebpHeif, CutShortOrDamagedFilesFailWithTheirReason)
{
    const uint32_t w = 40, h = 30;
    const std::vector<uint8_t> px = scene(w, h, true);
    const std::vector<uint8_t> icc = profile();
    for (const Codec& codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        const std::vector<uint8_t> bytes = encode(codec.format, px, w, h, true, &icc);
        ASSERT_FALSE(bytes.empty());
        for (size_t cut : {size_t{0}, size_t{11}, size_t{40}, bytes.size() / 3, bytes.size() / 2, bytes.size() - 1}) {
            const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            const Decoded d = decode(codec.format, part);
            EXPECT_FALSE(d.ok) << "cut at " << cut;
            EXPECT_TRUE(d.picture.bgra.empty());
            // Past the first few bytes, where the container still holds together, it is told as cut.
            if (cut >= bytes.size() / 2) {
                EXPECT_EQ(d.why.problem, PictureProblem::Truncated)
                    << "cut at " << cut << " of " << bytes.size() << ": " << d.why.text();
            }
        }
        // A size field that claims more than the file holds.
        std::vector<uint8_t> lying = bytes;
        lying[codec.format == kFormatWebp ? 4 : 3] = 0xF0;
        EXPECT_FALSE(decode(codec.format, lying).ok);
        // Noise after a valid start: damaged, with a reason.
        std::vector<uint8_t> noise(bytes.begin(), bytes.begin() + 40);
        for (uint32_t i = 0, seed = 7; i < 600; ++i)
            noise.push_back(static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24));
        const Decoded damaged = decode(codec.format, noise);
        EXPECT_FALSE(damaged.ok);
        EXPECT_TRUE(damaged.why.failed());
        EXPECT_FALSE(damaged.why.text().empty());
    }
}

// A HEIC of 753 bytes whose grid says 16384 x 12544 while its image says 64 x 64: libheif would
// allocate gigabytes for the grid before it finds the tiles missing.
TEST(PictureWebpHeif, AGridLargerThanItsImageIsDamagedAndCostsNoMemory)
{
    std::vector<uint8_t> heic;
    ASSERT_TRUE(
        readFileBytes(std::string(FOTOLOOM_TEST_DATA) + "/pictures/grid-larger-than-its-image.heic", heic, 1 << 20));
#ifndef _WIN32
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
#endif
    const Decoded d = decode(kFormatAvif, heic);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.why.problem, PictureProblem::Damaged) << d.why.text();
    EXPECT_NE(d.why.text().find("claims a larger picture"), std::string::npos) << d.why.text();
#ifndef _WIN32
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
#endif
}

TEST(PictureWebpHeif, AnEncoderWithoutEveryRowWritesNothing)
{
    const uint32_t w = 16, h = 8;
    const std::vector<uint8_t> px = scene(w, h, false);
    EncodeInput in;
    in.width = w;
    in.height = h;
    std::vector<uint8_t> out{1, 2, 3};
    WebpRowEncoder webp;
    ASSERT_TRUE(webp.begin(in, nullptr));
    ASSERT_TRUE(webp.rows(px.data(), h - 1));
    EXPECT_FALSE(webp.finish(out));
    EXPECT_TRUE(out.empty());
    AvifRowEncoder avif;
    ASSERT_TRUE(avif.begin(in, nullptr));
    EXPECT_FALSE(avif.rows(px.data(), h + 1));
    out = {1};
    EXPECT_FALSE(avif.finish(out));
    EXPECT_TRUE(out.empty());
}
