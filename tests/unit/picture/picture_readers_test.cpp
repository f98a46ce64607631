// The formats read by the program's own code (and BMP, ICO and TIFF on every platform): small
// files made byte by byte, then truncated and damaged ones of every format.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/tiff_orientation.h"
#include "picture_test_util.h"

using namespace picture_test;
using Bytes = std::vector<uint8_t>;

namespace {

void put16le(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32le(Bytes& b, uint32_t v) { put16le(b, v & 0xFFFF), put16le(b, v >> 16); }
void put32be(Bytes& b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back(uint8_t(v >> (8 * k)));
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes tgaHeader(uint8_t type, uint8_t bits, uint16_t w, uint16_t h, uint8_t descriptor, uint16_t mapLength = 0)
{
    Bytes b = {0, uint8_t(mapLength ? 1 : 0), type};
    put16le(b, 0), put16le(b, mapLength), b.push_back(mapLength ? 24 : 0);
    put16le(b, 0), put16le(b, 0), put16le(b, w), put16le(b, h);
    b.push_back(bits), b.push_back(descriptor);
    return b;
}

// Decodes and checks the B, G, R, A of one pixel.
void expectPixel(const CPicture& pic, uint32_t x, uint32_t y, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255)
{
    ASSERT_TRUE(pic.IsValid());
    const uint8_t* p = pixelAt(pic, x, y);
    EXPECT_EQ(p[0], b) << x << "," << y;
    EXPECT_EQ(p[1], g) << x << "," << y;
    EXPECT_EQ(p[2], r) << x << "," << y;
    EXPECT_EQ(p[3], a) << x << "," << y;
}

CPicture load(const Bytes& bytes, int code = 0)
{
    CPicture pic;
    pic.loadMemory(bytes.data(), bytes.size(), code);
    return pic;
}

Bytes tgaTrueColour()
{
    // 2 x 2, bottom-up: the first stored row is the lower one.
    Bytes b = tgaHeader(2, 24, 2, 2, 0);
    b.insert(b.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    return b;
}

Bytes pcx8(uint16_t w, uint16_t h)
{
    Bytes b = {0x0A, 5, 1, 8};
    put16le(b, 0), put16le(b, 0), put16le(b, w - 1u), put16le(b, h - 1u), put16le(b, 72), put16le(b, 72);
    b.resize(65, 0);
    b.push_back(1);              // planes
    put16le(b, (w + 1u) & ~1u);  // bytes per line, even
    b.resize(128, 0);
    for (uint16_t y = 0; y < h; ++y) {
        b.push_back(0xC0 | uint8_t((w + 1u) & ~1u));  // one run for the whole line
        b.push_back(uint8_t(y));
    }
    b.push_back(0x0C);
    for (int i = 0; i < 256; ++i) b.insert(b.end(), {uint8_t(i), uint8_t(255 - i), 7});
    return b;
}

Bytes rasRgb()
{
    Bytes b;
    put32be(b, 0x59A66A95), put32be(b, 2), put32be(b, 1), put32be(b, 24), put32be(b, 6), put32be(b, 1);
    put32be(b, 0), put32be(b, 0);
    b.insert(b.end(), {10, 20, 30, 40, 50, 60});  // B, G, R per pixel; 6 bytes, already even
    return b;
}

Bytes tiffRgb()
{
    // 2 x 2 uncompressed RGB, one strip.
    Bytes b = {'I', 'I', 42, 0};
    put32le(b, 8);
    const uint16_t count = 10;
    const uint32_t bitsAt = 8 + 2 + count * 12 + 4, pixelsAt = bitsAt + 6;
    put16le(b, count);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t n, uint32_t value) {
        put16le(b, tag), put16le(b, type), put32le(b, n), put32le(b, value);
    };
    entry(256, 3, 1, 2), entry(257, 3, 1, 2), entry(258, 3, 3, bitsAt), entry(259, 3, 1, 1), entry(262, 3, 1, 2);
    entry(273, 4, 1, pixelsAt), entry(277, 3, 1, 3), entry(278, 3, 1, 2), entry(279, 4, 1, 12), entry(284, 3, 1, 1);
    put32le(b, 0);
    put16le(b, 8), put16le(b, 8), put16le(b, 8);
    b.insert(b.end(), {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9});
    return b;
}

Bytes bmpRle8()
{
    // 4 x 2, 8 bits, RLE8, bottom-up: row 0 stored last.
    Bytes data = {4, 1, 0, 0, 2, 2, 2, 3, 0, 0, 0, 1};  // lower row: 1 1 1 1; upper: 2 2 3 3
    Bytes b = {'B', 'M'};
    put32le(b, 14 + 40 + 16 + uint32_t(data.size())), put32le(b, 0), put32le(b, 14 + 40 + 16);
    put32le(b, 40), put32le(b, 4), put32le(b, 2), put16le(b, 1), put16le(b, 8), put32le(b, 1);
    put32le(b, uint32_t(data.size())), put32le(b, 0), put32le(b, 0), put32le(b, 4), put32le(b, 0);
    for (uint8_t i = 0; i < 4; ++i) b.insert(b.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30), 0});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes icon32()
{
    // One 2 x 2 entry, 32 bits with alpha, bottom-up, with its (unused) AND mask.
    Bytes b = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0};
    put16le(b, 1), put16le(b, 32);
    const uint32_t dibSize = 40 + 16 + 8;
    put32le(b, dibSize), put32le(b, 22);
    put32le(b, 40), put32le(b, 2), put32le(b, 4), put16le(b, 1), put16le(b, 32), put32le(b, 0);
    put32le(b, 0), put32le(b, 0), put32le(b, 0), put32le(b, 0), put32le(b, 0);
    b.insert(b.end(), {0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0, 1, 2, 3, 255});
    b.insert(b.end(), 8, 0);
    return b;
}

}  // namespace

