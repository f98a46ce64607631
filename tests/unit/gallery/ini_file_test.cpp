#include "gallery/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "base/file_system.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

class IniTempFolder {
public:
    IniTempFolder()
    {
        std::random_device device;
        path_ = std::filesystem::temp_directory_path() / ("fotoloom-ini-" + std::to_string(device()));
        std::filesystem::create_directories(path_);
    }
    ~IniTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const
    {
        auto s = (path_ / name).u8string();
        return std::string(s.begin(), s.end());
    }
    size_t entryCount() const
    {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::filesystem::path path_;
};

constexpr char kMixed[] =
    "; written by hand\r\n"
    "stray=before any section\n"
    "[ Last Modified Galleries ]\r\n"
    "  LAST 1  =  /photos/a.gal  \r\n"
    "# another comment\n"
    "this line means nothing\r\n"
    "=no key\r\n"
    "Last 2=x=y\r\n"
    "Last 3='quoted'\n"
    "\r\n"
    "[Window]\r\n"
    "Left=10\r\n";

}  // namespace

TEST(IniFile, ReadsLikeTheSystemProfileFunctions)
{
    IniFile ini = IniFile::parse(kMixed);
    EXPECT_EQ(ini.value("last modified galleries", "Last 1"), "/photos/a.gal");
    EXPECT_EQ(ini.value("Last Modified Galleries", "last 2"), "x=y");
    EXPECT_EQ(ini.value("Last Modified Galleries", "Last 3"), "quoted");
    EXPECT_EQ(ini.value("WINDOW", "left"), "10");
    EXPECT_FALSE(ini.value("Last Modified Galleries", "Left"));  // belongs to the next section
    EXPECT_FALSE(ini.value("Last Modified Galleries", "stray"));
    EXPECT_FALSE(ini.value("Last Modified Galleries", "this line means nothing"));
    EXPECT_FALSE(ini.value("Missing", "Last 1"));
}

TEST(IniFile, FirstSectionAndFirstKeyOfTheNameWin)
{
    IniFile ini = IniFile::parse("[S]\nk=1\nK=2\n[s]\nk=3\nother=4\n");
    EXPECT_EQ(ini.value("S", "k"), "1");
    EXPECT_FALSE(ini.value("S", "other"));
    ASSERT_TRUE(ini.setValue("s", "K", "9"));
    EXPECT_EQ(ini.text(), "[S]\r\nk=9\r\nK=2\r\n[s]\r\nk=3\r\nother=4\r\n");
}

TEST(IniFile, RewriteChangesOnlyTheEntryItSets)
{
    IniFile ini = IniFile::parse(kMixed);
    ASSERT_TRUE(ini.setValue("Last Modified Galleries", "Last 1", "/photos/b.gal"));
    EXPECT_EQ(ini.text(),
              "; written by hand\r\n"
              "stray=before any section\r\n"
              "[ Last Modified Galleries ]\r\n"
              "LAST 1=/photos/b.gal\r\n"
              "# another comment\r\n"
              "this line means nothing\r\n"
              "=no key\r\n"
              "Last 2=x=y\r\n"
              "Last 3='quoted'\r\n"
              "\r\n"
              "[Window]\r\n"
              "Left=10\r\n");
}

TEST(IniFile, NewKeysFollowTheLastEntryAndNewSectionsGoAtTheEnd)
{
    IniFile ini = IniFile::parse("[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2");
    ASSERT_TRUE(ini.setValue("a", "z", "3"));
    ASSERT_TRUE(ini.setValue("C", "w", "4"));
    EXPECT_EQ(ini.text(), "[A]\r\nx=1\r\nz=3\r\n; note\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n");

    IniFile empty;
    ASSERT_TRUE(empty.setValue("Last Modified Galleries", "Last 1", "C:\\a.gal"));
    EXPECT_EQ(empty.text(), "[Last Modified Galleries]\r\nLast 1=C:\\a.gal\r\n");
}

TEST(IniFile, ValuesKeepTheirOuterSpacesAndQuotesThroughARewrite)
{
    IniFile ini;
    for (std::string value : {" lead", "trail ", "\"both\"", "'single'", "\"open", "", "a ; b # c"}) {
        ASSERT_TRUE(ini.setValue("S", "k", value));
        EXPECT_EQ(IniFile::parse(ini.text()).value("S", "k"), value);
    }
}

