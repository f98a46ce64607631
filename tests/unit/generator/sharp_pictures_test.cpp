// Themes that ask for high-density pictures: the second file of each photo and thumbnail (only
// where the source holds it), the look the pages tell (sizes, average colour), the picture page
// template, and that a theme without the keys gets the gallery it always had.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "generator/build_manifest.h"
#include "generator/site_pages.h"
#include "generator_test_util.h"
#include "support/exif_bytes.h"

using namespace generator_test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A template root holding "plain" (the fixture theme without the new keys) and "sharp" (the same
// with "%SHARPPICTURES%" and a picture page template).
struct Themes {
    std::string root;
    explicit Themes(const ScratchFolder& scratch) : root(scratch / "template")
    {
        for (const char* theme : {"plain", "sharp"}) {
            const std::string folder = joinPath(root, theme);
            makeFolder(root);
            makeFolder(folder);
            makeFolder(joinPath(folder, "images"));
            writeAll(joinPath(folder, "style.css"), readAll(fixtureThemes() + "/keys/style.css"));
            std::string page = readAll(fixtureThemes() + "/keys/index.html");
            if (std::string(theme) == "sharp") {
                page += "S=%SHARPPICTURES%\n";
                writeAll(joinPath(folder, "picture.html"),
                         "<title>%PICTURETITLE%</title>%PAGEMETA%\n%PHOTO%\n<a href=\"%ALBUMPAGE%\">%ALBUMTITLE%</a>\n"
                         "%PICTURENAV%\n");
            }
            writeAll(joinPath(folder, "index.html"), page);
        }
    }
};

std::string manifestOf(const TestGallery& g) { return g.read(kManifestName); }

// One album: a large picture (both high-density files), a small one (only the dense thumbnail),
// and one whose file is gone; two per page, in a grid of one column.
struct SharpGallery : TestGallery {
    Themes themes;
    explicit SharpGallery(const ScratchFolder& scratch, int32_t rotation = 0) : TestGallery(scratch), themes(scratch)
    {
        options.templateRoot = themes.root;
        doc.themeName = "sharp";
        doc.photoSize = 0;  // 320 x 240
        doc.thumbWidth = 100;
        doc.rows = 2;
        doc.columns = 1;
        const int32_t album = addAlbum("Walks");
        makePicture(scratch / "large.jpg", 1000, 800, 200);
        makePicture(scratch / "small.png", 400, 300, 60, kFormatPng);
        addImage(album, scratch / "large.jpg", "Large", rotation);
        addImage(album, scratch / "small.png");
        addImage(album, scratch / "gone.jpg");
    }
};

}  // namespace

TEST(SharpPictures, ATwiceAsLargeFileIsMadeOnlyWhereTheSourceHoldsIt)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    const BuildResult r = g.build();
    ASSERT_EQ(r.picturesMade, 2u);

    // 1000 x 800 into 320 x 240 is 300 x 240; the thumbnail 100 x 80.
    EXPECT_EQ(pictureSize(g.file("photos/image-1-1.jpg")), std::make_pair(300u, 240u));
    EXPECT_EQ(pictureSize(g.file("photos/image-1-1@2x.jpg")), std::make_pair(600u, 480u));
    EXPECT_EQ(pictureSize(g.file("thumbs/thumb-1-1.jpg")), std::make_pair(100u, 80u));
    EXPECT_EQ(pictureSize(g.file("thumbs/thumb-1-1@2x.jpg")), std::make_pair(200u, 160u));
    // 400 x 300 holds no 640 x 480 photo (never enlarged), but a 200 x 150 thumbnail.
    EXPECT_EQ(pictureSize(g.file("photos/image-1-2.jpg")), std::make_pair(320u, 240u));
    EXPECT_FALSE(fileExists(g.file("photos/image-1-2@2x.jpg")));
    EXPECT_EQ(pictureSize(g.file("thumbs/thumb-1-2@2x.jpg")), std::make_pair(200u, 150u));

    const std::string manifest = manifestOf(g);
    for (const char* name : {"photos/image-1-1@2x.jpg", "thumbs/thumb-1-1@2x.jpg", "thumbs/thumb-1-2@2x.jpg"})
        EXPECT_THAT(manifest, HasSubstr(cat("\t", name, "\n"))) << name;
}

