// Pictures made to be shown (thumbnail cells, the comment preview) straight from a file's rows:
// the pixels of load, turn and resize to within one level, each size turned its own way, a
// large photo never held whole, and the cases that make nothing.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_system.h"
#include "picture/picture.h"
#include "picture/picture_shown.h"
#include "picture_test_util.h"

using namespace picture_test;

namespace {

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("fotoloom-shown-" + std::to_string(bytes.size()) + name)).string();
    EXPECT_TRUE(writeFileBytes(path, bytes)) << path;
    return path;
}

std::vector<uint8_t> encoded(const CPicture& pic, int format)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(pic.saveMemory(bytes, format));
    return bytes;
}

// Refuses the whole picture: what is made under it came by rows.
struct RowsOnly final : PictureMemoryGate {
    bool allowPixels(uint64_t) override { return false; }
    bool allowWorkingSet(uint64_t bytes) override
    {
        most = std::max(most, bytes);
        return true;
    }
    uint64_t most = 0;
};

}  // namespace

TEST(PictureShown, EachSizeTurnedItsOwnWayMatchesLoadTurnAndResize)
{
    for (int format : {kFormatJpeg, kFormatPng}) {
        const std::string path =
            writeTemp(format == kFormatJpeg ? "a.jpg" : "a.png", encoded(gradient(320, 200), format));
        const PictureSizeHint hint = PictureSizeHint::fitInto(120, 120);
        for (int turns = 0; turns < 4; ++turns) {
            std::vector<CPicture> made;
            ASSERT_EQ(loadShownPictures(
                          path, hint,
                          [&](uint32_t w, uint32_t h) {
                              EXPECT_EQ(w, 320u);
                              EXPECT_EQ(h, 200u);
                              // As shown after the turn, and unturned.
                              return std::vector<ShownSize>{{turns % 2 ? 50u : 80u, turns % 2 ? 80u : 50u, turns},
                                                            {64, 40, 0}};
                          },
                          made),
                      ShownResult::Made);
            ASSERT_EQ(made.size(), 2u);
            CPicture whole;
            ASSERT_TRUE(whole.Load(path, 0, hint));
            CPicture plain;
            ASSERT_TRUE(whole.Resample2(64, 40, kInterpolationBicubic2, kOverflowRepeat, &plain));
            ASSERT_TRUE(whole.Rotate(90.0f * static_cast<float>(turns)));
            ASSERT_TRUE(whole.Resample2(whole.GetWidth() * 50 / 200, whole.GetHeight() * 50 / 200));
            EXPECT_EQ(made[0].GetWidth(), whole.GetWidth());
            EXPECT_EQ(made[0].GetHeight(), whole.GetHeight());
            EXPECT_LE(maxDifference(made[0], whole), 1) << "turn " << turns << " format " << format;
            EXPECT_LE(maxDifference(made[1], plain), 1) << "format " << format;
        }
        std::remove(path.c_str());
    }
}

TEST(PictureShown, ALargePhotoMadeSmallIsNeverHeldWhole)
{
    const std::string path = writeTemp("big.jpg", encoded(gradient(2400, 1600), kFormatJpeg));
    RowsOnly gate;
    std::vector<CPicture> made;
    {
        ScopedPictureMemoryGate scope(gate);
        ASSERT_EQ(loadShownPictures(
                      path, PictureSizeHint::fitInto(150, 150),
                      [](uint32_t, uint32_t) {
                          return std::vector<ShownSize>{{100, 150, 1}};
                      },
                      made),
                  ShownResult::Made);
    }
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].GetWidth(), 100u);  // turned
    EXPECT_EQ(made[0].GetHeight(), 150u);
    EXPECT_GT(gate.most, 0u);
    EXPECT_LT(gate.most, uint64_t{2400} * 1600 * 4 / 16);
    std::remove(path.c_str());
}

TEST(PictureShown, NoSizesIsNothingToShowAndABrokenFileIsUnreadable)
{
    const std::string thin = writeTemp("thin.png", encoded(gradient(400, 1), kFormatPng));
    std::vector<CPicture> made;
    EXPECT_EQ(loadShownPictures(
                  thin, {}, [](uint32_t, uint32_t) { return std::vector<ShownSize>{}; }, made),
              ShownResult::NothingToShow);
    EXPECT_TRUE(made.empty());
    std::vector<uint8_t> cut = encoded(gradient(300, 200), kFormatJpeg);
    cut.resize(cut.size() / 2);
    const std::string broken = writeTemp("cut.jpg", cut);
    const auto one = [](uint32_t, uint32_t) { return std::vector<ShownSize>{{30, 20, 0}}; };
    EXPECT_EQ(loadShownPictures(broken, {}, one, made), ShownResult::Unreadable);
    EXPECT_TRUE(made.empty());
    EXPECT_EQ(loadShownPictures(broken + ".none", {}, one, made), ShownResult::Unreadable);
    std::remove(thin.c_str());
    std::remove(broken.c_str());
}
