// The streamed path (rows from the decoder, a resampler per size, the turn applied to the small
// output) against the whole-picture path the build used before (load, turn, resample, resample
// again for the thumbnail): the same pixels to within one level, for every format, turn and EXIF
// orientation, and the odd pictures; a file cut short makes nothing.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_stream.h"
#include "picture/rotate.h"
#include "picture_test_util.h"

#ifndef _WIN32
#include <unistd.h>

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include "support/row_picture_writers.h"
#endif

using namespace picture_test;

namespace {

// Gradients with fine detail (lines a pixel wide, a checker) that a resize must average, and a
// transparent corner when asked.
CPicture detailed(uint32_t width, uint32_t height, bool transparentCorner = false)
{
    std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 4];
            const bool line = x % 7 == 0 || (y / 3) % 11 == 0 || ((x / 4 + y / 4) % 2 == 0 && x > width / 2);
            p[0] = line ? 250 : static_cast<uint8_t>(x * 255 / std::max(1u, width - 1));
            p[1] = line ? 10 : static_cast<uint8_t>(y * 255 / std::max(1u, height - 1));
            p[2] = static_cast<uint8_t>((x * 3 + y * 5) % 256);
            p[3] = transparentCorner && x < width / 3 && y < height / 3 ? static_cast<uint8_t>(x * 7 % 256) : 255;
        }
    CPicture pic;
    pic.setPixels(width, height, std::move(px));
    return pic;
}

class TempFiles {
public:
    ~TempFiles()
    {
        for (const std::string& p : paths_) std::remove(p.c_str());
    }
    std::string add(const std::string& name)
    {
        const auto dir = std::filesystem::temp_directory_path();
#ifdef _WIN32
        const std::string unique = std::to_string(reinterpret_cast<uintptr_t>(this));
#else
        const std::string unique = std::to_string(getpid());
#endif
        std::string file = "fotoloom-stream-";
        file.append(unique).append("-").append(name);
        paths_.push_back((dir / file).string());
        return paths_.back();
    }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = add(name);
        EXPECT_TRUE(writeFileBytes(path, bytes)) << path;
        return path;
    }

private:
    std::vector<std::string> paths_;
};

// Refuses the whole picture, and any working set of `most` bytes or more: a picture made under it
// came by rows.
class RowsOnlyGate final : public PictureMemoryGate {
public:
    explicit RowsOnlyGate(uint64_t most) : most_(most) {}
    bool allowPixels(uint64_t) override { return false; }
    bool allowWorkingSet(uint64_t bytes) override { return bytes < most_; }

private:
    uint64_t most_;
};

// The build's sizes: the photo fitted into the box (none: its own size), the thumbnail narrowed
// from the photo.
struct Shape {
    uint32_t boxWidth = 0;
    uint32_t boxHeight = 0;
    uint32_t thumbWidth = 40;
};

uint32_t scaled(uint32_t other, uint32_t target, uint32_t side)
{
    return static_cast<uint32_t>(std::max<uint64_t>(1, uint64_t{other} * target / side));
}

std::vector<PictureStreamOutput> planFor(uint32_t w, uint32_t h, const Shape& shape)
{
    if (shape.boxWidth && w > shape.boxWidth) h = scaled(h, shape.boxWidth, w), w = shape.boxWidth;
    if (shape.boxHeight && h > shape.boxHeight) w = scaled(w, shape.boxHeight, h), h = shape.boxHeight;
    std::vector<PictureStreamOutput> sizes{{w, h, -1}};
    if (w > shape.thumbWidth) sizes.push_back({shape.thumbWidth, scaled(h, shape.thumbWidth, w), 0});
    return sizes;
}

PictureSizeHint hintFor(const Shape& shape, int quarterTurns)
{
    if (!shape.boxWidth) return {};
    const PictureSizeHint hint = PictureSizeHint::fitInto(shape.boxWidth, shape.boxHeight);
    return quarterTurns % 2 ? hint.swapped() : hint;
}

// What the build made before: the whole picture loaded, turned, resized, and the thumbnail resized
// from the photo.
std::vector<CPicture> wholePath(const std::string& path, int quarterTurns, const Shape& shape)
{
    CPicture pic;
    if (!pic.Load(path, 0, hintFor(shape, quarterTurns))) return {};
    if (quarterTurns) pic.Rotate(90.0f * static_cast<float>(quarterTurns));
    std::vector<CPicture> made;
    for (const PictureStreamOutput& o : planFor(pic.GetWidth(), pic.GetHeight(), shape)) {
        CPicture& from = o.from < 0 ? pic : made[static_cast<size_t>(o.from)];
        CPicture size;
        if (o.width == from.bufferWidth() && o.height == from.bufferHeight())
            size = from;
        else
            from.Resample2(o.width, o.height, kInterpolationBicubic2, kOverflowRepeat, &size);
        made.push_back(size);
    }
    return made;
}

