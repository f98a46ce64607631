#include "gallery/project_file.h"

#include <gtest/gtest.h>

#include "gallery/ansi_text.h"
#include "project_file_fixture.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

using namespace gal_test;

namespace {

struct SelectionObserver : IDocObserver {
    explicit SelectionObserver(const CBuilderDoc& d) : doc(d) {}
    void currentAlbumChanged(int row) override { seen.push_back({row, doc.images().size()}); }
    const CBuilderDoc& doc;
    std::vector<std::pair<int, size_t>> seen;  // row, images loaded by then
};

}  // namespace

// --- Writing and reading back ----------------------------------------------------------------

TEST_F(ProjectFileTest, NewGallerySavesAsTheKnown157BytesAndLoadsUnmodified)
{
    ASSERT_EQ(save("new.gal"), ProjectResult::Ok);
    const std::string expected = emptyGalleryFile();
    ASSERT_EQ(expected.size(), 157u);
    EXPECT_EQ(contents("new.gal"), expected);
    EXPECT_EQ(recent.read()[0], pathOf("new.gal"));
    EXPECT_EQ(filesIn(folder_), std::set<std::string>({"new.gal", "last.ini"}));

    doc.galleryTitle = "changed";
    ASSERT_EQ(load("new.gal"), ProjectResult::Ok);
    EXPECT_EQ(doc.galleryTitle, "Untitled Gallery");
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ProjectFileTest, RichGalleryRoundTripsWholeAndSelectsTheFirstAlbumOnceImagesAreIn)
{
    fillRichGallery();
    ASSERT_EQ(save("rich.gal"), ProjectResult::Ok);
    const std::string bytes = contents("rich.gal");
    // The 300-character comment in the 16-bit form, the 70000-byte path in the 32-bit form.
    EXPECT_NE(bytes.find("\xFF\x2C\x01" + std::string(300, 'c')), std::string::npos);
    EXPECT_NE(bytes.find("\xFF\xFF\xFF" + i32(70007) + "/p/xxx"), std::string::npos);
    // A second save of the same gallery rewrites the file, not appends to it.
    ASSERT_EQ(save("rich.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("rich.gal"), bytes);

    CBuilderDoc loaded;
    FakePrompter quiet;
    loaded.setPrompter(&quiet);
    SelectionObserver observer(loaded);
    loaded.addObserver(&observer);
    ASSERT_EQ(loadProject(loaded, pathOf("rich.gal")), ProjectResult::Ok);
    expectSameGallery(loaded);
    EXPECT_FALSE(loaded.isModified());
    EXPECT_TRUE(quiet.shown.empty());
    ASSERT_FALSE(observer.seen.empty());
    EXPECT_EQ(observer.seen.back(), (std::pair<int, size_t>{0, doc.images().size()}));
    EXPECT_EQ(loaded.currentAlbumKey(), 41);
    loaded.removeObserver(&observer);
}

TEST_F(ProjectFileTest, LengthPrefixesSwitchFormAtTheirBoundaries)
{
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, "\x00"s},
        {254, "\xFE"},
        {255, "\xFF\xFF\x00"s},
        {300, "\xFF\x2C\x01"},
        {65533, "\xFF\xFD\xFF"},
        {65534, "\xFF\xFF\xFF\xFE\xFF\x00\x00"s},
        {70000, "\xFF\xFF\xFF\x70\x11\x01\x00"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        doc.galleryTitle = std::string(c.length, 't');
        ASSERT_EQ(save("len.gal"), ProjectResult::Ok);
        EXPECT_EQ(contents("len.gal").substr(kTitleOffset, c.prefix.size() + 1), c.prefix + (c.length ? "t" : "\x22"));
        CBuilderDoc loaded;
        ASSERT_EQ(loadProject(loaded, pathOf("len.gal")), ProjectResult::Ok);
        EXPECT_EQ(loaded.galleryTitle, doc.galleryTitle);
    }
}

TEST_F(ProjectFileTest, TextOutsideTheNarrowFormIsWrittenWideAndSurvives)
{
    const std::string text = "Zürich — 東京";
    doc.galleryTitle = text;
    ASSERT_EQ(save("text.gal"), ProjectResult::Ok);
    const std::string stored = contents("text.gal").substr(kTitleOffset);
    if (std::optional<std::string> narrow = ansiFromUtf8(text)) {
        EXPECT_EQ(stored.substr(0, narrow->size() + 1), static_cast<char>(narrow->size()) + *narrow);
        EXPECT_EQ(utf8FromAnsi(*narrow), text);
    } else {
        // 11 UTF-16 units after the wide marker.
        EXPECT_EQ(stored.substr(0, 4), "\xFF\xFE\xFF\x0B");
        EXPECT_EQ(stored.substr(4, 22), utf16le(u"Zürich — 東京"));
    }
#ifndef _WIN32
    EXPECT_FALSE(ansiFromUtf8(text));  // only ASCII is narrow here
#endif
    CBuilderDoc loaded;
    ASSERT_EQ(loadProject(loaded, pathOf("text.gal")), ProjectResult::Ok);
    EXPECT_EQ(loaded.galleryTitle, text);
}

TEST_F(ProjectFileTest, WideStringsAreReadInEveryLengthForm)
{
    const std::u16string shortText = u"Zürich — 東京 🙂";
    const std::string shortUtf8 = "Zürich — 東京 🙂";
    const std::u16string longText(65534, u'ж');
    const std::string marker = "\xFF\xFE\xFF";
    struct Case {
        const char* name;
        std::string stored;
        std::string expected;
    };
    const Case cases[] = {
        {"byte", marker + static_cast<char>(shortText.size()) + utf16le(shortText), shortUtf8},
        {"empty", marker + "\x00"s, ""},
        {"16-bit", marker + "\xFF" + le(shortText.size(), 2) + utf16le(shortText), shortUtf8},
        {"32-bit", marker + "\xFF\xFF\xFF" + le(longText.size(), 4) + utf16le(longText), repeat("ж", 65534)},
        {"64-bit", marker + "\xFF\xFF\xFF" + le(0xFFFFFFFF, 4) + le(shortText.size(), 8) + utf16le(shortText),
         shortUtf8},
        {"narrow 64-bit", "\xFF\xFF\xFF" + le(0xFFFFFFFF, 4) + le(3, 8) + "abc", "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("wide.gal", withStoredTitle(c.stored) + "trailing bytes are ignored");
        ASSERT_EQ(loadProject(doc, path), ProjectResult::Ok);
        EXPECT_EQ(doc.galleryTitle, c.expected);
        EXPECT_EQ(doc.homePageUrl, "http://");
        EXPECT_TRUE(prompter.shown.empty());
    }
}

TEST_F(ProjectFileTest, AnyFormatVersionIsAccepted)
{
    write("v7.gal", i32(7) + emptyGalleryFile().substr(4));
    EXPECT_EQ(load("v7.gal"), ProjectResult::Ok);
    EXPECT_TRUE(prompter.shown.empty());
}

// The build sizes pages and pictures by these numbers: a file asking for 20000 x 20000
// thumbnails per page must not get them.
TEST_F(ProjectFileTest, SettingsReadFromAFileAreBroughtIntoTheRangesThePanelAllows)
{
    const std::string f = emptyGalleryFile();
    const size_t settings = f.size() - 8 - 84;  // before the URL, 0x07 "http://"
    auto withSettings = [&](const std::string& stored) { return f.substr(0, settings) + stored; };
    std::string stored = i32(20000) + i32(65536) + i32(-1) + i32(123456789) + i32(5000) + i32(7) + i32(-100) +
                         i32(101) + i32(static_cast<int32_t>(0xFF112233)) + i32(-1);
    for (int colour = 0; colour < 9; ++colour) stored += i32(0x7D7C7B);
    stored += i32(99) + i32(-7);

    write("big.gal", withSettings(stored) + f.substr(f.size() - 8));
    ASSERT_EQ(load("big.gal"), ProjectResult::Ok);
    EXPECT_EQ(doc.rows, 100);
    EXPECT_EQ(doc.columns, 100);
    EXPECT_EQ(doc.thumbWidth, 50);
    EXPECT_EQ(doc.reservedSetting, 123456789);  // read by nothing, kept as it is
    EXPECT_EQ(doc.albumWidth, 3000);
    EXPECT_EQ(doc.albumWidthUnit, 1);
    EXPECT_EQ(doc.outsideBorderWidth, 0);
    EXPECT_EQ(doc.insideBorderWidth, 100);
    EXPECT_EQ(doc.outsideBorderColor, 0x112233);  // the colour itself, without the top byte
    EXPECT_EQ(doc.insideBorderColor, 0xFFFFFF);
    EXPECT_EQ(doc.photoSize, 6);
    EXPECT_EQ(doc.homePageLink, 0);
    EXPECT_FALSE(doc.isModified());
    for (const SettingInfo& s : integerSettings()) {
        EXPECT_GE(s.numberIn(doc), s.minimum) << s.name;
        EXPECT_LE(s.numberIn(doc), s.maximum) << s.name;
    }

    // Also when the file ends among the settings.
    write("cut.gal", withSettings(i32(20000) + i32(0)));
    ASSERT_EQ(load("cut.gal"), ProjectResult::Damaged);
    expectOneMessage("Wrong GAL file!");
    EXPECT_EQ(doc.rows, 100);
    EXPECT_EQ(doc.columns, 1);
}

// --- Damaged files ---------------------------------------------------------------------------

TEST_F(ProjectFileTest, FileEndingAmidTheImagesKeepsWhatWasReadAsUnmodified)
{
    fillRichGallery();
    ASSERT_EQ(save("full.gal"), ProjectResult::Ok);
    const std::string bytes = contents("full.gal");
    size_t cut = bytes.find("/p/c.jpg") + 4;  // inside the third image's path
    write("cut.gal", bytes.substr(0, cut));
    const std::vector<Album> albums = doc.albums();
    const std::vector<Image> firstTwo(doc.images().begin(), doc.images().begin() + 2);

    EXPECT_EQ(load("cut.gal"), ProjectResult::Damaged);
    expectOneMessage("Wrong GAL file!");
    EXPECT_EQ(doc.albums(), albums);
    EXPECT_EQ(doc.images(), firstTwo);
    EXPECT_EQ(static_cast<const GallerySettings&>(doc), GallerySettings{});
    EXPECT_EQ(doc.selectedAlbum(), 0);
    EXPECT_FALSE(doc.isModified());
}

TEST_F(ProjectFileTest, EveryTruncationFailsOnceAndCleanly)
{
    fillRichGallery();
    doc.removeImageAt(4);  // the 70000-byte path would make this slow
    ASSERT_EQ(save("full.gal"), ProjectResult::Ok);
    const std::string bytes = contents("full.gal");
    for (size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        write("cut.gal", bytes.substr(0, length));
        ASSERT_EQ(load("cut.gal"), ProjectResult::Damaged);
        expectOneMessage("Wrong GAL file!");
        EXPECT_FALSE(doc.isModified());
    }
}

TEST_F(ProjectFileTest, EmptyFileLeavesAResetGallery)
{
    fillRichGallery();
    write("empty.gal", "");
    EXPECT_EQ(load("empty.gal"), ProjectResult::Damaged);
    expectOneMessage("Wrong GAL file!");
    EXPECT_EQ(doc.albumCount(), 0);
    EXPECT_TRUE(doc.images().empty());
    EXPECT_EQ(doc.galleryTitle, "Untitled Gallery");
    EXPECT_FALSE(doc.isModified());
}

TEST_F(ProjectFileTest, EveryMalformedSampleIsRefusedWithOneMessage)
{
    const fs::path samples = fs::u8path(FOTOLOOM_TEST_DATA "/gal");
    size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(samples)) {
        SCOPED_TRACE(utf8(entry.path().filename()));
        EXPECT_EQ(loadProject(doc, utf8(entry.path())), ProjectResult::Damaged);
        expectOneMessage("Wrong GAL file!");
        EXPECT_FALSE(doc.isModified());
        ++count;
    }
    EXPECT_GE(count, 10u);
}

// --- Files that cannot be opened -------------------------------------------------------------

TEST_F(ProjectFileTest, UnreadablePathChangesNothingAndCreatesNothing)
{
    fillRichGallery();
    doc.commitState();
    doc.galleryTitle = "edited, not saved";
    fs::create_directory(folder_ / "folder.gal");
    for (const char* name : {"missing.gal", "no such folder/x.gal", "folder.gal"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(load(name), ProjectResult::CannotOpen);
        expectOneMessage("Cannot open gallery!");
        EXPECT_EQ(doc.galleryTitle, "edited, not saved");
        EXPECT_EQ(doc.images().size(), 5u);
        EXPECT_TRUE(doc.isModified());
    }
    EXPECT_FALSE(fs::exists(folder_ / "missing.gal"));
    EXPECT_FALSE(fs::exists(folder_ / "last.ini"));
}

TEST_F(ProjectFileTest, UncreatableFileLeavesTheRecentListAlone)
{
    fs::create_directory(folder_ / "folder.gal");
    for (const char* name : {"no such folder/x.gal", "folder.gal"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(save(name), ProjectResult::CannotSave);
        expectOneMessage("Cannot save gallery!");
    }
    EXPECT_FALSE(fs::exists(folder_ / "last.ini"));
    EXPECT_TRUE(fs::is_empty(folder_ / "folder.gal"));
}

#ifndef _WIN32
// A file size limit makes the disk "full" part way through the gallery.
TEST_F(ProjectFileTest, FailedWriteKeepsThePreviousFile)
{
    const std::string old = emptyGalleryFile();
    write("keep.gal", old);
    fillRichGallery();

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 10000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    ProjectResult result = save("keep.gal");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, ProjectResult::WriteFailed);
    expectOneMessage("Wrong GAL file!\nThe previous file was kept.");
    EXPECT_EQ(contents("keep.gal"), old);
    EXPECT_EQ(filesIn(folder_), std::set<std::string>({"keep.gal", "last.ini"}));
    EXPECT_EQ(recent.read()[0], pathOf("keep.gal"));  // the file was opened before it failed
}
#endif