TEST(SharpPictures, TheGridTellsSizesDenseFilesColourAndLoadsLaterRowsLazily)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    g.build();
    const std::string first = g.read("index-1-1.html");
    // The large picture: every high-density file, its size, its grey behind it, in the first row.
    EXPECT_THAT(first, HasSubstr("<a href=\"image-1-1.html\" data-photo2x=\"300x240\">"
                                 "<img class=\"divaround\" src=\"thumbs/thumb-1-1.jpg\" srcset=\"thumbs/thumb-1-1.jpg "
                                 "100w, thumbs/thumb-1-1@2x.jpg 200w\" sizes=\"100px\" width=\"100\" height=\"80\" "
                                 "style=\"background-color: #cccccc\" alt=\"Large\">"));
    // The small one: no high-density photo for the viewer; the second row loads lazily.
    EXPECT_THAT(first, HasSubstr("<a href=\"image-1-2.html\"><img class=\"divaround\" "
                                 "src=\"thumbs/thumb-1-2.jpg\" srcset=\"thumbs/thumb-1-2.jpg 100w, "
                                 "thumbs/thumb-1-2@2x.jpg 200w\" sizes=\"100px\" width=\"100\" height=\"75\" "
                                 "loading=\"lazy\" decoding=\"async\" style=\"background-color: #444444\""));
    // The old grid is still filled for a theme that uses both keys.
    EXPECT_THAT(first, HasSubstr("G=<table"));
    // The missing picture keeps its place as a box of the grid's width holding its file's name.
    EXPECT_THAT(g.read("index-1-2.html"),
                HasSubstr("<a href=\"image-1-3.html\"><span class=\"divaround missingpicture\" role=\"img\" "
                          "aria-label=\"gone.jpg\""));
    EXPECT_THAT(g.read("index-1-2.html"), HasSubstr("width: 100px; max-width: 100%; height: 75px;"));
    EXPECT_THAT(g.read("index-1-2.html"), Not(HasSubstr("thumb-1-3")));
}

TEST(SharpPictures, PicturePagesComeFromTheThemesTemplate)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    g.build();
    const std::string page = g.read("image-1-1.html");
    EXPECT_THAT(page, HasSubstr("<title>Large</title>"));
    EXPECT_THAT(page, HasSubstr("<meta name=\"description\" content=\"Large\">"));
    EXPECT_THAT(page, HasSubstr("<meta property=\"og:image\" content=\"photos/image-1-1.jpg\">"));
    EXPECT_THAT(page, HasSubstr("<img class=\"photo\" src=\"photos/image-1-1.jpg\" srcset=\"photos/image-1-1.jpg "
                                "300w, photos/image-1-1@2x.jpg 600w\" sizes=\"(max-width: 300px) 100vw, 300px\" "
                                "width=\"300\" height=\"240\" alt=\"Large\">"));
    EXPECT_THAT(page, HasSubstr("<a href=\"index-1-1.html\">Walks</a>"));
    // Without the script a visitor still goes from picture to picture.
    EXPECT_THAT(page,
                HasSubstr("<nav class=\"picturenav\" aria-label=\"Pictures of the album\"><span class=\"position\">"
                          "1 of 3</span><a class=\"next\" rel=\"next\" href=\"image-1-2.html\">Next</a></nav>"));
    EXPECT_THAT(g.read("image-1-2.html"),
                HasSubstr("<a class=\"previous\" rel=\"prev\" href=\"image-1-1.html\">Previous</a>"
                          "<span class=\"position\">2 of 3</span><a class=\"next\""));
    // The third picture is on the album's second page; it has no file, so its name and no preview.
    const std::string gone = g.read("image-1-3.html");
    EXPECT_THAT(gone, HasSubstr("<p class=\"missingphoto\" style=\"text-align: center\"><span "
                                "class=\"missingpicture\" role=\"img\" aria-label=\"gone.jpg\""));
    EXPECT_THAT(gone, Not(HasSubstr("image-1-3.jpg")));
    EXPECT_THAT(gone, HasSubstr("<a href=\"index-1-2.html\">"));
    EXPECT_THAT(gone, Not(HasSubstr("og:image")));
    EXPECT_THAT(gone, HasSubstr("href=\"image-1-2.html\">Previous</a><span class=\"position\">3 of 3</span></nav>"));
}

