// A project means the same on Windows and Linux. The two files in tests/data/text were written
// by this very test: one by the Linux build, one by the Windows build under Wine (code page
// 1252). Each build checks that it still writes its own file byte for byte and reads both as
// the same gallery, so a project saved on one system opens unchanged on the other.

#include <gtest/gtest.h>

#include "gallery/ansi_text.h"
#include "project_file_fixture.h"

using namespace gal_test;

namespace {

const std::string kTextData = FOTOLOOM_TEST_DATA "/text/";

class AProjectMeansTheSameOnWindowsAndLinux : public ProjectFileTest {
protected:
    // Text that Windows-1252 holds, text it does not, and text no narrow code page holds.
    void fillTravellingGallery()
    {
        doc.insertAlbum({"Café", "Straße", 17}, AlbumPosition::Bottom);
        doc.insertAlbum({"東京", "", 23}, AlbumPosition::Bottom);
        doc.appendImage({"C:\\Fotos\\été\\Ünïcode.jpg", 17, 90, "München — ok"});
        doc.appendImage({"/photos/emoji 😀.jpg", 23, 0, "plain ascii"});
        doc.galleryTitle = "Fotos de été";
        doc.galleryDescription = "Zürich, 東京 and Ελλάδα";
        doc.themeName = "Dark";
        doc.homePageUrl = "http://example.org/café";
    }
    void expectTravellingGallery(const std::string& file)
    {
        SCOPED_TRACE(file);
        CBuilderDoc loaded;
        FakePrompter quiet;
        loaded.setPrompter(&quiet);
        ASSERT_EQ(loadProject(loaded, kTextData + file), ProjectResult::Ok);
        expectSameGallery(loaded);
        EXPECT_TRUE(quiet.shown.empty());
    }
    // The gallery title as read from a file that stores it narrow, as `bytes`.
    std::string titleFromNarrow(const std::string& bytes)
    {
        write("narrow.gal", withStoredTitle(static_cast<char>(bytes.size()) + bytes));
        EXPECT_EQ(load("narrow.gal"), ProjectResult::Ok);
        return doc.galleryTitle;
    }
};

// Windows-1252 is the only code page that has the euro sign at 0x80.
[[maybe_unused]] bool windows1252Here() { return ansiFromUtf8("€") == std::optional<std::string>("\x80"); }

}  // namespace

TEST_F(AProjectMeansTheSameOnWindowsAndLinux, EachSystemStillWritesItsOwnKnownFile)
{
    fillTravellingGallery();
    ASSERT_EQ(save("here.gal"), ProjectResult::Ok);
#ifdef _WIN32
    if (!windows1252Here()) GTEST_SKIP() << "the known file was written with code page 1252";
    const std::string known = "written-on-windows.gal";
#else
    const std::string known = "written-on-linux.gal";
#endif
    std::ifstream in(fs::u8path(kTextData + known), std::ios::binary);
    EXPECT_EQ(contents("here.gal"), std::string(std::istreambuf_iterator<char>(in), {})) << known;
}

TEST_F(AProjectMeansTheSameOnWindowsAndLinux, FilesFromEitherSystemReadAsTheSameGallery)
{
    fillTravellingGallery();
    expectTravellingGallery("written-on-linux.gal");
    expectTravellingGallery("written-on-windows.gal");

    // Only ASCII is narrow in the Linux file; the Windows file also keeps what 1252 holds narrow.
    std::ifstream linux(fs::u8path(kTextData + "written-on-linux.gal"), std::ios::binary);
    const std::string linuxBytes(std::istreambuf_iterator<char>(linux), {});
    EXPECT_EQ(linuxBytes.find("Caf"), std::string::npos);
    EXPECT_NE(linuxBytes.find("\xFF\xFE\xFF\x04" + utf16le(u"Café")), std::string::npos);
    std::ifstream windows(fs::u8path(kTextData + "written-on-windows.gal"), std::ios::binary);
    const std::string windowsBytes(std::istreambuf_iterator<char>(windows), {});
    EXPECT_NE(windowsBytes.find("\x04"
                                "Caf\xE9"),
              std::string::npos);
}

TEST_F(AProjectMeansTheSameOnWindowsAndLinux, NarrowTextOfOlderFilesIsReadAsItWasMeant)
{
    EXPECT_EQ(titleFromNarrow("plain"), "plain");
#ifdef _WIN32
    const bool reads1252 = windows1252Here();
#else
    const bool reads1252 = true;
#endif
    if (reads1252) {
        // A Windows file in code page 1252, the bytes 0x80 to 0x9F included.
        EXPECT_EQ(titleFromNarrow("Caf\xE9 \x80\x96\x93\x9F"), "Café €–“Ÿ");
    }
    if (reads1252) {
        // The five bytes 1252 leaves undefined read as Windows reads them.
        EXPECT_EQ(titleFromNarrow("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
        EXPECT_EQ(titleFromNarrow("Caf\xC3\xA9 \xE9"), "CafÃ© é");  // not UTF-8 as a whole: 1252
    }
    // Narrow UTF-8 (other tools, earlier Linux versions) reads as UTF-8 on every system alike.
    EXPECT_EQ(titleFromNarrow("Caf\xC3\xA9 \xE6\x9D\xB1"), "Café 東");
}

TEST_F(AProjectMeansTheSameOnWindowsAndLinux, TextWhoseCodePageBytesLookLikeUtf8IsStoredWide)
{
    // In 1252 "Ã©" is the bytes C3 A9, which read as UTF-8 would say "é": it must not be narrow.
    doc.galleryTitle = "Ã© and Â»";
    doc.galleryDescription = "Café";
    ASSERT_EQ(save("look.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("look.gal").find("\xC3\xA9"), std::string::npos);
    CBuilderDoc loaded;
    FakePrompter quiet;
    loaded.setPrompter(&quiet);
    ASSERT_EQ(loadProject(loaded, pathOf("look.gal")), ProjectResult::Ok);
    EXPECT_EQ(loaded.galleryTitle, "Ã© and Â»");
    EXPECT_EQ(loaded.galleryDescription, "Café");
}

#ifndef _WIN32
// A picture whose file name is in an older encoding on a Linux disk keeps that name.
TEST_F(AProjectMeansTheSameOnWindowsAndLinux, FileNamesThatAreNotUtf8KeepTheirBytesHere)
{
    const std::string latin1 = "/photos/caf\xE9/\xFF\xFE.jpg";
    doc.appendImage({latin1, 1, 0, "c\xE9"});
    ASSERT_EQ(save("old.gal"), ProjectResult::Ok);
    CBuilderDoc loaded;
    ASSERT_EQ(loadProject(loaded, pathOf("old.gal")), ProjectResult::Ok);
    ASSERT_EQ(loaded.images().size(), 1u);
    EXPECT_EQ(loaded.images()[0].path, latin1);
    EXPECT_EQ(loaded.images()[0].comment, "c\xE9");
}
#endif