std::vector<CPicture> streamed(const std::string& path, int quarterTurns, const Shape& shape,
                               PictureStreamResult expected = PictureStreamResult::Made)
{
    PictureStreamRequest request;
    request.quarterTurns = quarterTurns;
    request.hint = hintFor(shape, quarterTurns);
    request.pixels = true;
    std::vector<PictureStreamOutput> plan;
    request.plan = [&](uint32_t w, uint32_t h) { return plan = planFor(w, h, shape); };
    std::vector<std::vector<uint8_t>> outputs;
    EXPECT_EQ(streamPictureFile(path, request, outputs), expected) << path;
    std::vector<CPicture> made;
    for (size_t i = 0; i < outputs.size() && i < plan.size(); ++i) {
        CPicture pic;
        EXPECT_TRUE(pic.setPixels(plan[i].width, plan[i].height, std::move(outputs[i])));
        made.push_back(pic);
    }
    return made;
}

// Streamed and whole agree within one level in every channel, for each size.
void expectSame(const std::string& path, int quarterTurns, const Shape& shape, const std::string& what)
{
    const std::vector<CPicture> whole = wholePath(path, quarterTurns, shape);
    const std::vector<CPicture> stream = streamed(path, quarterTurns, shape);
    ASSERT_FALSE(whole.empty()) << what;
    ASSERT_EQ(whole.size(), stream.size()) << what;
    for (size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(whole[i].GetWidth(), stream[i].GetWidth()) << what << " size " << i;
        EXPECT_EQ(whole[i].GetHeight(), stream[i].GetHeight()) << what << " size " << i;
        EXPECT_LE(maxDifference(whole[i], stream[i]), 1) << what << " size " << i << " turn " << quarterTurns;
    }
}

std::vector<uint8_t> saved(const CPicture& pic, int format)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(pic.saveMemory(bytes, format));
    return bytes;
}

// An APP1 EXIF segment with only the orientation tag, spliced in after SOI.
std::vector<uint8_t> withOrientation(std::vector<uint8_t> jpeg, int orientation)
{
    const std::vector<uint8_t> segment = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0,
                                          'M',  'M',  0, 42, 0,   0,   0,   8,   0, 1,
                                          0x01, 0x12, 0, 3,  0,   0,   0,   1,   0, static_cast<uint8_t>(orientation),
                                          0,    0,    0, 0,  0,   0};
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

const Shape kShapes[] = {{128, 96, 40}, {0, 0, 40}, {64, 64, 150}};

CPicture turned(const CPicture& pic, Orientation orientation)
{
    std::vector<uint8_t> px;
    CPicture out;
    if (orientPixels(pic.bits(), pic.bufferWidth(), pic.bufferHeight(), orientation, px)) {
        const bool sideways = swapsSides(orientation);
        out.setPixels(sideways ? pic.bufferHeight() : pic.bufferWidth(),
                      sideways ? pic.bufferWidth() : pic.bufferHeight(), std::move(px));
    }
    return out;
}

}  // namespace

TEST(PictureStream, EveryFormatTurnAndSizeMakesThePixelsOfTheWholePicturePath)
{
    TempFiles files;
    const CPicture opaque = detailed(300, 200);
    const CPicture alpha = detailed(300, 200, true);
    const std::pair<std::string, std::vector<uint8_t>> sources[] = {
        {"a.jpg", saved(opaque, kFormatJpeg)}, {"b.png", saved(opaque, kFormatPng)},
        {"c.png", saved(alpha, kFormatPng)},   {"d.bmp", saved(opaque, kFormatBmp)},
        {"e.gif", saved(opaque, kFormatGif)},
    };
    for (const auto& [name, bytes] : sources) {
        const std::string path = files.write(name, bytes);
        for (const Shape& shape : kShapes)
            for (int turn = 0; turn < 4; ++turn) expectSame(path, turn, shape, name);
    }
}

TEST(PictureStream, EveryExifOrientationWithEveryTurnIsAppliedToTheSmallOutput)
{
    TempFiles files;
    const std::vector<uint8_t> jpeg = saved(detailed(240, 160), kFormatJpeg);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string number = std::to_string(orientation);
        const std::string path = files.write(number + ".jpg", withOrientation(jpeg, orientation));
        for (int turn = -1; turn < 3; ++turn) expectSame(path, turn, kShapes[0], path);
        // The sides the build sees are the turned ones.
        const std::vector<CPicture> made = streamed(path, 0, kShapes[1]);
        ASSERT_FALSE(made.empty());
        EXPECT_EQ(made[0].GetWidth(), orientation >= 5 ? 160u : 240u);
    }
}

TEST(PictureStream, AJpegIsReadWholeAcrossSegmentsLongerThanOneRead)
{
    // Three full-length APP15 segments (about 192 KB, skipped by the decoder) before the frame,
    // and a frame whose data crosses reads too.
    TempFiles files;
    std::vector<uint8_t> jpeg = saved(detailed(600, 400), kFormatJpeg);
    std::vector<uint8_t> segment = {0xFF, 0xEF, 0xFF, 0xFF};
    segment.resize(2 + 0xFFFF, 0x5A);
    for (int i = 0; i < 3; ++i) jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    const std::string path = files.write("long-segments.jpg", jpeg);
    for (const Shape& shape : kShapes) expectSame(path, 1, shape, path);
}