TEST(IniFile, RefusesWhatWouldBreakTheFile)
{
    IniFile ini = IniFile::parse("[S]\r\nk=1\r\n");
    const std::string before = ini.text();
    EXPECT_FALSE(ini.setValue("S", "k", "two\nlines"));
    EXPECT_FALSE(ini.setValue("S", "k", "cr\rhere"));
    EXPECT_FALSE(ini.setValue("S", "k", std::string("nul\0", 4)));
    EXPECT_FALSE(ini.setValue("S", "a=b", "v"));
    EXPECT_FALSE(ini.setValue("S", "[k", "v"));
    EXPECT_FALSE(ini.setValue("S", ";k", "v"));
    EXPECT_FALSE(ini.setValue("S", " k", "v"));
    EXPECT_FALSE(ini.setValue("S]", "k", "v"));
    EXPECT_FALSE(ini.setValue("", "k", "v"));
    EXPECT_FALSE(ini.setValue("S", "", "v"));
    EXPECT_EQ(ini.text(), before);
}

TEST(IniFile, ByteOrderMarks)
{
    IniFile utf8 = IniFile::parse("\xEF\xBB\xBF[S]\nk=\xC3\xA9\n");
    EXPECT_EQ(utf8.value("S", "k"), "\xC3\xA9");
    EXPECT_EQ(utf8.text().substr(0, 3), "\xEF\xBB\xBF");

    // "[S]\r\nk=é" in UTF-16LE, as the Windows program keeps the file; an odd last byte is dropped.
    constexpr char kUtf16[] = "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE9\0\x41";
    const std::string utf16(kUtf16, sizeof kUtf16 - 1);
    EXPECT_EQ(IniFile::parse(utf16).value("s", "K"), "\xC3\xA9");
}

TEST(IniFile, GarbageNeverBreaksParsing)
{
    using namespace std::string_view_literals;
    for (std::string_view text :
         {"["sv, "]]]=[[["sv, "\0=\0"sv, "\r\r\r"sv, "[]\n=\n"sv, "\xFF\xFE"sv, "\xFF\xFE["sv}) {
        IniFile ini = IniFile::parse(text);
        EXPECT_TRUE(ini.setValue("S", "k", "v"));
        EXPECT_EQ(IniFile::parse(ini.text()).value("S", "k"), "v");
    }
}

TEST(IniFile, LoadAndSaveThroughTheFileSystem)
{
    IniTempFolder temp;
    const std::string path = temp.file("settings.ini");

    std::optional<IniFile> missing = loadIniFile(path);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->text(), "");

    IniFile ini = IniFile::parse("; keep me\n[S]\nk=1\n");
    ASSERT_TRUE(ini.setValue("S", "k", "2"));
    ASSERT_TRUE(saveIniFile(path, ini));
    ASSERT_TRUE(saveIniFile(path, ini));  // over an existing file
    std::optional<IniFile> back = loadIniFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text(), "; keep me\r\n[S]\r\nk=2\r\n");
    EXPECT_EQ(temp.entryCount(), 1u);  // no temporary file left behind

    EXPECT_FALSE(loadIniFile(temp.file("")));  // a folder is not a settings file
    EXPECT_FALSE(saveIniFile(temp.file("no-such-folder/settings.ini"), ini));
}

#ifndef _WIN32
// The recent list may be a link kept in a dotfiles folder, or a pipe named by mistake.
TEST(IniFile, ALinkedFileStaysLinkedAndAPipeIsRefusedWithoutWaiting)
{
    IniTempFolder temp;
    const std::string real = temp.file("real.ini");
    std::filesystem::create_symlink("real.ini", temp.file("link.ini"));
    IniFile ini = IniFile::parse("[S]\nk=1\n");
    ASSERT_TRUE(loadIniFile(temp.file("link.ini")));  // dangling: an empty file to be
    ASSERT_TRUE(saveIniFile(temp.file("link.ini"), ini));
    EXPECT_EQ(inspectFile(temp.file("link.ini")).kind, FileKind::Link);
    std::optional<IniFile> back = loadIniFile(real);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text(), "[S]\r\nk=1\r\n");

    const std::string fifo = temp.file("pipe.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(loadIniFile(fifo));
    EXPECT_EQ(inspectFile(fifo).kind, FileKind::Other);
}
#endif
