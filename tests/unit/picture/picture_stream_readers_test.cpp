// The program's own readers by rows (TGA, PNM, PCX, WBMP, Sun raster, run-length coded BMP):
// pictures a few bands high with runs that go on from one row into the next, written here byte
// by byte, come out exactly as they were made, by rows, without the whole picture asked of the
// memory gate; and the streamed sizes and turns are those of the whole-picture path.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_stream.h"
#include "picture_test_util.h"

using namespace picture_test;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kWidth = 150, kHeight = 41;  // 41 rows: bands of 16, 16 and 9

// Byte by byte: GCC 12 warns falsely of an initializer list inserted into a growing vector.
void add(Bytes& b, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t v : bytes) b.push_back(v);
}
void put16le(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void put32le(Bytes& b, uint32_t v) { put16le(b, v & 0xFFFF), put16le(b, v >> 16); }
void put32be(Bytes& b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back(uint8_t(v >> (8 * k)));
}

// Grey levels in flat blocks, the blocks at both edges alike so that runs cross row ends, with
// detail between; `levels` 2 makes black and white.
uint8_t levelAt(uint32_t x, uint32_t y, int levels = 256)
{
    const bool edge = x < 20 || x >= kWidth - 20;
    const uint32_t v = edge ? (y / 5) * 40 : (x / 6 * 13 + y * 7 + (x % 3 == 0 ? 90 : 0));
    return levels == 2 ? ((v / 64) % 2 ? 255 : 0) : static_cast<uint8_t>(v % 256);
}

CPicture greys(int levels = 256)
{
    std::vector<uint8_t> px(size_t{kWidth} * kHeight * 4);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint8_t* p = &px[(size_t{y} * kWidth + x) * 4];
            p[0] = p[1] = p[2] = levelAt(x, y, levels), p[3] = 255;
        }
    CPicture pic;
    pic.setPixels(kWidth, kHeight, std::move(px));
    return pic;
}

// Run-length packets over a whole sequence of values: (repeat, count, first index) each.
template <class Emit> void packRuns(const std::vector<uint32_t>& values, size_t most, Emit emit)
{
    for (size_t i = 0; i < values.size();) {
        size_t n = 1;
        while (i + n < values.size() && n < most && values[i + n] == values[i]) ++n;
        if (n >= 2) {
            emit(true, n, i);
        } else {
            while (i + n < values.size() && n < most && values[i + n] != values[i + n - 1]) ++n;
            if (i + n < values.size() && n > 1) --n;  // leave the start of the next run to it
            emit(false, n, i);
        }
        i += n;
    }
}

// 24-bit TGA, raw or run-length coded with packets across rows, either origin and direction.
Bytes tga(bool rle, bool topDown, bool rightToLeft)
{
    Bytes b(12, 0);
    b[2] = uint8_t(rle ? 10 : 2);
    put16le(b, kWidth), put16le(b, kHeight), b.push_back(24);
    b.push_back(uint8_t((topDown ? 0x20 : 0) | (rightToLeft ? 0x10 : 0)));
    std::vector<uint32_t> order;  // the levels in file order
    for (uint32_t r = 0; r < kHeight; ++r)
        for (uint32_t c = 0; c < kWidth; ++c)
            order.push_back(levelAt(rightToLeft ? kWidth - 1 - c : c, topDown ? r : kHeight - 1 - r));
    if (!rle) {
        for (uint32_t v : order) add(b, {uint8_t(v), uint8_t(v), uint8_t(v)});
        return b;
    }
    packRuns(order, 128, [&](bool repeat, size_t n, size_t at) {
        b.push_back(uint8_t((repeat ? 0x80 : 0) | (n - 1)));
        for (size_t k = 0; k < (repeat ? 1 : n); ++k)
            add(b, {uint8_t(order[at + k]), uint8_t(order[at + k]), uint8_t(order[at + k])});
    });
    return b;
}