TEST(PictureStream, PicturesOnePixelWideOrHighAndSmallerThanTheBox)
{
    TempFiles files;
    for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{1, 300}, {300, 1}, {1, 1}, {50, 30}}) {
        for (int format : {kFormatJpeg, kFormatPng}) {
            const std::string name =
                std::to_string(w) + "x" + std::to_string(h) + (format == kFormatJpeg ? ".jpg" : ".png");
            const std::string path = files.write(name, saved(detailed(w, h), format));
            for (const Shape& shape : kShapes)
                for (int turn = 0; turn < 4; ++turn) expectSame(path, turn, shape, name);
        }
    }
}

TEST(PictureStream, AFileCutShortMidStreamMakesNothing)
{
    TempFiles files;
    for (int format : {kFormatJpeg, kFormatPng}) {
        std::vector<uint8_t> bytes = saved(detailed(400, 300), format);
        bytes.resize(bytes.size() * 6 / 10);
        const std::string path = files.write(format == kFormatJpeg ? "cut.jpg" : "cut.png", bytes);
        EXPECT_TRUE(streamed(path, 0, kShapes[0], PictureStreamResult::Unreadable).empty());
    }
    const std::string missing = files.add("missing.jpg");
    EXPECT_TRUE(streamed(missing, 0, kShapes[0], PictureStreamResult::Unreadable).empty());
    const std::string junk = files.write("junk.jpg", {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3});
    EXPECT_TRUE(streamed(junk, 0, kShapes[0], PictureStreamResult::Unreadable).empty());
}

TEST(PictureStream, TheGateIsAskedForWhatTheStreamHoldsNotForTheWholePicture)
{
    struct Recorder final : PictureMemoryGate {
        bool allowPixels(uint64_t bytes) override
        {
            pixels = std::max(pixels, bytes);
            return bytes <= limit;
        }
        bool allowWorkingSet(uint64_t bytes) override
        {
            working = std::max(working, bytes);
            return bytes <= limit;
        }
        uint64_t limit = UINT64_MAX;
        uint64_t pixels = 0;
        uint64_t working = 0;
    };
    TempFiles files;
    const std::string png = files.write("big.png", saved(detailed(2000, 1500), kFormatPng));
    Recorder gate;
    {
        ScopedPictureMemoryGate scope(gate);
        EXPECT_EQ(streamed(png, 0, kShapes[0]).size(), 2u);
    }
    EXPECT_GT(gate.working, 0u);
    // PNG comes by rows (WIC's frame is asked for bands of rows).
    EXPECT_EQ(gate.pixels, 0u);
    EXPECT_LT(gate.working, uint64_t{2000} * 1500 * 4 / 4);

    // Refused: no memory, never "unreadable", also for the program's own readers by rows.
    gate.limit = 1000;
    gate.pixels = 0;
    const std::string pnmHead = "P6 2000 1500 255\n";
    std::vector<uint8_t> pnmBytes(pnmHead.size() + size_t{2000} * 1500 * 3, 0x80);
    std::copy(pnmHead.begin(), pnmHead.end(), pnmBytes.begin());
    const std::string pnm = files.write("big.ppm", pnmBytes);
    {
        ScopedPictureMemoryGate scope(gate);
        EXPECT_TRUE(streamed(png, 0, kShapes[0], PictureStreamResult::NoMemory).empty());
        EXPECT_TRUE(streamed(pnm, 0, kShapes[0], PictureStreamResult::NoMemory).empty());
    }
    EXPECT_EQ(gate.pixels, 0u);
}

TEST(PictureStream, TheJpegFilesAreTheSizesAskedForWithTheSourcesProfile)
{
    TempFiles files;
    const std::string path = files.write("p.jpg", withOrientation(saved(detailed(300, 200), kFormatJpeg), 6));
    PictureStreamRequest request;
    request.quarterTurns = 1;
    request.plan = [](uint32_t w, uint32_t h) {
        EXPECT_EQ(w, 300u);  // EXIF turned it upright, the caller's turn back again
        EXPECT_EQ(h, 200u);
        return std::vector<PictureStreamOutput>{{150, 100, -1}, {30, 20, 0}};
    };
    std::vector<std::vector<uint8_t>> jpegs;
    ASSERT_EQ(streamPictureFile(path, request, jpegs), PictureStreamResult::Made);
    ASSERT_EQ(jpegs.size(), 2u);
    CPicture photo, thumb;
    ASSERT_TRUE(photo.loadMemory(jpegs[0].data(), jpegs[0].size(), kFormatJpeg));
    ASSERT_TRUE(thumb.loadMemory(jpegs[1].data(), jpegs[1].size(), kFormatJpeg));
    EXPECT_EQ(photo.GetWidth(), 150u);
    EXPECT_EQ(photo.GetHeight(), 100u);
    EXPECT_EQ(thumb.GetWidth(), 30u);
    EXPECT_EQ(thumb.GetHeight(), 20u);
}

