#include "gallery/builder_doc.h"

#include <gtest/gtest.h>

#include <set>

#include "support/fake_prompter.h"

namespace {

struct RecordingObserver : IDocObserver {
    std::vector<int> currentChanges;
    int resets = 0;
    void albumsReset() override { ++resets; }
    void currentAlbumChanged(int row) override { currentChanges.push_back(row); }
};

class DocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.setPrompter(&prompter);
        doc.seedAlbumKeys(7);
    }
    FakePrompter prompter;
    CBuilderDoc doc;
};

TEST_F(DocTest, NewGalleryHasResetValuesAndIsUnmodified)
{
    EXPECT_EQ(doc.galleryTitle, "Untitled Gallery");
    EXPECT_EQ(doc.galleryDescription, "Enter gallery description here ...");
    EXPECT_EQ(doc.themeName, "");
    EXPECT_EQ(doc.rows, 6);
    EXPECT_EQ(doc.columns, 4);
    EXPECT_EQ(doc.thumbWidth, 150);
    EXPECT_EQ(doc.reservedSetting, 5);
    EXPECT_EQ(doc.outsideBorderColor, 0x7D7C7B);
    EXPECT_EQ(doc.photoSize, 3);
    EXPECT_EQ(doc.homePageUrl, "http://");
    EXPECT_EQ(doc.albumCount(), 0);
    EXPECT_TRUE(doc.images().empty());
    EXPECT_EQ(doc.currentAlbumKey(), -1);
    EXPECT_FALSE(doc.isModified());
}

TEST_F(DocTest, ResetKeepsPathsAndForgetsEverythingElse)
{
    doc.galleryPath = "/p/a.gal";
    doc.galleryFileTitle = "a";
    doc.outputFolder = "/docs";
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"/x.jpg"});
    doc.homePageColor = 1;
    doc.resetGallery();
    EXPECT_EQ(doc.galleryPath, "/p/a.gal");
    EXPECT_EQ(doc.galleryFileTitle, "a");
    EXPECT_EQ(doc.outputFolder, "/docs");
    EXPECT_EQ(doc.albumCount(), 0);
    EXPECT_TRUE(doc.images().empty());
    EXPECT_EQ(doc.homePageColor, 0x696867);
    EXPECT_FALSE(doc.isModified());
}

// Whatever is assigned, the page grid stays within what the settings panel offers, so no reader
// of the settings meets a page of no cells or one too large to make.
TEST_F(DocTest, RowsAndColumnsHoldOnlyOneToAHundred)
{
    const std::pair<int32_t, int32_t> cases[] = {{0, 1},     {-5, 1},      {1, 1},         {37, 37},        {100, 100},
                                                 {101, 100}, {65536, 100}, {INT32_MIN, 1}, {INT32_MAX, 100}};
    for (const auto& [assigned, held] : cases) {
        doc.rows = assigned;
        doc.columns = assigned;
        EXPECT_EQ(int32_t{doc.rows}, held) << assigned;
        EXPECT_EQ(int32_t{doc.columns}, held) << assigned;
        const SettingInfo& rows = *findSetting("rows");
        rows.setNumber(doc, assigned);  // the way the project file and the command line set it
        EXPECT_EQ(rows.numberIn(doc), held) << assigned;
    }
    GallerySettings copy;
    copy.rows = 250;
    EXPECT_EQ(int32_t{copy.rows}, 100);
}

TEST_F(DocTest, EverySettingCountsForTheModifiedTest)
{
    for (const SettingInfo& s : allSettings()) {
        if (s.kind == SettingKind::Text)
            doc.*s.text += "x";
        else
            s.setNumber(doc, s.numberIn(doc) + 1);
        EXPECT_TRUE(doc.isModified()) << s.name;
        doc.resetGallery();
    }
}