TEST(SharpPictures, ARebuildReusesEverythingAndItsPagesAreTheSame)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    g.build();
    const std::string page = g.read("index-1-1.html");
    const std::string dense = g.read("photos/image-1-1@2x.jpg");

    const BuildResult again = g.build();
    EXPECT_EQ(again.picturesMade, 0u);
    EXPECT_EQ(again.picturesReused, 2u);
    EXPECT_EQ(again.filesUnchanged, again.filesWritten);
    EXPECT_EQ(again.filesRemoved, 0u);
    EXPECT_EQ(g.read("index-1-1.html"), page);  // the look came from the manifest
    EXPECT_EQ(g.read("photos/image-1-1@2x.jpg"), dense);

    // A high-density file that went missing is made again, not taken as there.
    ASSERT_TRUE(removeFile(g.file("thumbs/thumb-1-1@2x.jpg")));
    const BuildResult mended = g.build();
    EXPECT_EQ(mended.picturesMade, 1u);
    EXPECT_TRUE(fileExists(g.file("thumbs/thumb-1-1@2x.jpg")));
}

TEST(SharpPictures, ATurnedPictureHasItsDenseFilesTurnedToo)
{
    ScratchFolder scratch;
    SharpGallery g(scratch, 90);
    g.build();
    EXPECT_EQ(pictureSize(g.file("photos/image-1-1.jpg")), std::make_pair(192u, 240u));
    EXPECT_EQ(pictureSize(g.file("photos/image-1-1@2x.jpg")), std::make_pair(384u, 480u));
    EXPECT_EQ(pictureSize(g.file("thumbs/thumb-1-1@2x.jpg")), std::make_pair(200u, 250u));
}

TEST(SharpPictures, SwitchingToAThemeWithoutThemGivesTheGalleryItAlwaysHad)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    g.build();

    // The same project built fresh with the plain theme ...
    SharpGallery fresh(scratch);
    fresh.doc.themeName = "plain";
    fresh.doc.outputFolder = scratch / "fresh";
    makeFolder(fresh.doc.outputFolder);
    fresh.build();

    // ... and the sharp gallery rebuilt with it: the high-density files go, every page and file
    // is what a fresh build writes, and the manifest lists no look.
    g.doc.themeName = "plain";
    const BuildResult r = g.build();
    EXPECT_EQ(r.filesRemoved, 3u);
    EXPECT_FALSE(fileExists(g.file("photos/image-1-1@2x.jpg")));
    EXPECT_FALSE(fileExists(g.file("thumbs/thumb-1-2@2x.jpg")));
    for (const char* name : {"index.html", "index-1-1.html", "index-1-2.html", "image-1-1.html", "image-1-3.html",
                             "photos/image-1-1.jpg", "thumbs/thumb-1-2.jpg"})
        EXPECT_EQ(g.read(name), fresh.read(name)) << name;
    EXPECT_THAT(g.read("image-1-1.html"), HasSubstr("<html><head><meta charset=\"utf-8\"><title>Large</title>"));
    EXPECT_THAT(manifestOf(fresh), Not(HasSubstr("\nL\t")));
    EXPECT_THAT(manifestOf(fresh), Not(HasSubstr("@2x")));
}

