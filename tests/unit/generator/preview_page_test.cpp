// The preview's sample page: its text, its files, the theme images and the sample picture.

#include "generator/preview_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "../support/fake_prompter.h"
#include "base/known_folders.h"
#include "generator/theme_files.h"
#include "generator_test_util.h"

using namespace generator_test;
using ::testing::HasSubstr;

namespace {

PreviewInput sampleInput()
{
    PreviewInput input;
    input.settings.themeName = "keys";
    input.settings.galleryTitle = "Trip";
    input.settings.galleryDescription = "Desc";
    input.settings.rows = 2;
    input.settings.columns = 1;
    input.settings.thumbWidth = 300;
    input.settings.albumWidthUnit = 1;
    input.albumWidthText = "600";
    input.settings.homePageLink = 1;
    input.settings.homePageUrl = "http://never.shown/";
    return input;
}

}  // namespace

TEST(PreviewPage, FillsTheTemplateWithTheSampleBlocks)
{
    const std::string page = fillPreviewPage(ReadTextFile(fixtureThemes() + "/keys/index.html"), sampleInput(), "F/");
    const std::string cell =
        "<table width=\"300\"><tr><td width=\"300\"><div class=\"divaround\"><a href=\"#\"><img class=\"divaround\" "
        "src=\"F/sample.gif\" width=\"300\" alt=\"Sample picture\"></a></div></td></tr><tr><td width=\"300\" "
        "align=\"center\"><span class=\"picturecomment\">Picture comment</span></td></tr></table>";
    std::string albums = "\t\t\t\t<table><tr><td align=\"left\">";
    for (int i = 1; i <= 10; ++i)
        albums += i == 5 ? std::string("\t\t\t\t<span class=\"albumlinks\"><b>Album 5 (selected album)</b></span><br>")
                         : cat("\t\t\t\t<a href=\"#\" class=\"albumlinks\">Album ", std::to_string(i), "</a><br>");
    albums += "\t\t\t\t</td></tr></table>";
    const std::string expected =
        "T=Trip\nD=Desc\nH=<a href=\"#\" class=\"homepage\" title=\"Return to Home\">Back to Home</a>\nW=600\n"
        "A=Album title\nC=Album caption\n"
        "B=<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"10\"><tr><td align=\"left\" "
        "valign=\"middle\" class=\"pages\"><nobr><b>Pictures 1 - 5</b> of 5</nobr></td><td width=\"100%\" "
        "align=\"center\" valign=\"middle\"><span class=\"albumtitle\">New album</span> : <span "
        "class=\"albumcaption\">Album caption</span></td><td align=\"right\" valign=\"middle\" "
        "class=\"pages\"><nobr>Page 1 of 5 <a href=\"#\" class=\"pagelinks\">Next &gt;&gt;</a></nobr></td></tr>"
        "</table>\n"
        "G=<table width=\"100%\"><tr>\n<td align=\"center\">" +
        cell + "</td></tr>\n<tr>\n<td align=\"center\">" + cell + "</td></tr>\n</table>\nL=" + albums + "\n";
    EXPECT_EQ(page, expected);

    PreviewInput percent = sampleInput();
    percent.settings.albumWidthUnit = 0;
    percent.settings.rows = 0;  // the settings hold at least one row
    percent.settings.homePageLink = 0;
    const std::string other = fillPreviewPage("%WIDTH%|%PICTURES%|%HOMEPAGE%", percent, "F/");
    EXPECT_EQ(other, "600%|<table width=\"100%\"><tr>\n<td align=\"center\">" + cell + "</td></tr>\n</table>|");

    // For the user's own browser the pictures are named beside the page.
    PreviewInput beside = sampleInput();
    beside.samplesBesidePage = true;
    const std::string page2 = fillPreviewPage("%PICTURES%", beside, "C:\\Temp\\FotoloomPreview\\");
    EXPECT_THAT(page2, HasSubstr("<img class=\"divaround\" src=\"sample.gif\" width=\"300\""));
    EXPECT_EQ(page2.find("Temp"), std::string::npos);
}