Bytes pnm(const std::string& kind)
{
    const bool plain = kind == "P2";
    const bool wide = kind == "P5w";
    std::string head = (kind == "P5w" ? std::string("P5") : kind) + "\n# made by the test\n" + std::to_string(kWidth) +
                       " " + std::to_string(kHeight) + "\n" + (wide ? "65535" : "255") + "\n";
    Bytes b(head.begin(), head.end());
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const uint8_t v = levelAt(x, y);
            if (plain) {
                const std::string s = std::to_string(v) + (x + 1 == kWidth ? "\n" : " ");
                b.insert(b.end(), s.begin(), s.end());
            } else if (wide) {
                add(b, {v, v});  // v * 257
            } else if (kind == "P6") {
                add(b, {v, v, v});
            } else {
                b.push_back(v);
            }
        }
    return b;
}

// 24-bit PCX in three planes, each line's planes run-length coded.
Bytes pcx()
{
    Bytes b(4, 0);
    b[0] = 0x0A, b[1] = 5, b[2] = 1, b[3] = 8;
    put16le(b, 0), put16le(b, 0), put16le(b, kWidth - 1), put16le(b, kHeight - 1), put16le(b, 72), put16le(b, 72);
    b.resize(65, 0);
    b.push_back(3);
    put16le(b, kWidth);  // even
    b.resize(128, 0);
    for (uint32_t y = 0; y < kHeight; ++y) {
        std::vector<uint32_t> line;
        for (int plane = 0; plane < 3; ++plane)
            for (uint32_t x = 0; x < kWidth; ++x) line.push_back(levelAt(x, y));
        for (size_t i = 0; i < line.size();) {
            size_t n = 1;
            while (i + n < line.size() && n < 63 && line[i + n] == line[i]) ++n;
            if (n > 1 || line[i] >= 0xC0) b.push_back(uint8_t(0xC0 | n));
            b.push_back(uint8_t(line[i]));
            i += n;
        }
    }
    return b;
}

Bytes wbmp()
{
    Bytes b = {0, 0, uint8_t(0x80 | (kWidth >> 7)), uint8_t(kWidth & 0x7F), uint8_t(kHeight)};
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; x += 8) {
            uint8_t byte = 0;
            for (uint32_t k = 0; k < 8 && x + k < kWidth; ++k)
                if (levelAt(x + k, y, 2)) byte |= uint8_t(0x80 >> k);
            b.push_back(byte);
        }
    return b;
}

// 8-bit Sun raster, byte-run encoded over the whole picture (runs cross rows), grey colour map.
Bytes ras()
{
    Bytes b;
    put32be(b, 0x59A66A95), put32be(b, kWidth), put32be(b, kHeight), put32be(b, 8), put32be(b, 0), put32be(b, 2);
    put32be(b, 1), put32be(b, 768);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) b.push_back(uint8_t(i));
    std::vector<uint32_t> all;  // 150 is even: no padding
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) all.push_back(levelAt(x, y));
    for (size_t i = 0; i < all.size();) {
        size_t n = 1;
        while (i + n < all.size() && n < 256 && all[i + n] == all[i]) ++n;
        if (all[i] == 0x80 && n == 1)
            add(b, {0x80, 0});  // one 0x80
        else if (n > 2 || all[i] == 0x80)
            add(b, {0x80, uint8_t(n - 1), uint8_t(all[i])});
        else
            b.insert(b.end(), n, uint8_t(all[i]));
        i += n;
    }
    return b;
}