// The same TIFF makes the same gallery on every system, whether its decoder honours the tag
// (libtiff) or gives the pixels as stored (WIC).
TEST(PictureStream, ATiffIsTurnedByItsOrientationTagAsAJpegIsByExifAndThenByTheUsersTurn)
{
    TempFiles files;
    const CPicture pic = detailed(90, 60);
    for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
        const std::string number = std::to_string(orientation);
        const std::string what = "orientation " + number;
        const std::string path = files.write(number + ".tif", tiffBytes(pic, orientation, orientation % 2 == 0));
        const auto meant = static_cast<Orientation>(orientation);
        CPicture whole;
        ASSERT_TRUE(whole.Load(path, 0)) << what;
        EXPECT_EQ(maxDifference(whole, turned(pic, meant)), 0) << what;
        for (int turn = -1; turn < 3; ++turn) {
            // By rows: the whole picture is never asked for.
            RowsOnlyGate gate(uint64_t{1} << 30);
            ScopedPictureMemoryGate scope(gate);
            const std::vector<CPicture> made = streamed(path, turn, kShapes[1]);
            ASSERT_EQ(made.size(), 2u) << what;
            const Orientation both = combineOrientations(meant, orientationOfQuarterTurns(turn));
            EXPECT_EQ(maxDifference(made[0], turned(pic, both)), 0) << what << " turn " << turn;
        }
        expectSame(path, 1, kShapes[0], what);
    }
}

#ifndef _WIN32
namespace {

// Writers for the layouts CPicture does not save: progressive and CMYK JPEG, interlaced,
// 16-bit, palette and grey PNG, 16-bit TIFF.
bool writeJpeg(const std::string& path, const CPicture& pic, bool progressive, bool cmyk)
{
    const row_writers::JpegLayout layout{4, cmyk ? JCS_CMYK : JCS_EXT_BGRA, 90, progressive};
    return row_writers::writeJpeg(path, pic.GetWidth(), pic.GetHeight(), layout, [&](uint8_t* row, uint32_t y) {
        const uint8_t* p = pixelAt(pic, 0, y);
        // CMYK written inverted, as Adobe's programs write it.
        for (uint32_t x = 0; x < pic.GetWidth(); ++x)
            for (uint32_t k = 0; k < 4; ++k) row[x * 4 + k] = cmyk ? (k < 3 ? p[x * 4 + 2 - k] : 255) : p[x * 4 + k];
    });
}

bool writePng(const std::string& path, const CPicture& pic, int colorType, int depth, bool interlaced)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    const uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 3)};
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette.data(), 256);
    png_write_info(png, info);
    const int channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const int bytesPer = depth / 8;
    std::vector<std::vector<png_byte>> rows(h, std::vector<png_byte>(w * channels * bytesPer));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                const uint8_t v = pixelAt(pic, x, y)[channels == 3 ? 2 - c : 1];
                for (int b = 0; b < bytesPer; ++b)
                    rows[y][(x * channels + c) * bytesPer + b] = b == 0 ? v : static_cast<png_byte>(v ^ 0x5A);
            }
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool writeTiff16(const std::string& path, const CPicture& pic, uint32_t rowsPerStrip,
                 uint16_t orientation = ORIENTATION_TOPLEFT)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    const uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    std::vector<uint16_t> row(w * 3);
    bool ok = true;
    for (uint32_t y = 0; y < h && ok; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = static_cast<uint16_t>(pixelAt(pic, x, y)[2 - c] * 257 + 100);
        ok = TIFFWriteScanline(t, row.data(), y, 0) >= 0;
    }
    TIFFClose(t);
    return ok;
}

// 8-bit RGB in square tiles, as image editors write large pictures.
bool writeTiledTiff(const std::string& path, const CPicture& pic, uint32_t tile, uint16_t compression)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    const uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, tile);
    TIFFSetField(t, TIFFTAG_TILELENGTH, tile);
    std::vector<uint8_t> bytes(static_cast<size_t>(tile) * tile * 3);
    bool ok = true;
    for (uint32_t ty = 0; ty < h && ok; ty += tile)
        for (uint32_t tx = 0; tx < w && ok; tx += tile) {
            std::fill(bytes.begin(), bytes.end(), uint8_t{0});
            for (uint32_t y = ty; y < std::min(h, ty + tile); ++y)
                for (uint32_t x = tx; x < std::min(w, tx + tile); ++x)
                    for (int c = 0; c < 3; ++c) bytes[((y - ty) * tile + (x - tx)) * 3 + c] = pixelAt(pic, x, y)[2 - c];
            ok = TIFFWriteTile(t, bytes.data(), tx, ty, 0, 0) >= 0;
        }
    TIFFClose(t);
    return ok;
}

}  // namespace

