// What a build may hold in memory: one budget shared by every picture worker, pictures bigger
// than the whole budget refused with a clear message, page grids kept to what the settings panel
// allows, and a build that still runs when no worker thread can be started.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <system_error>

#include "generator/memory_budget.h"
#include "generator/picture_pipeline.h"
#include "generator/site_pages.h"
#include "generator_test_util.h"

using namespace generator_test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A raw PBM one row high and 2^28 pixels wide: a 32 MB file, but one row of its pixels alone takes
// a gigabyte, more than the whole budget, even when the picture comes by rows.
std::string wideRowPbm()
{
    const uint32_t width = uint32_t{1} << 28;
    std::string b = "P4\n" + std::to_string(width) + " 1\n";
    b.append(width / 8, '\0');
    return b;
}

// A binary PPM of width x height in one grey shade.
std::string greyPpm(uint32_t width, uint32_t height, uint8_t shade)
{
    std::string b = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    b.append(size_t{width} * height * 3, static_cast<char>(shade));
    return b;
}

}  // namespace

TEST(BuildMemory, WorkersShareOneBudgetAndWaitForRoomInsteadOfFailing)
{
    ScratchFolder scratch;
    TestGallery g(scratch);
    g.doc.photoSize = 6;  // the photo keeps its size
    g.options.jobs = 4;
    const int32_t a = g.addAlbum("A");
    std::vector<std::string> pictures;
    for (int i = 0; i < 8; ++i) {
        pictures.push_back(scratch / cat("p", std::to_string(i), ".ppm"));
        writeAll(pictures.back(), greyPpm(400, 300, static_cast<uint8_t>(30 * i)));
        g.addImage(a, pictures.back());
    }
    // What one picture holds, made alone (they are all alike).
    g.options.jobs = 1;
    g.options.force = true;
    const uint64_t one = g.build().memoryPeak;
    ASSERT_GT(one, 0u);
    // Room for one picture at a time and a half: four workers must take turns.
    g.options.jobs = 4;
    g.options.memoryBudget = one + one / 2;
    const BuildResult r = g.build();
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.picturesMade, 8u);
    EXPECT_GE(r.memoryPeak, one);  // the workers did count what they held
    EXPECT_LE(r.memoryPeak, g.options.memoryBudget);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(pictureSize(g.file(cat("photos/image-1-", std::to_string(i), ".jpg"))), std::make_pair(400u, 300u));
}

TEST(BuildMemory, APictureBiggerThanTheWholeBudgetIsRefusedAndListed)
{
    ScratchFolder scratch;
    TestGallery g(scratch);
    const std::string small = scratch / "small.jpg";
    const std::string huge = scratch / "huge.pbm";
    makePicture(small, 40, 30);
    writeAll(huge, wideRowPbm());
    const int32_t a = g.addAlbum("A");
    g.addImage(a, small);
    g.addImage(a, huge);
    g.addImage(a, small);
    RecordingObserver observer;
    const BuildResult r = g.build(observer);  // the real budget: 1 GB for every worker together

    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.tooLargePictures, std::vector<std::string>{huge});
    EXPECT_TRUE(r.unreadablePictures.empty());
    EXPECT_EQ(r.picturesMade, 2u);
    EXPECT_LT(r.memoryPeak, uint64_t{64} << 20);  // refused before its gigabyte was allocated
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_EQ(observer.warnings[0],
              "This picture is too large to build within the memory budget of 1024 MB; the gallery "
              "shows its file name in place of its photo and thumbnail:\n" +
                  huge + " (needs about 9249 MB)");
    // Its number stays taken: the page links its picture page and shows its file's name.
    EXPECT_FALSE(fileExists(g.file("photos/image-1-2.jpg")));
    EXPECT_TRUE(fileExists(g.file("photos/image-1-3.jpg")));
    EXPECT_THAT(g.read("index-1-1.html"), HasSubstr("<a href=\"image-1-2.html\" target=\"_blank\"><span"));
    EXPECT_THAT(g.read("index-1-1.html"), Not(HasSubstr("thumbs/thumb-1-2.jpg")));
}

