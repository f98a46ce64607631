// The largest of the next pictures is started first, so that no worker is left alone with a large
// one at the end of a build, but among pictures of about one size the first, so that the one the
// builder waits for is not left for last; everything the user sees still comes in album order:
// the pictures handed to the builder, the progress, the warnings and the files, which are the same
// whatever the number of workers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "generator/picture_pipeline.h"
#include "generator_test_util.h"

using namespace generator_test;

namespace {

std::pair<uint32_t, uint32_t> jpegSize(const std::vector<uint8_t>& bytes)
{
    CPicture pic;
    if (!pic.loadMemory(bytes.data(), bytes.size(), kFormatJpeg)) return {0, 0};
    return {pic.GetWidth(), pic.GetHeight()};
}

}  // namespace

TEST(PictureOrder, TheLargestNextPictureStartsFirstAmongOnesOfOneSizeTheFirstAndAllAreHandedBackInOrder)
{
    ScratchFolder scratch;
    // Widths tell the pictures apart; index 2 is by far the largest file, 4 is missing.
    const uint32_t widths[] = {60, 70, 3000, 80, 0, 400, 90};
    std::vector<PictureJob> jobs;
    for (size_t i = 0; i < std::size(widths); ++i) {
        PictureJob job;
        job.source = scratch / cat("p", std::to_string(i), ".jpg");
        if (widths[i]) makePicture(job.source, widths[i], 50);
        job.photoName = cat("photos/image-1-", std::to_string(i + 1), ".jpg");
        job.thumbName = cat("thumbs/thumb-1-", std::to_string(i + 1), ".jpg");
        job.photoPath = scratch / job.photoName;
        job.thumbPath = scratch / job.thumbName;
        jobs.push_back(job);
    }
    const auto bytes = [&](size_t i) { return widths[i] ? std::filesystem::file_size(jobs[i].source) : 0; };
    ASSERT_GT(bytes(2), 2 * bytes(5));
    const PictureShape shape{{0, 0}, 40, 90, true, false};  // photos keep their size
    MemoryBudget budget(uint64_t{256} << 20);
    PicturePool pool(jobs, shape, 1, budget, nullptr);
    ASSERT_EQ(pool.workers(), 1u);
    for (size_t i = 0; i < jobs.size(); ++i) {
        PictureOutcome outcome = pool.take(i);
        if (!widths[i]) {
            EXPECT_EQ(outcome.kind, PictureOutcome::Kind::Unreadable);
            continue;
        }
        ASSERT_EQ(outcome.kind, PictureOutcome::Kind::Made) << i;
        EXPECT_EQ(jpegSize(outcome.photoBytes).first, widths[i]) << i;
        EXPECT_EQ(outcome.fingerprint.source, jobs[i].source);
    }
    const std::vector<size_t> order = pool.startOrder();
    ASSERT_EQ(order.size(), jobs.size());
    EXPECT_EQ(order.front(), 2u);  // the worker's first pick, before anything was taken
    std::vector<size_t> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i) EXPECT_EQ(sorted[i], i);  // each exactly once

    // Five pictures of about one size, more than one worker's window of four: the first.
    const size_t similar[] = {0, 1, 3, 6};
    ASSERT_LE(bytes(6), 2 * bytes(0));
    std::vector<PictureJob> alike;
    for (size_t i : similar) alike.push_back(jobs[i]);
    alike.push_back(jobs[0]);
    PicturePool inOrder(alike, shape, 1, budget, nullptr);
    for (size_t i = 0; i < alike.size(); ++i) EXPECT_EQ(inOrder.take(i).kind, PictureOutcome::Kind::Made) << i;
    EXPECT_EQ(inOrder.startOrder().front(), 0u);

    // The last four, all inside the window: nothing waits beyond it, so simply the largest.
    alike.pop_back();
    size_t largest = 0;
    for (size_t i = 1; i < alike.size(); ++i)
        if (bytes(similar[i]) > bytes(similar[largest])) largest = i;
    PicturePool last(alike, shape, 1, budget, nullptr);
    for (size_t i = 0; i < alike.size(); ++i) EXPECT_EQ(last.take(i).kind, PictureOutcome::Kind::Made) << i;
    EXPECT_EQ(last.startOrder().front(), largest);
}

TEST(PictureOrder, ABuildThatStartsALargePictureFirstTellsAndWritesEverythingInAlbumOrder)
{
    ScratchFolder scratch;
    const auto picture = [&](const char* name, uint32_t width) {
        const std::string path = scratch / name;
        makePicture(path, width, 60);
        return path;
    };
    const std::string small1 = picture("small1.jpg", 90), large = picture("large.jpg", 2400),
                      small2 = picture("small2.jpg", 100), medium = picture("medium.jpg", 700);
    const std::string missing1 = scratch / "missing1.jpg", missing2 = scratch / "missing2.jpg";
    writeAll(missing2, "not a picture at all");

    std::vector<std::pair<int, int>> progress[2];
    std::map<std::string, std::string> made;  // the first run's files
    for (int run = 0; run < 2; ++run) {
        TestGallery g(scratch, cat("run", std::to_string(run)));
        g.doc.photoSize = 6;  // original size: the photos tell the pictures apart
        g.options.jobs = run == 0 ? 1 : 2;
        const int32_t a = g.addAlbum("A");
        const int32_t b = g.addAlbum("B");
        for (const std::string& p : {small1, missing1, large, small2, medium}) g.addImage(a, p);
        g.addImage(b, missing2);
        g.addImage(b, small1);
        RecordingObserver observer;
        const BuildResult r = g.build(observer);
        progress[run] = observer.progressSeen;

        EXPECT_EQ(r.unreadablePictures, (std::vector<std::string>{missing1, missing2})) << run;
        ASSERT_FALSE(observer.warnings.empty());
        const std::string& told = observer.warnings.front();
        EXPECT_LT(told.find(missing1), told.find(missing2)) << told;
        const std::pair<const char*, uint32_t> photos[] = {{"photos/image-1-1.jpg", 90},
                                                           {"photos/image-1-3.jpg", 2400},
                                                           {"photos/image-1-4.jpg", 100},
                                                           {"photos/image-1-5.jpg", 700},
                                                           {"photos/image-2-2.jpg", 90}};
        for (const auto& [name, width] : photos) {
            EXPECT_EQ(pictureSize(g.file(name)).first, width) << run << name;
            // The files themselves are those a one-worker build writes.
            for (const std::string& file : {std::string(name), "thumbs/thumb" + std::string(name).substr(12)})
                if (run == 0) {
                    made[file] = readAll(g.file(file));
                    EXPECT_FALSE(made[file].empty()) << file;
                } else {
                    EXPECT_TRUE(readAll(g.file(file)) == made[file]) << file;
                }
        }
        EXPECT_FALSE(fileExists(g.file("photos/image-1-2.jpg")));
    }
    // Two steps a picture, album by album, the same whatever the number of workers.
    const std::vector<std::pair<int, int>> expected = {{10, 7},  {20, 14}, {30, 21}, {40, 28},  {50, 35},
                                                       {60, 42}, {70, 50}, {80, 57}, {90, 64},  {100, 71},
                                                       {25, 78}, {50, 85}, {75, 92}, {100, 100}};
    EXPECT_EQ(progress[0], expected);
    EXPECT_EQ(progress[1], expected);
}
