// A held folder: every call stays in the folder that was opened, whatever is renamed or put in
// its place afterwards, and no call follows a link at the name it is given.

#include "base/folder_handle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

namespace fs = std::filesystem;

class FolderHandleTest : public ::testing::Test {
protected:
    FolderHandleTest()
    {
        std::random_device device;
        root_ = fs::temp_directory_path() / ("fotoloom-held-" + std::to_string(device()));
        fs::create_directories(root_ / "g");
        fs::create_directories(root_ / "outside");
    }
    ~FolderHandleTest() override
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    std::string path(const std::string& relative) const
    {
        const auto s = (root_ / fs::u8path(relative)).u8string();
        return std::string(s.begin(), s.end());
    }
    void write(const std::string& relative, const std::string& bytes) const
    {
        std::ofstream(root_ / fs::u8path(relative), std::ios::binary) << bytes;
    }
    std::string read(const std::string& relative) const
    {
        std::ifstream in(root_ / fs::u8path(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool link(const std::string& target, const std::string& relative, bool folder) const
    {
        std::error_code ec;
        if (folder) {
            fs::create_directory_symlink(root_ / fs::u8path(target), root_ / fs::u8path(relative), ec);
        } else {
            fs::create_symlink(root_ / fs::u8path(target), root_ / fs::u8path(relative), ec);
        }
        return !ec && inspectFile(path(relative)).kind == FileKind::Link;
    }
    // Writes a file the way a build does: a new temporary file renamed over the name.
    static bool replace(const FolderHandle& folder, const std::string& name, const std::string& bytes)
    {
        bool exists = false;
        const std::string temporary = temporaryFileName(name);
        std::FILE* file = folder.createNew(temporary, exists, 0600);
        if (!file) return false;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        return folder.commit(file, temporary, name);
    }

    fs::path root_;
};

}  // namespace

TEST_F(FolderHandleTest, AHeldFolderStaysTheOneOpenedWhateverTakesItsPlace)
{
    std::optional<FolderHandle> g = FolderHandle::open(path("g"));
    ASSERT_TRUE(g);
    FileKind found = FileKind::Missing;
    std::optional<FolderHandle> photos = g->openChild("photos", true, found);
    ASSERT_TRUE(photos);
    EXPECT_EQ(found, FileKind::Directory);
    ASSERT_TRUE(replace(*photos, "a.jpg", "first"));
    write("outside/b.jpg", "the user's b");

    std::error_code ec;
    fs::rename(root_ / "g/photos", root_ / "g/photos-real", ec);
#ifdef _WIN32
    // Held without delete sharing: the folder cannot be moved away while the handle lives.
    EXPECT_TRUE(ec);
    if (!ec) fs::rename(root_ / "g/photos-real", root_ / "g/photos", ec);
    photos.reset();
    fs::rename(root_ / "g/photos", root_ / "g/photos-real", ec);
    EXPECT_FALSE(ec) << "free to move once let go";
#else
    ASSERT_FALSE(ec);
    // A link to another folder where it stood (a plain folder where links cannot be made).
    if (!link("outside", "g/photos", true)) fs::create_directory(root_ / "g/photos");
    EXPECT_TRUE(replace(*photos, "b.jpg", "second"));
    EXPECT_TRUE(photos->remove("a.jpg"));
    EXPECT_EQ(photos->inspect("b.jpg").kind, FileKind::Regular);
    EXPECT_EQ(read("outside/b.jpg"), "the user's b");
    EXPECT_EQ(read("g/photos-real/b.jpg"), "second");
    EXPECT_FALSE(fs::exists(root_ / "g/photos-real/a.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "outside"), {}), 1);
#endif
}

TEST_F(FolderHandleTest, NoCallFollowsALinkAtTheNameItIsGiven)
{
    write("outside/secret.txt", "the user's secret");
    fs::create_directories(root_ / "outside/folder");
    if (!link("outside/secret.txt", "g/page.html", false) || !link("outside/folder", "g/photos", true))
        GTEST_SKIP() << "no symbolic links here";
    std::optional<FolderHandle> g = FolderHandle::open(path("g"));
    ASSERT_TRUE(g);

    FileKind found = FileKind::Missing;
    EXPECT_FALSE(g->openChild("photos", true, found));
    EXPECT_EQ(found, FileKind::Link);
    EXPECT_EQ(g->inspect("page.html").kind, FileKind::Link);
    std::string bytes;
    EXPECT_FALSE(g->readBytes("page.html", bytes, 1000));
    bool exists = false;
    EXPECT_EQ(g->createNew("page.html", exists), nullptr);
    EXPECT_TRUE(exists);
    bool held = true;
    EXPECT_EQ(g->openIfUnheld("page.html", held), nullptr);
    EXPECT_FALSE(held);

    // Replacing the name replaces the link; removing it removes the link.
    ASSERT_TRUE(replace(*g, "page.html", "<html>"));
    EXPECT_EQ(read("g/page.html"), "<html>");
    EXPECT_EQ(read("outside/secret.txt"), "the user's secret");
    EXPECT_TRUE(g->remove("photos"));
    EXPECT_TRUE(fs::is_directory(root_ / "outside/folder"));
    // Names that would leave the folder are refused outright.
    EXPECT_FALSE(g->remove("../outside/secret.txt"));
    EXPECT_EQ(g->inspect("..").kind, FileKind::Missing);
}

TEST_F(FolderHandleTest, OneLockHolderAtATimeAndHeldFilesAreToldApart)
{
    std::optional<FolderHandle> first = FolderHandle::open(path("g"));
    std::optional<FolderHandle> second = FolderHandle::open(path("g"));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->tryLock());
    EXPECT_FALSE(second->tryLock());

    bool exists = false;
    std::FILE* journal = first->createNew("journal", exists, 0666, true);
    ASSERT_NE(journal, nullptr);
    std::fputs("line\n", journal);
    std::fflush(journal);
    bool held = false;
    EXPECT_EQ(second->openIfUnheld("journal", held), nullptr);
    EXPECT_TRUE(held);
    std::fclose(journal);
    std::FILE* dead = second->openIfUnheld("journal", held);
    ASSERT_NE(dead, nullptr);
    EXPECT_FALSE(held);
    std::string bytes;
    EXPECT_TRUE(readFileBytes(dead, bytes, 100));
    EXPECT_EQ(bytes, "line\n");
    std::fclose(dead);

    first.reset();
    EXPECT_TRUE(second->tryLock());
    const auto entries = second->list();
    ASSERT_TRUE(entries);
    for (const FolderEntry& e : *entries) EXPECT_TRUE(e.name == "journal" || e.name == ".fotoloom-lock") << e.name;
}