TEST(PictureReaders, Tga)
{
    CPicture pic = load(tgaTrueColour(), kFormatTga);
    expectPixel(pic, 0, 1, 1, 2, 3);
    expectPixel(pic, 1, 0, 10, 11, 12);
    EXPECT_EQ(load(tgaTrueColour()).sourceFormat(), kFormatTga) << "found without the name's help";

    // Run-length encoded, 32 bits, top-down: a run of two, then two literal pixels.
    Bytes rle = tgaHeader(10, 32, 2, 2, 0x28);
    rle.insert(rle.end(), {0x81, 1, 2, 3, 128, 0x01, 4, 5, 6, 255, 7, 8, 9, 0});
    pic = load(rle, kFormatTga);
    expectPixel(pic, 1, 0, 1, 2, 3, 128);
    expectPixel(pic, 0, 1, 4, 5, 6, 255);
    expectPixel(pic, 1, 1, 7, 8, 9, 0);

    Bytes mapped = tgaHeader(1, 8, 2, 1, 0x20, 2);
    mapped.insert(mapped.end(), {10, 20, 30, 40, 50, 60, 1, 0});
    pic = load(mapped, kFormatTga);
    expectPixel(pic, 0, 0, 40, 50, 60);
    expectPixel(pic, 1, 0, 10, 20, 30);
}

TEST(PictureReaders, Pnm)
{
    CPicture pic = load(text("P3\n# a comment\n2 1\n255\n255 0 0  0 0 255\n"));
    expectPixel(pic, 0, 0, 0, 0, 255);
    expectPixel(pic, 1, 0, 255, 0, 0);
    Bytes raw16 = text("P6 1 1 65535\n");
    raw16.insert(raw16.end(), {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00});
    expectPixel(load(raw16), 0, 0, 0, 128, 255);
    pic = load(text("P1\n3 1\n010"));
    expectPixel(pic, 0, 0, 255, 255, 255);
    expectPixel(pic, 1, 0, 0, 0, 0);
    Bytes bits = text("P4\n9 1\n");
    bits.insert(bits.end(), {0x80, 0x80});
    pic = load(bits);
    expectPixel(pic, 0, 0, 0, 0, 0);
    expectPixel(pic, 8, 0, 0, 0, 0);
    expectPixel(pic, 7, 0, 255, 255, 255);
    Bytes grey = text("P5 2 1 15\n");
    grey.insert(grey.end(), {15, 0});
    expectPixel(load(grey), 0, 0, 255, 255, 255);
}

