#include <gtest/gtest.h>

#include "gallery/builder_doc.h"
#include "support/fake_prompter.h"

namespace {

struct ThumbObserver : IDocObserver {
    std::vector<int> current;
    void currentAlbumChanged(int row) override { current.push_back(row); }
};

class AlbumEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.setPrompter(&prompter);
        doc.seedAlbumKeys(11);
        doc.addObserver(&seen);
    }
    void TearDown() override { doc.removeObserver(&seen); }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> out;
        for (const Album& a : doc.albums()) out.push_back(a.title);
        return out;
    }
    FakePrompter prompter;
    CBuilderDoc doc;
    ThumbObserver seen;
};

TEST_F(AlbumEditing, AddPutsTheAlbumWhereAskedAndMakesItCurrent)
{
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"b.jpg"});
    doc.addAlbum("A", "caption", AlbumPosition::Top);
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(doc.selectedAlbum(), 0);
    EXPECT_EQ(doc.albumImageCount(), 0);  // the new album is empty
    EXPECT_EQ(doc.albums()[0].caption, "caption");

    doc.addAlbum("A2", "", AlbumPosition::AfterSelected);
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "A2", "B"}));
    EXPECT_EQ(doc.selectedAlbum(), 1);

    doc.selectAlbum(-1);
    doc.addAlbum("End", "", AlbumPosition::AfterSelected);  // nothing to follow: goes last
    EXPECT_EQ(titles().back(), "End");
    EXPECT_EQ(doc.selectedAlbum(), 3);
}

TEST_F(AlbumEditing, EditKeepsKeyAndImages)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"1.jpg", "2.jpg"});
    int32_t key = doc.currentAlbumKey();
    doc.editAlbum(0, "Renamed", "line 1\r\nline 2");
    EXPECT_EQ(doc.albums()[0].key, key);
    EXPECT_EQ(doc.albums()[0].caption, "line 1\r\nline 2");
    EXPECT_EQ(doc.albumImageCount(), 2);
}

TEST_F(AlbumEditing, CopyTakesTitleAndCaptionOnlyAndGoesLast)
{
    doc.addAlbum("Ten", "cap", AlbumPosition::Bottom);
    for (int i = 0; i < 10; ++i) doc.addImages(std::vector<std::string>{std::to_string(i) + ".jpg"});
    doc.addAlbum("Other", "", AlbumPosition::Bottom);
    doc.selectAlbum(0);
    doc.copyAlbum("Ten", "cap");
    ASSERT_EQ(doc.albumCount(), 3);
    EXPECT_EQ(doc.albums()[2].title, "Ten");
    EXPECT_EQ(doc.albums()[2].caption, "cap");
    EXPECT_NE(doc.albums()[2].key, doc.albums()[0].key);
    EXPECT_EQ(doc.selectedAlbum(), 2);
    EXPECT_EQ(doc.albumImageCount(), 0);
    EXPECT_EQ(doc.images().size(), 10u);
}

TEST_F(AlbumEditing, RemoveAsksFirstTakesItsImagesAndSelectsThePreviousRow)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    int32_t a = doc.currentAlbumKey();
    doc.addImages(std::vector<std::string>{"a1"});
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"b1", "b2"});
    doc.addAlbum("C", "", AlbumPosition::Bottom);
    doc.selectAlbum(0);
    doc.addImages(std::vector<std::string>{"a2"});

    prompter.answers = {MessageAnswer::No};
    EXPECT_FALSE(doc.removeAlbum(1));
    EXPECT_EQ(doc.albumCount(), 3);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Are you sure to remove 'B' album ?");
    EXPECT_EQ(prompter.shown[0].caption, "Album removing...");
    EXPECT_EQ(prompter.shown[0].buttons, MessageButtons::YesNo);

    doc.selectAlbum(1);
    EXPECT_TRUE(doc.removeAlbum(1));
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(doc.selectedAlbum(), 0);  // the row before it
    ASSERT_EQ(doc.images().size(), 2u);
    EXPECT_EQ(doc.images()[0].path, "a1");  // others keep their order
    EXPECT_EQ(doc.images()[1].path, "a2");
    EXPECT_EQ(doc.images()[1].albumKey, a);

    EXPECT_TRUE(doc.removeAlbum(0));  // no row before: the first remaining
    EXPECT_EQ(doc.selectedAlbum(), 0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"C"}));
    EXPECT_TRUE(doc.images().empty());

    seen.current.clear();
    EXPECT_TRUE(doc.removeAlbum(0));  // the last one: no current album left
    EXPECT_EQ(doc.selectedAlbum(), -1);
    EXPECT_EQ(doc.currentAlbumKey(), -1);
    EXPECT_EQ(seen.current, (std::vector<int>{-1}));
}

TEST_F(AlbumEditing, RemovingAnotherRowKeepsTheCurrentAlbum)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    int32_t b = doc.currentAlbumKey();
    seen.current.clear();
    doc.removeAlbum(0);
    EXPECT_EQ(doc.currentAlbumKey(), b);
    EXPECT_TRUE(seen.current.empty());
}

TEST_F(AlbumEditing, MoveUpAndDownStopAtTheEndsAndKeepTheImages)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"b"});
    doc.addAlbum("C", "", AlbumPosition::Bottom);
    doc.moveAlbumDown(2);
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "B", "C"}));
    doc.moveAlbumUp(1);
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(doc.selectedAlbum(), 0);
    EXPECT_EQ(doc.albumImageCount(), 1);
    doc.moveAlbumUp(0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "A", "C"}));
    doc.moveAlbumDown(0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(doc.selectedAlbum(), 1);
    EXPECT_EQ(doc.albumImageCount(), 1);
}

TEST_F(AlbumEditing, PreconditionsWarnWithTheirOwnTexts)
{
    EXPECT_FALSE(doc.requireSelectedAlbum());
    EXPECT_FALSE(doc.requireCurrentAlbum());
    EXPECT_EQ(prompter.texts(), (std::vector<std::string>{"No album selected. Add new album(s) at first.",
                                                          "No albums found. Add new album(s) at first."}));
    EXPECT_FALSE(doc.moveImagesToAlbum(std::vector<int>{0}, 0));
    EXPECT_EQ(prompter.shown.back().text, "No albums found. Add new album(s) at first.");
}

}  // namespace