// Uncompressed tiles of 16 x 16 were refused, read from a file or from memory, while LZW or
// larger tiles were not.
TEST(PictureStream, TiledTiffsOfSmallUncompressedTilesAreRead)
{
    TempFiles files;
    const CPicture pic = detailed(48, 32);
    for (const auto& [tile, compression] : {std::pair<uint32_t, uint16_t>{16, COMPRESSION_NONE},
                                            {32, COMPRESSION_NONE},
                                            {16, COMPRESSION_LZW},
                                            {16, COMPRESSION_ADOBE_DEFLATE}}) {
        const std::string what = std::to_string(tile) + " compression " + std::to_string(compression);
        const std::string path = files.add(std::to_string(tile) + "-" + std::to_string(compression) + ".tif");
        ASSERT_TRUE(writeTiledTiff(path, pic, tile, compression)) << what;
        CPicture loaded;
        ASSERT_TRUE(loaded.Load(path, 0)) << what;
        EXPECT_EQ(maxDifference(loaded, pic), 0) << what;
        for (const Shape& shape : kShapes) expectSame(path, 1, shape, what);
    }
}

TEST(PictureStream, AFormatReadWholeAsksForItsFileThenItsPixelsAndARefusalIsNoMemory)
{
    struct Recorder final : PictureMemoryGate {
        bool allowPixels(uint64_t bytes) override { return pixels = bytes, false; }
        bool allowWorkingSet(uint64_t bytes) override { return bytes <= limit; }
        uint64_t limit = 0;
        uint64_t pixels = 0;
    };
    TempFiles files;
    // An icon is read whole: here one whose picture is stored as PNG.
    const std::vector<uint8_t> png = saved(detailed(600, 400), kFormatPng);
    std::vector<uint8_t> icon = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};
    for (uint32_t v : {static_cast<uint32_t>(png.size()), 22u})
        for (int i = 0; i < 4; ++i) icon.push_back(static_cast<uint8_t>(v >> (8 * i)));
    icon.insert(icon.end(), png.begin(), png.end());
    const std::string path = files.write("whole.ico", icon);
    Recorder gate;
    gate.limit = std::filesystem::file_size(path) + 1024;
    ScopedPictureMemoryGate scope(gate);
    EXPECT_TRUE(streamed(path, 0, kShapes[0], PictureStreamResult::NoMemory).empty());
    EXPECT_EQ(gate.pixels, uint64_t{600} * 400 * 4);
}

TEST(PictureStream, ProgressiveAndCmykJpegInterlacedPalette16BitAndGreyPngAnd16BitTiff)
{
    TempFiles files;
    const CPicture pic = detailed(300, 200);
    std::vector<std::string> paths;
    paths.push_back(files.add("progressive.jpg"));
    ASSERT_TRUE(writeJpeg(paths.back(), pic, true, false));
    paths.push_back(files.add("cmyk.jpg"));
    ASSERT_TRUE(writeJpeg(paths.back(), pic, false, true));
    paths.push_back(files.add("interlaced.png"));
    ASSERT_TRUE(writePng(paths.back(), pic, PNG_COLOR_TYPE_RGB, 8, true));
    paths.push_back(files.add("deep.png"));
    ASSERT_TRUE(writePng(paths.back(), pic, PNG_COLOR_TYPE_RGB, 16, false));
    paths.push_back(files.add("palette.png"));
    ASSERT_TRUE(writePng(paths.back(), pic, PNG_COLOR_TYPE_PALETTE, 8, false));
    paths.push_back(files.add("grey.png"));
    ASSERT_TRUE(writePng(paths.back(), pic, PNG_COLOR_TYPE_GRAY, 8, false));
    paths.push_back(files.add("deep.tif"));
    ASSERT_TRUE(writeTiff16(paths.back(), pic, 16));
    paths.push_back(files.add("onestrip.tif"));
    ASSERT_TRUE(writeTiff16(paths.back(), pic, 200));
    paths.push_back(files.add("upsidedown.tif"));  // read whole: strips come bottom up
    ASSERT_TRUE(writeTiff16(paths.back(), pic, 7, ORIENTATION_BOTRIGHT));
    for (const std::string& path : paths)
        for (const Shape& shape : kShapes)
            for (int turn = 0; turn < 4; ++turn) expectSame(path, turn, shape, path);
}