TEST(SharpPictures, TheLookSurvivesTheManifestAndAnEditedOneIsPassedOver)
{
    BuildManifest m;
    m.files["photos/image-1-1.jpg"] = {10, 1};
    PictureFingerprint p{"a.jpg", 1, 2, 3, "v1 d2", "thumbs/thumb-1-1.jpg", {}};
    p.look = {1024, 768, 150, 112, 0x123456, true, false};
    m.pictures["photos/image-1-1.jpg"] = p;
    EXPECT_EQ(parseManifest(manifestText(m)).pictures, m.pictures);

    const std::string text = manifestText(m);
    const size_t line = text.find("\nL\t") + 1;
    const std::string head = text.substr(0, line);
    for (const char* bad : {"L\tphotos/image-1-1.jpg\t1024\t768\t0\t112\t-\t-\n",          // no thumbnail size
                            "L\tphotos/image-1-1.jpg\t1024\t768\t150\t112\t1000000\tp\n",  // not a colour
                            "L\tphotos/image-1-1.jpg\t1024\t768\t150\t112\t-\tpx\n",       // unknown flag
                            "L\tphotos/image-1-2.jpg\t1024\t768\t150\t112\t-\tp\n"})       // no such picture
    {
        const BuildManifest back = parseManifest(head + bad);
        ASSERT_EQ(back.pictures.count("photos/image-1-1.jpg"), 1u) << bad;
        EXPECT_FALSE(back.pictures.at("photos/image-1-1.jpg").look.known()) << bad;
        EXPECT_EQ(back.pictures.count("photos/image-1-2.jpg"), 0u) << bad;
    }
}

TEST(SharpPictures, DenseFileNamesSitBesideTheirFiles)
{
    EXPECT_EQ(denseFileName("photos/image-1-12.jpg"), "photos/image-1-12@2x.jpg");
    EXPECT_EQ(denseFileName("thumbs/thumb-3-1.jpg"), "thumbs/thumb-3-1@2x.jpg");
}

TEST(SharpPictures, ACancelledBuildKeepsItsDenseFilesListedSoTheNextBuildCleansUp)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    RecordingObserver observer;
    observer.cancelAtCheck = 1;  // after the first picture
    ASSERT_EQ(g.build(observer).outcome, BuildOutcome::Cancelled);
    EXPECT_TRUE(fileExists(g.file("photos/image-1-1@2x.jpg")));
    EXPECT_FALSE(fileExists(g.file("thumbs/thumb-1-2@2x.jpg")));  // never started

    // The theme no longer asks for them: the files the cancelled build wrote go.
    g.doc.themeName = "plain";
    ASSERT_EQ(g.build().outcome, BuildOutcome::Completed);
    EXPECT_FALSE(fileExists(g.file("photos/image-1-1@2x.jpg")));
    EXPECT_FALSE(fileExists(g.file("thumbs/thumb-1-1@2x.jpg")));
    EXPECT_TRUE(fileExists(g.file("photos/image-1-1.jpg")));
}