TEST_F(DocTest, ModifiedComparesAgainstTheCommittedCopyNotAFlag)
{
    doc.addAlbum("Summer", "sea", AlbumPosition::Bottom);
    doc.commitState();
    doc.editAlbum(0, "Winter", "sea");
    EXPECT_TRUE(doc.isModified());
    doc.editAlbum(0, "Summer", "sea");
    EXPECT_FALSE(doc.isModified());

    doc.editAlbum(0, "Summer", "Sea");  // case counts
    EXPECT_TRUE(doc.isModified());
    doc.editAlbum(0, "Summer", "sea");

    doc.addImages(std::vector<std::string>{"/a.jpg"});
    EXPECT_TRUE(doc.isModified());
    doc.commitState();
    doc.rotateImages(std::vector<int>{0}, 90);
    EXPECT_TRUE(doc.isModified());
    doc.rotateImages(std::vector<int>{0}, -90);
    EXPECT_FALSE(doc.isModified());
}

TEST_F(DocTest, RemovingAnEmptyAlbumModifiesButKeysAreNotCompared)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.commitState();
    // Same titles and captions under new keys still count as unchanged.
    doc.removeAlbum(1);
    doc.copyAlbum("B", "");
    EXPECT_FALSE(doc.isModified());
    doc.removeAlbum(1);
    EXPECT_TRUE(doc.isModified());
}

TEST_F(DocTest, RowsOfTheCurrentAlbumSkipOtherAlbumsImages)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    int32_t a = doc.currentAlbumKey();
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    int32_t b = doc.currentAlbumKey();
    ASSERT_NE(a, b);
    for (int32_t key : {a, b, b, a, a, b}) doc.appendImage(Image{"p", key, 0, ""});
    doc.selectAlbum(0);
    EXPECT_EQ(doc.albumImageCount(), 3);
    EXPECT_EQ(doc.galleryIndexOfRow(0), 0u);
    EXPECT_EQ(doc.galleryIndexOfRow(1), 3u);
    EXPECT_EQ(doc.galleryIndexOfRow(2), 4u);
    EXPECT_EQ(doc.galleryIndexOfRow(3), std::nullopt);
    EXPECT_EQ(doc.galleryIndexOfRow(-1), std::nullopt);
    doc.selectAlbum(1);
    EXPECT_EQ(doc.galleryIndexOfRow(2), 5u);
    doc.removeImageAt(0);
    doc.insertImageAt(0, Image{"q", b, 0, ""});
    EXPECT_EQ(doc.galleryIndexOfRow(0), 0u);
    EXPECT_EQ(doc.albumImageCount(), 4);
}

TEST_F(DocTest, CollectSelectedRowsIsDescendingAndWarnsOnceWhenEmpty)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"1", "2", "3", "4"});
    EXPECT_EQ(doc.collectSelectedRows(std::vector<int>{1, 3, 0}), (std::vector<int>{3, 1, 0}));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(doc.collectSelectedRows({}).empty());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "No images selected!");
    EXPECT_EQ(prompter.shown[0].caption, "Fotoloom");
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Warning);
}

TEST_F(DocTest, SelectionIsAnnouncedOnlyOnARealChange)
{
    RecordingObserver seen;
    doc.addObserver(&seen);
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.selectAlbum(1);  // already current
    doc.selectAlbum(0);
    doc.selectAlbum(0);
    EXPECT_EQ(seen.currentChanges, (std::vector<int>{0, 1, 0}));
    doc.removeObserver(&seen);
}

TEST_F(DocTest, AlbumKeysAreUniqueInRangeAndFollowTheSeed)
{
    std::set<int32_t> keys;
    for (int i = 0; i < 500; ++i) {
        doc.addAlbum("A", "", AlbumPosition::Bottom);
        int32_t key = doc.currentAlbumKey();
        EXPECT_GE(key, 1);
        EXPECT_LE(key, 99'999'999);
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 500u);

    CBuilderDoc other;
    other.seedAlbumKeys(7);
    other.addAlbum("A", "", AlbumPosition::Bottom);
    EXPECT_EQ(other.currentAlbumKey(), doc.albums()[0].key);
}

}  // namespace