TEST(PictureReaders, PcxWbmpAndSunRaster)
{
    CPicture pic = load(pcx8(3, 2));
    ASSERT_EQ(pic.GetWidth(), 3u);
    expectPixel(pic, 2, 1, 7, 254, 1);  // index 1: red 1, green 254, blue 7

    const Bytes wbmp = {0, 0, 10, 2, 0x80, 0x40, 0x00, 0x00};
    pic = load(wbmp, kFormatWbmp);
    ASSERT_EQ(pic.GetWidth(), 10u);
    expectPixel(pic, 0, 0, 255, 255, 255);
    expectPixel(pic, 9, 0, 255, 255, 255);
    expectPixel(pic, 1, 0, 0, 0, 0);
    EXPECT_TRUE(load(wbmp).IsValid()) << "found by its exact size";

    pic = load(rasRgb());
    expectPixel(pic, 0, 0, 10, 20, 30);
    expectPixel(pic, 1, 0, 40, 50, 60);
}

TEST(PictureReaders, BmpIcoAndTiffAgreeOnEveryPlatform)
{
    CPicture pic = load(bmpRle8());
    ASSERT_EQ(pic.GetWidth(), 4u);
    expectPixel(pic, 0, 1, 10, 20, 30);
    expectPixel(pic, 0, 0, 20, 40, 60);
    expectPixel(pic, 3, 0, 30, 60, 90);

    pic = load(icon32());
    ASSERT_EQ(pic.GetHeight(), 2u);
    expectPixel(pic, 0, 1, 0, 0, 255, 255);
    expectPixel(pic, 1, 1, 0, 255, 0, 128);
    EXPECT_TRUE(pic.hasAlpha());

    pic = load(tiffRgb());
    expectPixel(pic, 0, 0, 0, 0, 255);
    expectPixel(pic, 1, 1, 9, 9, 9);
}

namespace {

Orientation orientationOf(const Bytes& b) { return tiffOrientation(ByteSource{b.data(), b.size()}); }

Bytes changed(Bytes b, size_t at, std::initializer_list<uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
}

// A BigTIFF whose directory holds only the orientation tag, of `type` with `value` in its field.
Bytes bigTiff(bool bigEndian, uint16_t type, uint64_t count, uint64_t value)
{
    Bytes b = {bigEndian ? uint8_t('M') : uint8_t('I'), bigEndian ? uint8_t('M') : uint8_t('I')};
    auto put = [&](uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) b.push_back(uint8_t(v >> (8 * (bigEndian ? bytes - 1 - k : k))));
    };
    put(43, 2), put(8, 2), put(0, 2), put(16, 8);
    put(1, 8), put(274, 2), put(type, 2), put(count, 8);
    const int width = type == 3 ? 2 : type == 4 ? 4 : 8;
    put(value, width), put(0, 8 - width);
    put(0, 8);
    return b;
}

}  // namespace