TEST(PreviewPage, RenderWritesPageAndStyleSheetWithThePreviewsAlbumLinkKey)
{
    ScratchFolder scratch;
    const std::string folder = (scratch / "FotoloomPreview") + kPathSeparator;
    ASSERT_TRUE(preparePreviewFolder(folder));
    FakePrompter prompter;
    PreviewInput input = sampleInput();
    input.settings.themeName = "gone";  // falls back, and the dialog selects what it fell back to
    const PreviewResult r = RenderPreview(input, folder, fixtureThemes(), prompter);
    EXPECT_EQ(r.outcome, PreviewOutcome::Shown);
    EXPECT_EQ(r.themeName, "keys");
    EXPECT_EQ(r.pagePath, folder + kPreviewPageName);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_THAT(readAll(r.pagePath), HasSubstr("src=\"" + folder + "sample.gif\""));
    EXPECT_THAT(readAll(r.pagePath), HasSubstr("\r\nW=600\r\n"));
    const std::string css = readAll(folder + "style.css");
    EXPECT_THAT(css, HasSubstr("%ALBUMLINKCOLOR% #676869 #7b7c7d"));
}

TEST(PreviewPage, MissingThemesAndTemplatesAreToldAndStopThePage)
{
    ScratchFolder scratch;
    ScratchFolder themes;
    const std::string folder = (scratch / "p") + kPathSeparator;
    preparePreviewFolder(folder);
    FakePrompter prompter;
    PreviewInput input = sampleInput();
    input.settings.themeName = "half";

    EXPECT_EQ(RenderPreview(input, folder, themes.path(), prompter).outcome, PreviewOutcome::NoTheme);
    EXPECT_EQ(prompter.texts(), (std::vector<std::string>{kNoThemeMessage}));

    makeFolder(themes / "half");
    prompter.shown.clear();
    EXPECT_EQ(RenderPreview(input, folder, themes.path(), prompter).outcome, PreviewOutcome::NoPageTemplate);
    EXPECT_EQ(prompter.texts(),
              (std::vector<std::string>{"Cannot open template '" + joinPath(themes / "half", "index.html")}));
    EXPECT_EQ(prompter.shown[0].caption, "Fotoloom");
    EXPECT_FALSE(fileExists(folder + "index.htm"));

    writeAll(joinPath(themes / "half", "index.html"), "%PAGES%");
    prompter.shown.clear();
    EXPECT_EQ(RenderPreview(input, folder, themes.path(), prompter).outcome, PreviewOutcome::NoStyleSheet);
    EXPECT_EQ(prompter.texts(),
              (std::vector<std::string>{"Cannot open template '" + joinPath(themes / "half", "style.css")}));
    EXPECT_TRUE(fileExists(folder + "index.htm"));
    EXPECT_FALSE(fileExists(folder + "style.css"));
}

TEST(PreviewPage, ThemeImagesAccumulateAndTheSamplePictureTakesTheThumbnailWidth)
{
    ScratchFolder scratch;
    const std::string folder = (scratch / "p") + kPathSeparator;
    ASSERT_TRUE(preparePreviewFolder(folder));
    writeAll(folder + "images" + kPathSeparator + "earlier.png", "from another theme");
    EXPECT_EQ(CopyThemeImages("keys", folder, fixtureThemes()), 1u);
    EXPECT_EQ(readAll(folder + "images" + kPathSeparator + "dot.gif"),
              readAll(fixtureThemes() + "/keys/images/dot.gif"));
    EXPECT_TRUE(fileExists(folder + "images" + kPathSeparator + "earlier.png"));
    EXPECT_EQ(CopyThemeImages("none", folder, fixtureThemes()), 0u);

    const std::string gif = scratch / "sample.gif";
    makePicture(gif, 40, 20, 200, kFormatGif);
    CPicture sample;
    ASSERT_TRUE(sample.Load(gif, kFormatGif));
    ASSERT_TRUE(MakeSampleImage(sample, 150, folder));
    CPicture made;
    ASSERT_TRUE(made.Load(folder + "sample.gif", 0));
    EXPECT_EQ(made.sourceFormat(), kFormatGif);
    EXPECT_EQ(std::make_pair(made.GetWidth(), made.GetHeight()), std::make_pair(150u, 75u));

    removeFile(folder + "sample.gif");
    EXPECT_FALSE(MakeSampleImage(CPicture(), 150, folder));
    EXPECT_FALSE(fileExists(folder + "sample.gif"));
}

