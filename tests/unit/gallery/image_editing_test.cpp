#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "base/file_system.h"
#include "gallery/builder_doc.h"
#include "support/fake_prompter.h"

namespace {

class ImageEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.setPrompter(&prompter);
        doc.seedAlbumKeys(3);
    }
    // Paths of the current album's images, in row order.
    std::vector<std::string> albumPaths() const
    {
        std::vector<std::string> out;
        for (size_t p : doc.currentAlbumPositions()) out.push_back(doc.images()[p].path);
        return out;
    }
    void addNumbered(int count)
    {
        for (int i = 0; i < count; ++i) doc.addImages(std::vector<std::string>{std::to_string(i)});
    }
    FakePrompter prompter;
    CBuilderDoc doc;
};

TEST_F(ImageEditing, BlockMovesUpAndDownByOneAndStaysSelected)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(5);
    std::vector<int> up = doc.moveImagesUp(std::vector<int>{3, 2});
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"0", "2", "3", "1", "4"}));
    EXPECT_EQ(up, (std::vector<int>{2, 1}));

    doc.resetGallery();
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(5);
    std::vector<int> down = doc.moveImagesDown(std::vector<int>{3, 2});
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"0", "1", "4", "2", "3"}));
    EXPECT_EQ(down, (std::vector<int>{4, 3}));
}

TEST_F(ImageEditing, NothingMovesPastTheEnds)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(4);
    EXPECT_EQ(doc.moveImagesUp(std::vector<int>{2, 0}), (std::vector<int>{2, 0}));
    EXPECT_EQ(doc.moveImagesDown(std::vector<int>{3, 1}), (std::vector<int>{3, 1}));
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"0", "1", "2", "3"}));
}

// The reference: the one-row-at-a-time procedure, with positions looked up afresh at each step.
size_t referenceIndexOfRow(const std::vector<Image>& images, int32_t key, int row)
{
    int seen = 0;
    for (size_t i = 0; i < images.size(); ++i)
        if (images[i].albumKey == key && seen++ == row) return i;
    return images.size();
}

void referenceMove(std::vector<Image>& images, size_t from, size_t to)
{
    Image moving = images[from];
    images.erase(images.begin() + static_cast<ptrdiff_t>(from));
    images.insert(images.begin() + static_cast<ptrdiff_t>(to), moving);
}

void referenceMoveUp(std::vector<Image>& images, int32_t key, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    for (int r : rows)
        referenceMove(images, referenceIndexOfRow(images, key, r), referenceIndexOfRow(images, key, r - 1));
}

void referenceMoveDown(std::vector<Image>& images, int32_t key, std::vector<int> rows)
{
    std::sort(rows.rbegin(), rows.rend());
    for (int r : rows)
        referenceMove(images, referenceIndexOfRow(images, key, r + 1), referenceIndexOfRow(images, key, r));
}

TEST_F(ImageEditing, BlockMovesMatchTheRowByRowProcedureAmongOtherAlbums)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        doc.resetGallery();
        doc.addAlbum("Other", "", AlbumPosition::Bottom);
        int32_t other = doc.currentAlbumKey();
        doc.addAlbum("Mine", "", AlbumPosition::Bottom);
        int32_t mine = doc.currentAlbumKey();
        int n = 2 + static_cast<int>(random() % 12);
        int count = 0;
        for (int i = 0; i < n * 2; ++i) {
            bool ours = random() % 2 == 0;
            doc.appendImage(Image{std::to_string(i), ours ? mine : other, 0, ""});
            count += ours;
        }
        if (count < 2) continue;
        std::vector<int> selected;
        for (int r = 0; r < count; ++r)
            if (random() % 3 == 0) selected.push_back(r);
        if (selected.empty() || selected.front() == 0) continue;

        std::vector<Image> expected = doc.images();
        bool up = round % 2 == 0;
        if (up) {
            referenceMoveUp(expected, mine, selected);
            doc.moveImagesUp(selected);
        } else {
            if (selected.back() == count - 1) continue;
            referenceMoveDown(expected, mine, selected);
            doc.moveImagesDown(selected);
        }
        ASSERT_EQ(doc.images(), expected) << "round " << round;
    }
}

TEST_F(ImageEditing, RotationWrapsWithinAFullTurn)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(2);
    for (int i = 0; i < 4; ++i) doc.rotateImages(std::vector<int>{0}, 90);
    EXPECT_EQ(doc.images()[0].rotation, 0);
    for (int i = 0; i < 10; ++i) doc.rotateImages(std::vector<int>{0}, 90);
    EXPECT_EQ(doc.images()[0].rotation, 180);
    doc.rotateImages(std::vector<int>{1}, -90);
    EXPECT_EQ(doc.images()[1].rotation, -90);
    for (int i = 0; i < 3; ++i) doc.rotateImages(std::vector<int>{1}, -90);
    EXPECT_EQ(doc.images()[1].rotation, 0);
}