TEST(PictureStream, ATiffTurnedByItsOrientationTagComesByRowsAndIsTurnedAsMeant)
{
    TempFiles files;
    const CPicture pic = detailed(90, 60);
    const std::string upright = files.add("upright.tif");
    ASSERT_TRUE(writeTiff16(upright, pic, 7));
    CPicture stored;
    ASSERT_TRUE(stored.Load(upright, 0));
    for (uint16_t orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
        const std::string what = "orientation " + std::to_string(orientation);
        // Strips of 7 rows, and one strip for the whole picture.
        for (uint32_t rowsPerStrip : {7u, 60u}) {
            const std::string path =
                files.add(std::to_string(orientation) + "-" + std::to_string(rowsPerStrip) + ".tif");
            ASSERT_TRUE(writeTiff16(path, pic, rowsPerStrip, orientation));
            // The tag means what EXIF's orientation of the same number means.
            CPicture whole;
            ASSERT_TRUE(whole.Load(path, 0));
            std::vector<uint8_t> expected;
            ASSERT_TRUE(orientPixels(stored.bits(), 90, 60, static_cast<Orientation>(orientation), expected));
            const bool sideways = orientation >= ORIENTATION_LEFTTOP;
            CPicture meant;
            ASSERT_TRUE(meant.setPixels(sideways ? 60 : 90, sideways ? 90 : 60, std::move(expected)));
            ASSERT_EQ(whole.GetWidth(), meant.GetWidth()) << what;
            EXPECT_EQ(maxDifference(whole, meant), 0) << what;

            for (const Shape& shape : kShapes)
                for (int turn = 0; turn < 4; ++turn) expectSame(path, turn, shape, what);
            // By rows: the whole picture is never asked for.
            RowsOnlyGate gate(uint64_t{1} << 30);
            ScopedPictureMemoryGate scope(gate);
            EXPECT_EQ(streamed(path, 1, kShapes[0]).size(), 2u) << what;
        }
    }
}
#endif

namespace {

// Keeps what it is given, and refuses once it has been given `refuseAfter` bytes.
class CollectingSink final : public PictureByteSink {
public:
    bool write(const uint8_t* bytes, size_t size) override
    {
        ++writes;
        if (bytes_.size() + size > refuseAfter) return false;
        bytes_.insert(bytes_.end(), bytes, bytes + size);
        return true;
    }
    std::vector<uint8_t> bytes_;
    size_t refuseAfter = SIZE_MAX;
    size_t writes = 0;
};

}  // namespace

TEST(PictureStream, AnOutputEncodedIntoASinkIsTheFileMadeInMemoryAndARefusingSinkMakesNothing)
{
    TempFiles files;
    const std::string path = files.write("sink.png", saved(detailed(1500, 1000), kFormatPng));
    for (int quarterTurns : {0, 1}) {
        const auto stream = [&](PictureByteSink* sink, std::vector<std::vector<uint8_t>>& outputs) {
            PictureStreamRequest request;
            request.quarterTurns = quarterTurns;
            request.plan = [sink](uint32_t w, uint32_t h) {
                return std::vector<PictureStreamOutput>{{w, h, -1, sink}, {w / 10, h / 10, 0}};
            };
            return streamPictureFile(path, request, outputs);
        };
        std::vector<std::vector<uint8_t>> inMemory, viaSink;
        ASSERT_EQ(stream(nullptr, inMemory), PictureStreamResult::Made);
        CollectingSink sink;
        ASSERT_EQ(stream(&sink, viaSink), PictureStreamResult::Made);
        ASSERT_EQ(viaSink.size(), 2u);
        EXPECT_TRUE(viaSink[0].empty());
        EXPECT_EQ(sink.bytes_, inMemory[0]) << "turn " << quarterTurns;
        EXPECT_EQ(viaSink[1], inMemory[1]) << "turn " << quarterTurns;
#ifndef _WIN32
        // libjpeg hands its output on as it goes, never the whole file at the end.
        EXPECT_GT(sink.writes, inMemory[0].size() / (size_t{64} << 10)) << "turn " << quarterTurns;
#endif

        CollectingSink refusing;
        refusing.refuseAfter = inMemory[0].size() / 2;
        std::vector<std::vector<uint8_t>> none;
        EXPECT_NE(stream(&refusing, none), PictureStreamResult::Made) << "turn " << quarterTurns;
        EXPECT_TRUE(none.empty());
    }
}

TEST(PictureStream, AJpegEncodedAsItsRowsComeIsTheFileTheWholePictureSaves)
{
    // A profile to carry (its bytes are what matters), transparency laid over white, and a last
    // band of rows shorter than the others.
    std::vector<uint8_t> profile(3000);
    for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 7 + 3);
    CPicture withProfile = detailed(300, 203);
    withProfile.setIccProfile(profile);
    TempFiles files;
    const std::string sources[] = {files.write("profile.jpg", saved(withProfile, kFormatJpeg)),
                                   files.write("alpha.png", saved(detailed(300, 203, true), kFormatPng))};
    for (const std::string& path : sources) {
        CPicture whole;
        ASSERT_TRUE(whole.Load(path, 0));
        std::vector<uint8_t> expected;
        ASSERT_TRUE(whole.saveMemory(expected, kFormatJpeg));

        PictureStreamRequest request;
        request.plan = [](uint32_t w, uint32_t h) { return std::vector<PictureStreamOutput>{{w, h, -1}}; };
        std::vector<std::vector<uint8_t>> made;
        ASSERT_EQ(streamPictureFile(path, request, made), PictureStreamResult::Made) << path;
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0], expected) << path;
    }
}