// WIC ignores the tag, so the program reads it; what libtiff reads elsewhere must read the same,
// and a directory that does not hold together must turn nothing and read nothing outside.
TEST(PictureReaders, ATiffsOrientationTagIsReadWhereItHoldsTogetherAndNowhereElse)
{
    const CPicture pic = gradient(5, 3);
    const Bytes good = tiffBytes(pic, 6);
    EXPECT_EQ(orientationOf(good), Orientation::Rotate90);
    EXPECT_EQ(orientationOf(tiffBytes(pic, 8, true)), Orientation::Rotate270);
    EXPECT_EQ(orientationOf(tiffBytes(pic, 0)), Orientation::Normal);
    EXPECT_EQ(orientationOf(bigTiff(false, 3, 1, 3)), Orientation::Rotate180);
    EXPECT_EQ(orientationOf(bigTiff(true, 16, 1, 5)), Orientation::Transpose);

    const size_t entry = good[4] + (good[5] << 8) + 2 + 6 * 12;  // the tag is the seventh entry
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) { return changed(good, at, bytes); };
    // Any integer type libtiff takes for the tag turns the picture on every system; others do not.
    for (const auto& [type, turns] :
         {std::pair{1, true}, {4, true}, {8, true}, {9, true}, {2, false}, {5, false}, {16, false}, {0, false}}) {
        const Bytes b = patched(entry + 2, {uint8_t(type), 0});
        EXPECT_EQ(orientationOf(b), turns ? Orientation::Rotate90 : Orientation::Normal) << "type " << type;
        EXPECT_EQ(load(b).GetWidth(), turns ? 3u : 5u) << "type " << type;
    }
    const std::pair<const char*, Bytes> broken[] = {
        {"two values", patched(entry + 4, {2})},
        {"value 0", patched(entry + 8, {0})},
        {"value 9", patched(entry + 8, {9})},
        {"directory past the end", patched(4, {0xF0, 0xFF, 0xFF, 0x7F})},
        {"directory in the header", patched(4, {4, 0, 0, 0})},
        {"cut inside the tag", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(entry + 9))},
        {"not TIFF", patched(2, {43, 0})},
        {"BigTIFF of too many entries", changed(bigTiff(false, 3, 1, 6), 19, {1})},
        {"BigTIFF directory past the end", changed(bigTiff(true, 3, 1, 6), 8, {0x10})},
        {"BigTIFF of 4-byte offsets", changed(bigTiff(false, 3, 1, 6), 4, {4})},
    };
    for (const auto& [what, bytes] : broken) {
        EXPECT_EQ(orientationOf(bytes), Orientation::Normal) << what;
        CPicture damaged = load(bytes);
        if (damaged.IsValid()) {
            EXPECT_EQ(damaged.GetWidth(), 5u) << what;
        }
    }

    // From a file, the directory far beyond the first bytes read.
    const std::string path = (std::filesystem::temp_directory_path() / "fotoloom-orientation.tif").string();
    ASSERT_TRUE(writeFileBytes(path, tiffBytes(gradient(300, 200), 7, true)));
    std::FILE* f = openFile(path, "rb");
    ASSERT_NE(f, nullptr);
    ByteSource file;
    file.file = f;
    file.fileSize = std::filesystem::file_size(path);
    EXPECT_EQ(tiffOrientation(file), Orientation::Transverse);
    std::fclose(f);
    std::remove(path.c_str());
}

TEST(PictureReaders, FormatsWithoutADecoderFailCleanly)
{
    const Bytes wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(load(wmf, kFormatWmf).IsValid());
    const Bytes jp2 = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    EXPECT_FALSE(load(jp2, kFormatJp2).IsValid());
    EXPECT_FALSE(load(text("PG ML +8 4 4\n"), kFormatPgx).IsValid());
    EXPECT_FALSE(load({}, 0).IsValid());
}

TEST(PictureReaders, TruncatedAndDamagedFilesOfEveryFormatLoadAsInvalid)
{
    std::vector<std::pair<std::string, Bytes>> files = {
        {"tga", tgaTrueColour()},
        {"pcx", pcx8(40, 30)},
        {"ras", rasRgb()},
        {"tiff", tiffRgb()},
        {"bmp-rle", bmpRle8()},
        {"ico", icon32()},
        {"pnm", text("P6 4 4 255\n" + std::string(48, 'x'))},
        {"wbmp", {0, 0, 16, 4, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    const CPicture photo = gradient(40, 30);
    for (auto [name, format] :
         {std::pair{"jpeg", kFormatJpeg}, {"png", kFormatPng}, {"gif", kFormatGif}, {"bmp", kFormatBmp}}) {
        Bytes b;
        ASSERT_TRUE(photo.saveMemory(b, format));
        files.emplace_back(name, b);
    }
    std::mt19937 rng(7);
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(load(bytes).IsValid()) << name;
        for (size_t keep : {size_t{0}, size_t{1}, size_t{8}, bytes.size() / 2}) {
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
            CPicture pic = load(cut, formatCodeOf("x." + name));
            EXPECT_FALSE(pic.IsValid()) << name << " cut to " << keep << " bytes";
            EXPECT_EQ(pic.GetWidth(), 0u);
        }
        // Damage anywhere must never crash; the result may go either way.
        for (int round = 0; round < 200; ++round) {
            Bytes damaged = bytes;
            for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
            CPicture pic = load(damaged);
            if (pic.IsValid()) {
                EXPECT_GT(pic.GetWidth(), 0u);
            }
        }
    }
}