TEST_F(ImageEditing, CommentAsksOnlyForSeveralImages)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(3);
    EXPECT_TRUE(doc.commentImages(std::vector<int>{1}, "one"));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(doc.images()[1].comment, "one");

    prompter.answers = {MessageAnswer::No};
    EXPECT_FALSE(doc.commentImages(std::vector<int>{2, 0}, "both"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "You have selected 2 images.\nAre you sure to apply to all selected image(s)?");
    EXPECT_EQ(prompter.shown[0].caption, "Images removing...");
    EXPECT_EQ(doc.images()[0].comment, "");

    EXPECT_TRUE(doc.commentImages(std::vector<int>{2, 0}, "both"));
    EXPECT_EQ(doc.images()[0].comment, "both");
    EXPECT_EQ(doc.images()[2].comment, "both");
}

TEST_F(ImageEditing, RemoveAsksAndKeepsTheOthersInOrder)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(5);
    prompter.answers = {MessageAnswer::No};
    EXPECT_FALSE(doc.removeImages(std::vector<int>{3, 1}));
    EXPECT_EQ(doc.albumImageCount(), 5);
    EXPECT_EQ(prompter.shown[0].text, "Are you sure to remove selected image(s)?");
    EXPECT_TRUE(doc.removeImages(std::vector<int>{3, 1}));
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"0", "2", "4"}));
}

TEST_F(ImageEditing, MoveAndCopyAppendToTheTargetAlbumInRowOrder)
{
    doc.addAlbum("Target", "", AlbumPosition::Bottom);
    doc.addImages(std::vector<std::string>{"t0"});
    doc.addAlbum("Source", "", AlbumPosition::Bottom);
    addNumbered(4);
    doc.rotateImages(std::vector<int>{1}, 90);
    doc.commentImages(std::vector<int>{1}, "c");

    EXPECT_TRUE(doc.copyImagesToAlbum(std::vector<int>{3, 1}, 0));
    EXPECT_EQ(doc.albumImageCount(), 4);  // the source keeps its images
    EXPECT_TRUE(doc.moveImagesToAlbum(std::vector<int>{2, 0}, 0));
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"1", "3"}));
    doc.selectAlbum(0);
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"t0", "1", "3", "0", "2"}));
    const Image& copied = doc.images()[*doc.galleryIndexOfRow(1)];
    EXPECT_EQ(copied.rotation, 90);  // rotation and comment travel along
    EXPECT_EQ(copied.comment, "c");
}

TEST_F(ImageEditing, MovingToTheCurrentAlbumPutsTheImagesLast)
{
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    addNumbered(3);
    struct Rows : IDocObserver {
        std::vector<int> removed;
        void thumbnailRowRemoved(int row) override { removed.push_back(row); }
    } rows;
    doc.addObserver(&rows);
    doc.moveImagesToAlbum(std::vector<int>{1, 0}, 0);
    doc.removeObserver(&rows);
    EXPECT_EQ(rows.removed, (std::vector<int>{1, 0}));
    EXPECT_EQ(albumPaths(), (std::vector<std::string>{"2", "0", "1"}));
}

TEST_F(ImageEditing, AddFolderTakesPicturesOnlyAndSkipsSubfolders)
{
    std::string folder = ::testing::TempDir() + "fotoloom_add_folder";
    removeFile(joinPath(folder, "a.JPG"));
    removeFile(joinPath(folder, "b.txt"));
    std::string sub = joinPath(folder, "sub.jpg");
#ifdef _WIN32
    std::system(("mkdir \"" + sub + "\" 2>nul").c_str());
#else
    std::system(("mkdir -p '" + sub + "'").c_str());
#endif
    std::ofstream(joinPath(folder, "a.JPG")) << "x";
    std::ofstream(joinPath(folder, "b.txt")) << "x";

    doc.addAlbum("A", "", AlbumPosition::Bottom);
    EXPECT_EQ(doc.addFolder(folder), 1);
    ASSERT_EQ(doc.albumImageCount(), 1);
    EXPECT_EQ(doc.images()[0].path, joinPath(folder, "a.JPG"));
    EXPECT_EQ(doc.images()[0].rotation, 0);
    EXPECT_EQ(doc.addFolder(joinPath(folder, "missing")), 0);
}

}  // namespace