// 8-bit run-length coded BMP with a grey palette, bottom up, a row skipped by a delta and filled
// afterwards never (left at index 0).
Bytes bmpRle8()
{
    Bytes data;
    for (uint32_t r = 0; r < kHeight; ++r) {
        const uint32_t y = kHeight - 1 - r;
        std::vector<uint32_t> row;
        for (uint32_t x = 0; x < kWidth; ++x) row.push_back(levelAt(x, y));
        packRuns(row, 255, [&](bool repeat, size_t n, size_t at) {
            if (repeat || n < 3) {
                for (size_t k = 0; k < n; k += repeat ? n : 1)
                    add(data, {uint8_t(repeat ? n : 1), uint8_t(row[at + k])});
                return;
            }
            add(data, {0, uint8_t(n)});
            for (size_t k = 0; k < n; ++k) data.push_back(uint8_t(row[at + k]));
            if (n & 1) data.push_back(0);
        });
        add(data, {0, 0});
    }
    add(data, {0, 1});
    Bytes b = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 256 * 4;
    put32le(b, offset + uint32_t(data.size())), put32le(b, 0), put32le(b, offset);
    put32le(b, 40), put32le(b, kWidth), put32le(b, kHeight), put16le(b, 1), put16le(b, 8), put32le(b, 1);
    put32le(b, uint32_t(data.size())), put32le(b, 0), put32le(b, 0), put32le(b, 256), put32le(b, 0);
    for (int i = 0; i < 256; ++i) add(b, {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::string writeTemp(const std::string& name, const Bytes& bytes)
{
    const std::string path = (std::filesystem::temp_directory_path() / ("fotoloom-readers-rows-" + name)).string();
    EXPECT_TRUE(writeFileBytes(path, bytes)) << path;
    return path;
}

// Refuses the whole picture: what is made under it came by rows.
struct RowsOnly final : PictureMemoryGate {
    bool allowPixels(uint64_t) override { return false; }
    bool allowWorkingSet(uint64_t) override { return true; }
};

// The picture streamed at `width` x `height`, turned by `turns`; empty when the stream failed.
CPicture streamed(const std::string& path, int turns, uint32_t width, uint32_t height)
{
    PictureStreamRequest request;
    request.quarterTurns = turns;
    request.pixels = true;
    request.plan = [&](uint32_t, uint32_t) { return std::vector<PictureStreamOutput>{{width, height, -1}}; };
    std::vector<std::vector<uint8_t>> outputs;
    CPicture pic;
    RowsOnly gate;
    ScopedPictureMemoryGate scope(gate);
    if (streamPictureFile(path, request, outputs) == PictureStreamResult::Made && outputs.size() == 1)
        pic.setPixels(width, height, std::move(outputs[0]));
    return pic;
}

}  // namespace

TEST(PictureStreamReaders, EachReaderByRowsGivesThePictureAsMadeAndTheWholePathsSizesAndTurns)
{
    const CPicture grey = greys(), blackWhite = greys(2);
    const struct {
        std::string name;
        Bytes bytes;
        const CPicture& expected;
    } cases[] = {
        {"raw-bottom-up.tga", tga(false, false, false), grey},
        {"raw-top-down-mirrored.tga", tga(false, true, true), grey},
        {"rle-bottom-up.tga", tga(true, false, false), grey},
        {"rle-bottom-up-mirrored.tga", tga(true, false, true), grey},
        {"rle-top-down.tga", tga(true, true, false), grey},
        {"raw.ppm", pnm("P6"), grey},
        {"raw.pgm", pnm("P5"), grey},
        {"sixteen-bit.pgm", pnm("P5w"), grey},
        {"plain.pgm", pnm("P2"), grey},
        {"planes.pcx", pcx(), grey},
        {"one-bit.wbmp", wbmp(), blackWhite},
        {"runs.ras", ras(), grey},
        {"rle8.bmp", bmpRle8(), grey},
    };
    for (const auto& c : cases) {
        const std::string path = writeTemp(c.name, c.bytes);
        // At its own size the rows are the picture itself.
        const CPicture same = streamed(path, 0, kWidth, kHeight);
        ASSERT_TRUE(same.IsValid()) << c.name;
        EXPECT_EQ(maxDifference(same, c.expected), 0) << c.name;
        // Made smaller and turned: what loading whole, turning and resizing makes.
        for (int turns = 0; turns < 4; ++turns) {
            CPicture whole;
            ASSERT_TRUE(whole.Load(path)) << c.name;
            ASSERT_TRUE(whole.Rotate(90.0f * static_cast<float>(turns)));
            const uint32_t w = whole.GetWidth() / 3, h = whole.GetHeight() / 3;
            ASSERT_TRUE(whole.Resample2(w, h));
            const CPicture small = streamed(path, turns, w, h);
            ASSERT_TRUE(small.IsValid()) << c.name << " turn " << turns;
            EXPECT_LE(maxDifference(small, whole), 1) << c.name << " turn " << turns;
        }
        // Cut short anywhere in its pixels: nothing is made.
        Bytes cut = c.bytes;
        cut.resize(cut.size() - cut.size() / 4);
        const std::string cutPath = writeTemp("cut-" + c.name, cut);
        EXPECT_FALSE(streamed(cutPath, 0, kWidth, kHeight).IsValid()) << c.name;
        std::remove(cutPath.c_str());
        std::remove(path.c_str());
    }
}