namespace {

// Sets an environment variable for the scope; puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value.c_str());
    }
    ~ScopedVariable() { set(old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const char* value)
    {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        if (value) {
            setenv(name_, value, 1);
        } else {
            unsetenv(name_);
        }
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(PreviewPage, WithoutATemporaryFolderThePreviewGoesToTheUsersOwnFolderNeverTheWorkingFolder)
{
    ScratchFolder scratch;
    const std::string missing = scratch / "no-such-folder";
#ifdef _WIN32
    ScopedVariable tmp("TMP", missing), temp("TEMP", missing);
    const std::string local = localDataFolder();
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(previewFolder(), joinPath(local, "FotoloomPreview") + kPathSeparator);
#else
    ScopedVariable tmp("TMPDIR", missing), cache("XDG_CACHE_HOME", scratch.path());
    EXPECT_EQ(previewFolder(), scratch / "FotoloomPreview/");
    ASSERT_TRUE(preparePreviewFolder(previewFolder()));
    EXPECT_TRUE(folderExists(scratch / "FotoloomPreview/images"));
    {
        // Neither there: no preview folder at all.
        ScopedVariable noCache("XDG_CACHE_HOME", missing), noHome("HOME", missing);
        EXPECT_EQ(previewFolder(), "");
        EXPECT_FALSE(preparePreviewFolder(""));
    }
#endif
    const std::string folder = previewFolder();
    EXPECT_NE(folder.rfind(".", 0), 0u) << folder;
    EXPECT_FALSE(fileExists(kPreviewPageName));
}

TEST(PreviewPage, LinksPlantedInThePreviewsPlaceAreNeverWrittenThrough)
{
    ScratchFolder scratch;
    const std::string outside = scratch / "outside";
    makeFolder(outside);
    writeAll(joinPath(outside, "index.htm"), "the user's page");
    std::error_code ec;
    std::filesystem::create_directory_symlink(fsPath(outside), fsPath(scratch / "planted"), ec);
    if (ec || inspectFile(scratch / "planted").kind != FileKind::Link) GTEST_SKIP() << "no symbolic links here";
    // The preview folder itself a link: refused.
    EXPECT_FALSE(preparePreviewFolder(scratch / "planted/"));
    FakePrompter prompter;
    EXPECT_EQ(RenderPreview(sampleInput(), scratch / "planted/", fixtureThemes(), prompter).outcome,
              PreviewOutcome::NotWritten);
    // A link at the page's name inside a real preview folder: replaced, not followed.
    const std::string folder = scratch / "preview/";
    ASSERT_TRUE(preparePreviewFolder(folder));
    std::filesystem::create_symlink(fsPath(joinPath(outside, "index.htm")), fsPath(scratch / "preview/index.htm"), ec);
    ASSERT_FALSE(ec);
    EXPECT_EQ(RenderPreview(sampleInput(), folder, fixtureThemes(), prompter).outcome, PreviewOutcome::Shown);
    EXPECT_EQ(readAll(joinPath(outside, "index.htm")), "the user's page");
    EXPECT_EQ(inspectFile(scratch / "preview/index.htm").kind, FileKind::Regular);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fsPath(outside)), {}), 1);
}

TEST(PreviewPage, ShowsNoDescriptionWhileItIsStillTheNewGallerysPrompt)
{
    PreviewInput input = sampleInput();
    input.settings.galleryDescription = GallerySettings().galleryDescription;
    const std::string page = fillPreviewPage(ReadTextFile(fixtureThemes() + "/keys/index.html"), input, "F/");
    EXPECT_THAT(page, HasSubstr("T=Trip\nD=\nH="));
}