// The program's own BMP reader streams; on Windows WIC reads BMP whole.
#ifndef _WIN32
namespace {

// A BMP of `bits` per pixel (1, 8: a grey palette; 16: 5-5-5; 24; 32: with an alpha mask), top-down
// when asked. Alpha comes from the picture unless `zeroAlpha` writes 0 throughout, as many
// writers do.
std::vector<uint8_t> bmpOf(const CPicture& pic, uint16_t bits, bool topDown, bool zeroAlpha = false)
{
    const uint32_t w = pic.GetWidth(), h = pic.GetHeight();
    const uint32_t headerSize = bits == 32 ? 56 : 40;
    const uint32_t paletteEntries = bits <= 8 ? 1u << bits : 0;
    const uint32_t offset = 14 + headerSize + paletteEntries * 4;
    const size_t stride = ((size_t{w} * bits + 31) / 32) * 4;
    std::vector<uint8_t> out(offset + stride * h, 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'B', out[1] = 'M';
    put(2, static_cast<uint32_t>(out.size()), 4);
    put(10, offset, 4);
    put(14, headerSize, 4);
    put(18, w, 4);
    put(22, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(h)) : h, 4);
    put(26, 1, 2);
    put(28, bits, 2);
    if (bits == 32) {
        put(30, 3, 4);  // bit fields, their masks in the longer header
        put(54, 0xFF0000, 4), put(58, 0xFF00, 4), put(62, 0xFF, 4), put(66, 0xFF000000u, 4);
    }
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        const uint8_t grey = static_cast<uint8_t>(i * 255 / (paletteEntries - 1));
        out[14 + headerSize + i * 4] = out[15 + headerSize + i * 4] = out[16 + headerSize + i * 4] = grey;
    }
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = out.data() + offset + stride * (topDown ? y : h - 1 - y);
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = pixelAt(pic, x, y);
            const uint32_t grey = (p[0] + p[1] + p[2]) / 3;
            switch (bits) {
            case 1: row[x / 8] |= static_cast<uint8_t>((grey > 127) << (7 - x % 8)); break;
            case 8: row[x] = static_cast<uint8_t>(grey); break;
            case 16: put(size_t(row - out.data()) + x * 2, (p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3, 2); break;
            case 24: row[x * 3] = p[0], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[2]; break;
            default: std::memcpy(row + x * 4, p, 3), row[x * 4 + 3] = zeroAlpha ? 0 : p[3];
            }
        }
    }
    return out;
}

}  // namespace

TEST(PictureStream, BmpOfEveryDepthTopDownOrBottomUpWithAlphaOrAZeroAlphaByte)
{
    TempFiles files;
    const CPicture opaque = detailed(300, 200);
    const CPicture alpha = detailed(300, 200, true);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"1.bmp", bmpOf(opaque, 1, false)},
        {"8.bmp", bmpOf(opaque, 8, true)},
        {"16.bmp", bmpOf(opaque, 16, false)},
        {"24-top.bmp", bmpOf(opaque, 24, true)},
        {"32-alpha.bmp", bmpOf(alpha, 32, false)},
        {"32-alpha-top.bmp", bmpOf(alpha, 32, true)},
        {"32-zero.bmp", bmpOf(alpha, 32, false, true)},
        {"odd.bmp", bmpOf(detailed(37, 23), 24, false)},  // rows padded, a last band short
    };
    for (const Case& c : cases) {
        const std::string path = files.write(c.name, c.bytes);
        for (const Shape& shape : kShapes)
            for (int turn = 0; turn < 4; turn += 3) expectSame(path, turn, shape, c.name);
    }
    // By rows: the whole picture is never asked for.
    RowsOnlyGate gate(300 * 200 * 4);
    {
        ScopedPictureMemoryGate scope(gate);
        const std::string big = files.write("big.bmp", bmpOf(detailed(600, 400), 24, false));
        EXPECT_EQ(streamed(big, 0, kShapes[0]).size(), 2u);
    }
    // Cut short: nothing is made.
    std::vector<uint8_t> cut = bmpOf(opaque, 24, false);
    cut.resize(cut.size() - 1000);
    EXPECT_TRUE(streamed(files.write("cut.bmp", cut), 0, kShapes[0], PictureStreamResult::Unreadable).empty());
}

