#include "gallery/recent_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>

#include "base/file_system.h"
#include "gallery/ini_file.h"
#include "gallery/profile_store.h"

namespace {

constexpr char kSection[] = "Last Modified Galleries";

class RecentListTest : public ::testing::Test {
protected:
    RecentListTest()
    {
        std::random_device device;
        folder_ = std::filesystem::temp_directory_path() / ("fotoloom-recent-" + std::to_string(device()));
        std::filesystem::create_directories(folder_);
        auto s = (folder_ / "last.ini").u8string();
        ini = std::string(s.begin(), s.end());
    }
    ~RecentListTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // The file as stored (UTF-8 here, UTF-16 on Windows), parsed without the system's help.
    IniFile stored() const
    {
        std::ifstream in(folder_ / "last.ini", std::ios::binary);
        return IniFile::parse(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    void saveAll(std::initializer_list<std::string> paths)
    {
        for (const std::string& p : paths) recent.putAtHead(p);
    }
    using Paths = std::array<std::string, 3>;

    std::filesystem::path folder_;
    std::string ini;
    RecentList recent{""};

    void SetUp() override { recent = RecentList(ini); }
};

}  // namespace

TEST_F(RecentListTest, FirstSaveCreatesOnlyTheHead)
{
    EXPECT_EQ(recent.read(), (Paths{"", "", ""}));
    recent.putAtHead("/photos/a.gal");
    EXPECT_EQ(recent.read(), (Paths{"/photos/a.gal", "", ""}));
    IniFile file = stored();
    EXPECT_EQ(file.value(kSection, "Last 1"), "/photos/a.gal");
    EXPECT_FALSE(file.value(kSection, "Last 2"));
    EXPECT_FALSE(file.value(kSection, "Last 3"));
}

TEST_F(RecentListTest, SavingMovesAPathToTheHead)
{
    saveAll({"A", "B", "C", "A"});
    EXPECT_EQ(recent.read(), (Paths{"A", "C", "B"}));
    recent.putAtHead("A");  // already the head: nothing moves
    EXPECT_EQ(recent.read(), (Paths{"A", "C", "B"}));
    recent.putAtHead("C");  // the second swaps with the head, the third stays
    EXPECT_EQ(recent.read(), (Paths{"C", "A", "B"}));
    recent.putAtHead("D");  // a new path pushes the oldest out
    EXPECT_EQ(recent.read(), (Paths{"D", "C", "A"}));
    recent.putAtHead("");  // nothing to remember; the head must not be duplicated
    EXPECT_EQ(recent.read(), (Paths{"D", "C", "A"}));
}

TEST_F(RecentListTest, PathsAreComparedByteForByte)
{
    saveAll({"/Photos/Trip.gal", "/photos/trip.gal"});
    EXPECT_EQ(recent.read(), (Paths{"/photos/trip.gal", "/Photos/Trip.gal", ""}));
}

TEST_F(RecentListTest, LongAndNonAsciiPathsAreReadWhole)
{
    // Around the 512-character steps the reader grows its buffer by.
    for (size_t length : {511u, 512u, 513u, 1023u, 1024u, 1500u}) {
        std::string path(length, 'p');
        path.front() = '/';
        path.replace(length - 4, 4, ".gal");
        recent.putAtHead(path);
        EXPECT_EQ(recent.read()[0], path) << length;
    }
    const std::string unicode =
        "/home/j\xC3\xBCrgen/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE/\xE6\x97\x85 \xF0\x9F\x99\x82.gal";
    recent.putAtHead(unicode);
    EXPECT_EQ(recent.read()[0], unicode);
}

TEST_F(RecentListTest, OtherEntriesOfTheFileSurviveASave)
{
    {
        std::ofstream out(folder_ / "last.ini", std::ios::binary);
        out << "[Window]\r\nLeft=10\r\n\r\n[Last Modified Galleries]\r\nLast 1=/old.gal\r\nPinned=/keep.gal\r\n";
    }
    recent.putAtHead("/new.gal");
    EXPECT_EQ(recent.read(), (Paths{"/new.gal", "/old.gal", ""}));
    EXPECT_EQ(readProfileString(ini, "Window", "Left"), "10");
    EXPECT_EQ(readProfileString(ini, kSection, "Pinned"), "/keep.gal");
}

TEST_F(RecentListTest, ValuesRoundTripOrAreRefusedWhole)
{
    EXPECT_TRUE(writeProfileString(ini, kSection, "Last 1", " spaced "));
    EXPECT_EQ(readProfileString(ini, kSection, "Last 1"), " spaced ");
    EXPECT_TRUE(writeProfileString(ini, kSection, "Last 1", "'quoted'"));
    EXPECT_EQ(readProfileString(ini, kSection, "Last 1"), "'quoted'");

    EXPECT_FALSE(writeProfileString(ini, kSection, "Last 1", "/two\nlines.gal"));
    EXPECT_EQ(readProfileString(ini, kSection, "Last 1"), "'quoted'");
    EXPECT_EQ(readProfileString(ini, kSection, "Last 2"), "");
}

TEST_F(RecentListTest, AFolderNotYetThereIsMadeOnTheFirstSave)
{
    // The per-user settings folder does not exist before the program's first save there.
    auto nested = (folder_ / "Fotoloom" / "deeper" / "last.ini").u8string();
    RecentList fresh(std::string(nested.begin(), nested.end()));
    fresh.putAtHead("/photos/a.gal");
    EXPECT_EQ(fresh.read(), (Paths{"/photos/a.gal", "", ""}));
}

TEST_F(RecentListTest, SettingsStayBesideTheProgramUnlessNoFileCanBeMadeThere)
{
    auto s = folder_.u8string();
    const std::string writable(s.begin(), s.end());
    EXPECT_EQ(settingsFolderFor(writable), writable);
    // Trying left nothing behind.
    EXPECT_TRUE(std::filesystem::is_empty(folder_));

    // A folder where nothing can be made, even by an administrator: one that is a file, or
    // missing. (A read-only folder is tried on the packaged program.)
    const std::string user = userSettingsFolder();
    ASSERT_FALSE(user.empty());
    EXPECT_NE(user, writable);
    {
        std::ofstream(folder_ / "plain-file") << "x";
    }
    EXPECT_EQ(settingsFolderFor(joinPath(writable, "plain-file")), user);
    EXPECT_EQ(settingsFolderFor(joinPath(writable, "missing")), user);

#ifndef _WIN32
    // An installed program's folder: never written into, even by root.
    std::filesystem::create_directory(folder_ / "bin");
    EXPECT_EQ(settingsFolderFor(joinPath(writable, "bin")), user);
#endif
}

#ifndef _WIN32
// Windows writes the list through the system, which leaves no temporary file; here a save killed
// part way leaves one, and the next save of the list removes it as a project's next save does.
TEST_F(RecentListTest, TheNextSaveRemovesWhatKilledSavesOfTheListLeft)
{
    const auto place = [this](const std::string& name, bool old) {
        std::ofstream(folder_ / name) << "half a list";
        if (old)
            std::filesystem::last_write_time(folder_ / name,
                                             std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    };
    place("last.ini.00000000000000b1.tmp", true);
    place("last.ini.00000000000000b2.tmp", false);  // a save that has only just started
    place("last.ini.notes.tmp", true);              // the user's own
    place("other.ini.00000000000000b3.tmp", true);  // another file's
    std::optional<TemporaryFile> running = TemporaryFile::create(folder_.string(), "last.ini");
    ASSERT_TRUE(running);
    std::filesystem::last_write_time(running->path(),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));

    recent.putAtHead("/photos/a.gal");
    EXPECT_EQ(recent.read()[0], "/photos/a.gal");
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) left.insert(entry.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"last.ini", "last.ini.00000000000000b2.tmp", "last.ini.notes.tmp",
                                           "other.ini.00000000000000b3.tmp", fileNameOf(running->path())}));
}
#endif
