// Rebuilding a gallery folder: what is made again, what is left alone, what is cleaned up, and
// that nothing the builder did not write is ever removed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "generator/build_manifest.h"
#include "generator/content_hash.h"
#include "generator_test_util.h"

using namespace generator_test;

namespace {

void setModified(const std::string& path, std::chrono::seconds shift)
{
    const auto p = fsPath(path);
    std::filesystem::last_write_time(p, std::filesystem::last_write_time(p) + shift);
}

struct ThreePictures : TestGallery {
    std::vector<std::string> sources;
    int32_t album = 0;

    explicit ThreePictures(const ScratchFolder& scratch) : TestGallery(scratch)
    {
        album = addAlbum("A");
        for (int i = 0; i < 3; ++i) {
            sources.push_back(scratch / cat("p", std::to_string(i), ".jpg"));
            makePicture(sources.back(), 80, 60, static_cast<uint8_t>(40 + 60 * i));
            addImage(album, sources.back());
        }
    }
};

}  // namespace

TEST(IncrementalBuild, AnUnchangedGalleryMakesNothingAgainAndReportsAsAFullBuild)
{
    ScratchFolder scratch;
    ThreePictures g(scratch);
    RecordingObserver first;
    const BuildResult r1 = g.build(first);
    ASSERT_EQ(r1.picturesMade, 3u);
    const std::string photo = g.read("photos/image-1-2.jpg");

    RecordingObserver second;
    const BuildResult r2 = g.build(second);
    EXPECT_EQ(r2.outcome, BuildOutcome::Completed);
    EXPECT_EQ(r2.picturesMade, 0u);
    EXPECT_EQ(r2.picturesReused, 3u);
    EXPECT_EQ(r2.filesUnchanged, r2.filesWritten);
    EXPECT_EQ(r2.filesRemoved, 0u);
    EXPECT_EQ(second.progressSeen, first.progressSeen);
    EXPECT_EQ(second.questions, first.questions);
    EXPECT_EQ(g.read("photos/image-1-2.jpg"), photo);

    // Touched but not changed: the content hash says it is the same picture.
    setModified(g.sources[1], std::chrono::hours(1));
    const BuildResult r3 = g.build();
    EXPECT_EQ(r3.picturesMade, 0u);

    g.options.force = true;
    const BuildResult r4 = g.build();
    EXPECT_EQ(r4.picturesMade, 3u);
    EXPECT_EQ(r4.filesUnchanged, 0u);
}

TEST(IncrementalBuild, OnlyThePictureWhoseSourceOrShapeChangedIsMadeAgain)
{
    ScratchFolder scratch;
    ThreePictures g(scratch);
    ASSERT_EQ(g.build().picturesMade, 3u);

    makePicture(g.sources[2], 80, 60, 250);
    setModified(g.sources[2], std::chrono::seconds(5));
    BuildResult r = g.build();
    EXPECT_EQ(r.picturesMade, 1u);
    EXPECT_EQ(r.picturesReused, 2u);

    // A turn changes the shape of one picture.
    Image turned = g.doc.images()[0];
    turned.rotation = 90;
    g.doc.removeImageAt(0);
    g.doc.insertImageAt(0, turned);
    r = g.build();
    EXPECT_EQ(r.picturesMade, 1u);
    EXPECT_EQ(pictureSize(g.file("photos/image-1-1.jpg")), std::make_pair(60u, 80u));

    // A photo that went missing is made again.
    removeFile(g.file("thumbs/thumb-1-3.jpg"));
    r = g.build();
    EXPECT_EQ(r.picturesMade, 1u);
    EXPECT_TRUE(fileExists(g.file("thumbs/thumb-1-3.jpg")));

    // A setting that shapes every picture makes them all again.
    g.doc.thumbWidth = 50;
    EXPECT_EQ(g.build().picturesMade, 3u);
}