TEST(BuildMemory, TheEarliestPictureWaitingIsServedFirstAndStopWakesEveryWaiter)
{
    MemoryBudget budget(100);
    EXPECT_FALSE(budget.take(101, 0));  // more than the whole budget: refused at once
    MemoryReservation first(budget, 0);
    ASSERT_TRUE(first.waitFor(70));
    EXPECT_FALSE(budget.tryTake(31, 5));
    EXPECT_TRUE(budget.tryTake(30, 5));
    budget.give(30);

    std::atomic<int> order{0};
    int servedLate = -1, servedEarly = -1;
    std::thread late([&] {
        MemoryReservation r(budget, 9);
        if (r.waitFor(60)) servedLate = order++;
    });
    std::thread early([&] {
        MemoryReservation r(budget, 3);
        if (r.waitFor(60)) servedEarly = order++;
    });
    while (budget.waiting() < 2) std::this_thread::yield();
    first.release();  // room for one of them at a time
    early.join();
    late.join();
    EXPECT_EQ(servedEarly, 0);
    EXPECT_EQ(servedLate, 1);
    EXPECT_LE(budget.peak(), 100u);

    ASSERT_TRUE(first.waitFor(100));
    std::thread stopped([&] { EXPECT_FALSE(budget.take(50, 1)); });
    while (budget.waiting() < 1) std::this_thread::yield();
    budget.stop();
    stopped.join();
}

TEST(BuildMemory, PageGridsStayWithinWhatTheSettingsPanelAllows)
{
    GallerySettings s;
    s.rows = 65536;  // 65536 x 65536 cells wrap to 0 in 32 bits
    s.columns = 65536;
    EXPECT_EQ(pageSize(s), 10000u);
    EXPECT_EQ(pageCount(20001, pageSize(s)), 3u);
    s.rows = -5;
    s.columns = 0;
    EXPECT_EQ(pageSize(s), 1u);

    s.rows = 20000;
    s.columns = 3;
    const Album album{"A", "", 1};
    const AlbumPage page{&s, &album, 1, {}, 1, {}, {}, {}};
    const std::string grid = pictureGrid(page);
    size_t rows = 0;
    for (size_t at = grid.find("<tr>"); at != std::string::npos; at = grid.find("<tr>", at + 1)) ++rows;
    EXPECT_EQ(rows, 100u);
}

TEST(BuildThreads, ABuildThatCannotStartItsWorkersBuildsOnFewerOrOnItsOwnThread)
{
    ScratchFolder scratch;
    std::vector<std::string> pictures;
    for (int i = 0; i < 5; ++i) {
        pictures.push_back(scratch / cat("p", std::to_string(i), ".jpg"));
        makePicture(pictures.back(), 60 + 10 * static_cast<uint32_t>(i), 40);
    }
    for (int started : {0, 1}) {
        TestGallery g(scratch);
        g.doc.outputFolder = scratch / cat("out", std::to_string(started));
        makeFolder(g.doc.outputFolder);
        g.options.jobs = 4;
        int calls = 0;
        g.options.startThread = [&](std::function<void()> body) {
            if (calls++ >= started)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(body));
        };
        const int32_t a = g.addAlbum("A");
        for (const std::string& p : pictures) g.addImage(a, p);
        const BuildResult r = g.build();
        EXPECT_TRUE(r.succeeded()) << started;
        EXPECT_EQ(r.picturesMade, 5u) << started;
        EXPECT_EQ(calls, started + 1);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(pictureSize(g.file(cat("thumbs/thumb-1-", std::to_string(i + 1), ".jpg"))).first,
                      60u + 10u * static_cast<uint32_t>(i));
    }
}