namespace {

// A GIF whose first frame (a grey ramp with a band of the transparent colour) sits at (left, top)
// of a larger screen, interlaced when asked; a second frame follows that must be ignored.
bool writeGif(const std::string& path, int screenW, int screenH, int left, int top, int w, int h, bool interlaced)
{
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    if (!map) return false;
    for (int i = 0; i < 256; ++i) map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), 40};
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = 7;
        GifByteType block[4];
        const size_t n = EGifGCBToExtension(&gcb, block);
        ok = EGifPutScreenDesc(gif, screenW, screenH, 8, 0, map) == GIF_OK &&
             EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), block) == GIF_OK;
        for (int frame = 0; frame < 2 && ok; ++frame) {
            ok = EGifPutImageDesc(gif, left, top, w, h, interlaced, nullptr) == GIF_OK;
            std::vector<GifPixelType> line(static_cast<size_t>(w));
            // Interlaced lines are written in the order of the four passes.
            std::vector<int> order;
            if (interlaced) {
                for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                    for (int y = start; y < h; y += step) order.push_back(y);
            } else {
                for (int y = 0; y < h; ++y) order.push_back(y);
            }
            for (int y : order) {
                for (int x = 0; x < w; ++x)
                    line[static_cast<size_t>(x)] =
                        frame ? 200 : static_cast<GifPixelType>(x > w / 3 && x < w / 2 ? 7 : (x * 5 + y * 3) % 256);
                if (ok) ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
            }
        }
        ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    }
    GifFreeMapObject(map);
    return ok;
}

}  // namespace

TEST(PictureStream, GifFramesInsideALargerScreenWithATransparentColourAndInterlacedOnes)
{
    TempFiles files;
    struct Case {
        const char* name;
        int screenW, screenH, left, top, w, h;
        bool interlaced;
    };
    const Case cases[] = {
        {"whole.gif", 300, 200, 0, 0, 300, 200, false},
        {"inside.gif", 300, 200, 40, 30, 200, 120, false},
        {"beyond.gif", 100, 80, 20, 10, 250, 150, false},  // a screen smaller than its frame
        {"interlaced.gif", 300, 200, 10, 5, 250, 170, true},
    };
    for (const Case& c : cases) {
        const std::string path = files.add(c.name);
        ASSERT_TRUE(writeGif(path, c.screenW, c.screenH, c.left, c.top, c.w, c.h, c.interlaced)) << c.name;
        for (const Shape& shape : kShapes)
            for (int turn = 0; turn < 4; turn += 3) expectSame(path, turn, shape, c.name);
    }
    // By rows: the whole picture is never asked for. An interlaced one keeps its colour indices
    // whole (a byte a pixel), never its pixels.
    RowsOnlyGate gate(600 * 400 * 2);
    const std::string big = files.add("big.gif");
    ASSERT_TRUE(writeGif(big, 600, 400, 0, 0, 600, 400, false));
    ScopedPictureMemoryGate scope(gate);
    EXPECT_EQ(streamed(big, 0, kShapes[0]).size(), 2u);
    ASSERT_TRUE(writeGif(big, 600, 400, 0, 0, 600, 400, true));
    EXPECT_EQ(streamed(big, 0, kShapes[0]).size(), 2u);
    RowsOnlyGate tight(600 * 400);
    ScopedPictureMemoryGate tightScope(tight);
    EXPECT_TRUE(streamed(big, 0, kShapes[0], PictureStreamResult::NoMemory).empty());
}

namespace {

// An 8-bit RGBA TIFF in tiles of 64 x 32 (edge tiles part empty), pixels from the picture.
bool writeTiledTiff(const std::string& path, const CPicture& pic)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    const uint32_t w = pic.GetWidth(), h = pic.GetHeight(), tw = 64, th = 32;
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, tw);
    TIFFSetField(t, TIFFTAG_TILELENGTH, th);
    std::vector<uint8_t> tile(size_t{tw} * th * 4);
    bool ok = true;
    for (uint32_t ty = 0; ty < h && ok; ty += th)
        for (uint32_t tx = 0; tx < w && ok; tx += tw) {
            std::fill(tile.begin(), tile.end(), uint8_t{0});
            for (uint32_t y = ty; y < std::min(h, ty + th); ++y)
                for (uint32_t x = tx; x < std::min(w, tx + tw); ++x) {
                    const uint8_t* p = pixelAt(pic, x, y);
                    uint8_t* q = &tile[((y - ty) * tw + (x - tx)) * 4];
                    q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = p[3];
                }
            ok = TIFFWriteTile(t, tile.data(), tx, ty, 0, 0) >= 0;
        }
    TIFFClose(t);
    return ok;
}

}  // namespace

TEST(PictureStream, TiledTiffComesByRowsOfTilesWithItsEdgeTilesInPlace)
{
    TempFiles files;
    for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{300, 200}, {64, 32}, {1, 70}, {130, 1}}) {
        const std::string path = files.add("tiled-" + std::to_string(w) + "x" + std::to_string(h) + ".tif");
        ASSERT_TRUE(writeTiledTiff(path, detailed(w, h, true)));
        for (const Shape& shape : kShapes)
            for (int turn = 0; turn < 4; turn += 3) expectSame(path, turn, shape, path);
    }
    RowsOnlyGate gate(1200 * 800 * 4 / 4);
    const std::string big = files.add("big-tiled.tif");
    ASSERT_TRUE(writeTiledTiff(big, detailed(1200, 800)));
    ScopedPictureMemoryGate scope(gate);
    EXPECT_EQ(streamed(big, 0, kShapes[0]).size(), 2u);
}
#endif