TEST(IncrementalBuild, LeftoversOfAnEarlierBuildGoButNothingElse)
{
    ScratchFolder scratch;
    ThreePictures g(scratch);
    g.doc.rows = 1;
    g.doc.columns = 1;
    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    EXPECT_TRUE(fileExists(g.file("index-1-3.html")));

    // The user's own files, one of them where the builder wrote before.
    writeAll(g.file("notes.txt"), "mine");
    writeAll(g.file("photos/holiday.jpg"), "mine too");
    writeAll(g.file("image-1-2.html"), "the user's own page now, of another size");

    g.doc.removeImageAt(2);
    g.doc.removeImageAt(1);
    const BuildResult r = g.build();
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    for (const char* gone : {"index-1-2.html", "index-1-3.html", "image-1-3.html", "photos/image-1-2.jpg",
                             "photos/image-1-3.jpg", "thumbs/thumb-1-2.jpg", "thumbs/thumb-1-3.jpg"})
        EXPECT_FALSE(fileExists(g.file(gone))) << gone;
    for (const char* kept : {"notes.txt", "photos/holiday.jpg", "image-1-2.html", "index-1-1.html",
                             "photos/image-1-1.jpg", "images/dot.gif"})
        EXPECT_TRUE(fileExists(g.file(kept))) << kept;
    EXPECT_EQ(r.filesRemoved, 7u);
}

TEST(IncrementalBuild, ACancelledBuildForgetsNothingItMayHaveToCleanUpLater)
{
    ScratchFolder scratch;
    ThreePictures g(scratch);
    g.doc.rows = 1;
    g.doc.columns = 1;
    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    g.doc.removeImageAt(2);
    RecordingObserver observer;
    observer.cancelAtCheck = 1;
    ASSERT_EQ(g.build(observer).outcome, BuildOutcome::Cancelled);
    EXPECT_TRUE(fileExists(g.file("index-1-3.html")));  // a cancelled build removes nothing

    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    EXPECT_FALSE(fileExists(g.file("index-1-3.html")));
    EXPECT_FALSE(fileExists(g.file("photos/image-1-3.jpg")));
}

TEST(IncrementalBuild, AForgedManifestCannotMakeTheBuilderRemoveAnythingOutsideItsFiles)
{
    ScratchFolder scratch;
    ThreePictures g(scratch);
    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    const std::string outside = scratch / "outside.txt";
    writeAll(outside, "12345");
    writeAll(g.file("photos/sub.txt"), "12345");
    // Every line with the right size and content hash: only the names themselves are wrong.
    std::string forged = "fotoloom-manifest 2\n";
    for (const std::string& name :
         {std::string("../outside.txt"), std::string("photos/../../outside.txt"), outside,
          std::string("..\\outside.txt"), std::string("photos/x/../sub.txt"), std::string("other/sub.txt")})
        forged += "F\t5\t" + hexOf(contentHash("12345", 5)) + "\t" + name + "\n";
    writeAll(g.file(kManifestName), forged);
    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    EXPECT_TRUE(fileExists(outside));
    EXPECT_TRUE(fileExists(g.file("photos/sub.txt")));
}

TEST(BuildManifest, ReadsWhatItWritesAndPassesOverLinesThatDoNotParse)
{
    BuildManifest m;
    m.files["index.html"] = {12, 0x1234};
    m.files["photos/image-1-1.jpg"] = {3000, 0xFFFFFFFFFFFFFFFFull};
    m.files["thumbs/thumb-1-1.jpg"] = {700, 0};
    m.pictures["photos/image-1-1.jpg"] = {"C:\\Pics\\tab\there%.jpg", 123456, -42, 0xFEDCBA9876543210ull, "v1 r90",
                                          "thumbs/thumb-1-1.jpg",     {}};
    const std::string text = manifestText(m);
    const BuildManifest back = parseManifest(text);
    EXPECT_EQ(back.files, m.files);
    EXPECT_EQ(back.pictures, m.pictures);

    const BuildManifest damaged =
        parseManifest(text +
                      "F\tx\t1\tstyle.css\nF\t1\n\nP\ta\tb\nF\t99999999999999999999999\t1\tindex-1-1.html\n"
                      "F\t3\t1\tphotos/\nF\t3\tzz\tindex-1-2.html\nF\t3\tindex-1-3.html\nQ\t1\t2\n"
                      "P\tphotos/a.jpg\tthumbs/a.jpg\t1\t2\tzz\tv\t%4\nF\t4\tab\tok.html");
    EXPECT_EQ(damaged.files.size(), 4u);
    EXPECT_EQ(damaged.files.at("ok.html"), (WrittenFile{4, 0xab}));
    EXPECT_EQ(damaged.pictures.size(), 1u);

    // The first format recorded sizes only: nothing it lists can be proven ours.
    EXPECT_TRUE(parseManifest("fotoloom-manifest 1\nF\t1\tindex.html\n").files.empty());
    EXPECT_TRUE(parseManifest("something else\nF\t1\t1\tindex.html\n").files.empty());
    EXPECT_TRUE(parseManifest("").files.empty());
    EXPECT_TRUE(parseManifest(std::string(1000, '\0')).files.empty());
}