TEST(SharpPictures, APictureWhoseSharpFilesWouldNotFitTheBudgetIsRefusedAndNothingOfItIsLeft)
{
    // A large picture (sharp photo and thumbnail) and a tiny one (neither: never enlarged), one
    // picture at a time.
    ScratchFolder scratch;
    Themes themes(scratch);
    const std::string large = scratch / "large.jpg";
    const std::string tiny = scratch / "tiny.jpg";
    makePicture(large, 1000, 800, 200);
    makePicture(tiny, 60, 40, 90);
    const auto gallery = [&](const ScratchFolder& out, const char* theme) {
        auto g = std::make_unique<TestGallery>(out);
        g->options.templateRoot = themes.root;
        g->options.jobs = 1;
        g->doc.themeName = theme;
        g->doc.photoSize = 0;  // 320 x 240
        g->doc.thumbWidth = 100;
        const int32_t album = g->addAlbum("Walks");
        g->addImage(album, large);
        g->addImage(album, tiny);
        return g;
    };

    // The budget that the pictures without their sharp files need.
    ScratchFolder plainOut;
    const BuildResult plain = gallery(plainOut, "plain")->build();
    ASSERT_EQ(plain.picturesMade, 2u);
    const uint64_t budget = plain.memoryPeak;

    std::unique_ptr<TestGallery> g = gallery(scratch, "sharp");
    g->options.memoryBudget = budget;
    RecordingObserver observer;
    const BuildResult r = g->build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.tooLargePictures, std::vector<std::string>{large});
    EXPECT_TRUE(r.unreadablePictures.empty());
    EXPECT_EQ(r.picturesMade, 1u);
    EXPECT_LE(r.memoryPeak, budget);
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_THAT(observer.warnings[0], HasSubstr("This picture is too large to build within the memory budget of "));
    EXPECT_THAT(observer.warnings[0],
                HasSubstr("; the gallery shows its file name in place of its photo and thumbnail:\n" + large +
                          " (needs about "));

    // Nothing of it is written, not even a part of its photo under another name; the tiny one is
    // built, and the page still lists the large one's number.
    for (const char* folder : {"photos", "thumbs"}) {
        const auto entries = listFolder(g->file(folder));
        ASSERT_TRUE(entries.has_value()) << folder;
        std::vector<std::string> names;
        for (const FolderEntry& e : *entries)
            if (e.name != "." && e.name != "..") names.push_back(e.name);
        const std::string expected = std::string(folder) == "photos" ? "image-1-2.jpg" : "thumb-1-2.jpg";
        EXPECT_EQ(names, std::vector<std::string>{expected}) << folder;
    }
    EXPECT_THAT(g->read("index-1-1.html"), HasSubstr("aria-label=\"large.jpg\""));
    EXPECT_THAT(g->read("index-1-1.html"), Not(HasSubstr("thumbs/thumb-1-1.jpg")));
    EXPECT_THAT(manifestOf(*g), Not(HasSubstr("photos/image-1-1")));
    EXPECT_THAT(manifestOf(*g), Not(HasSubstr("thumbs/thumb-1-1")));
}

// The camera's account is the owner's to show: written as text on the picture page and for the
// viewer when turned on, absent when off, and never the place it holds.
TEST(SharpPictures, CameraDetailsAreShownOnlyWhenTurnedOnAndNeverThePlace)
{
    ScratchFolder scratch;
    SharpGallery g(scratch);
    writeAll(joinPath(joinPath(g.themes.root, "sharp"), "picture.html"), "%PHOTO%\nE=%EXIF%\n");
    std::string jpeg = readAll(scratch / "large.jpg");
    jpeg.insert(2, exif_test::exifSegment(exif_test::cameraTiff()));
    writeAll(scratch / "large.jpg", jpeg);

    g.build();
    EXPECT_THAT(g.read("image-1-1.html"), HasSubstr("E=\r\n"));
    EXPECT_THAT(g.read("index-1-1.html"), Not(HasSubstr("data-details")));

    g.doc.cameraDetails = 1;
    g.build();
    const std::string page = g.read("image-1-1.html");
    EXPECT_THAT(page,
                HasSubstr("E=<dl class=\"exif\"><dt>Camera</dt><dd>Canon EOS 5D Mark IV</dd><dt>Lens</dt><dd>EF24-70mm "
                          "f/2.8L II USM</dd><dt>Focal length</dt><dd>35 mm</dd><dt>Exposure</dt><dd>1/250 s</dd>"
                          "<dt>Aperture</dt><dd>f/2.8</dd><dt>ISO</dt><dd>200</dd><dt>Taken</dt><dd><time "
                          "datetime=\"2024-05-12T14:03\">2024-05-12 14:03</time></dd></dl>"));
    const std::string album = g.read("index-1-1.html");
    EXPECT_THAT(
        album, HasSubstr("data-details=\"Canon EOS 5D Mark IV \xC2\xB7 EF24-70mm f/2.8L II USM \xC2\xB7 35 mm \xC2\xB7 "
                         "1/250 s \xC2\xB7 f/2.8 \xC2\xB7 ISO 200 \xC2\xB7 2024-05-12 14:03\""));
    // A picture that says nothing of itself gets nothing.
    EXPECT_THAT(g.read("image-1-2.html"), HasSubstr("E=\r\n"));
    for (const std::string& text : {page, album}) {
        EXPECT_THAT(text, Not(HasSubstr("52.5")));
        EXPECT_THAT(text, Not(HasSubstr("13.25")));
    }
}
