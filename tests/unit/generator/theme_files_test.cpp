// Themes and placeholders: the replacement primitive, colours, text files, finding and listing
// themes, and the two templates filled from a gallery.

#include "generator/theme_files.h"

#include <gtest/gtest.h>

#include "generator_test_util.h"

using namespace generator_test;

TEST(ReplaceAll, ReplacesEveryOccurrenceAndNeverRescansWhatItInserted)
{
    std::string text = "%A% and %A%, %A%";
    EXPECT_EQ(ReplaceAll(text, "%A%", "x"), 3u);
    EXPECT_EQ(text, "x and x, x");

    EXPECT_EQ(ReplaceAll(text, "%B%", "y"), 0u);
    EXPECT_EQ(text, "x and x, x");

    std::string keys = "%ALBUMS% %albums%";
    EXPECT_EQ(ReplaceAll(keys, "%ALBUMS%", "list"), 1u);
    EXPECT_EQ(keys, "list %albums%");

    // The value holds the key: each original occurrence is replaced once, no more.
    std::string grow = "aXa";
    EXPECT_EQ(ReplaceAll(grow, "a", "aa"), 2u);
    EXPECT_EQ(grow, "aaXaa");

    std::string remove = "[%K%][%K%]";
    EXPECT_EQ(ReplaceAll(remove, "%K%", ""), 2u);
    EXPECT_EQ(remove, "[][]");

    std::string empty;
    EXPECT_EQ(ReplaceAll(empty, "%K%", "v"), 0u);
    std::string unchanged = "text";
    EXPECT_EQ(ReplaceAll(unchanged, "", "v"), 0u);
    EXPECT_EQ(unchanged, "text");
}

TEST(ShippedFiles, BesideTheProgramOrInThePackageLayout)
{
    ScratchFolder root;
    const std::string bin = root / "bin";
    const std::string shared = joinPath(root / "share", "fotoloom");
    ASSERT_TRUE(makeFolder(bin));
    EXPECT_EQ(shippedFilesFolder(bin), bin);  // nothing anywhere: the program folder, as always

    ASSERT_TRUE(makeFolder(root / "share") && makeFolder(shared) && makeFolder(joinPath(shared, "template")));
    EXPECT_EQ(shippedFilesFolder(bin), shared);
    EXPECT_EQ(shippedFilesFolder(bin + kPathSeparator), shared);

    // Themes beside the program win: a portable copy must not pick up an installed package's.
    ASSERT_TRUE(makeFolder(joinPath(bin, "template")));
    EXPECT_EQ(shippedFilesFolder(bin), bin);
}

TEST(FormatColour, WritesRedGreenBlueFromTheLowByteUp)
{
    EXPECT_EQ(FormatColour(0xFF8000), "#0080ff");  // red 0x00, green 0x80, blue 0xFF
    EXPECT_EQ(FormatColour(0), "#000000");
    EXPECT_EQ(FormatColour(0x0000FF), "#ff0000");
    EXPECT_EQ(FormatColour(0x7D7C7B), "#7b7c7d");
}

TEST(TextFiles, LineEndsBecomeLfOnReadingAndCrLfOnWritingWithoutDoubling)
{
    ScratchFolder scratch;
    const std::string crlf = scratch / "crlf.html";
    writeAll(crlf, "one\r\ntwo\r\n\r\nlone\rcr");
    EXPECT_EQ(ReadTextFile(crlf), "one\ntwo\n\nlone\rcr");

    ASSERT_TRUE(WriteTextFile(scratch / "back.html", ReadTextFile(crlf)));
    EXPECT_EQ(readAll(scratch / "back.html"), "one\r\ntwo\r\n\r\nlone\rcr");

    // A CR LF typed into a caption arrives as it is and is not doubled either.
    ASSERT_TRUE(WriteTextFile(scratch / "mixed.html", "a\nb\r\nc"));
    EXPECT_EQ(readAll(scratch / "mixed.html"), "a\r\nb\r\nc");

    EXPECT_EQ(ReadTextFile(scratch / "missing.html"), "");
    EXPECT_FALSE(WriteTextFile(joinPath(scratch / "no-such-folder", "x.html"), "x"));
}

TEST(Themes, AreListedWithoutRegardToCaseAndOnlyFoldersCount)
{
    ScratchFolder root;
    for (const char* name : {"beach", "Autumn", "classic"}) makeFolder(root / name);
    writeAll(root / "readme.txt", "not a theme");
    EXPECT_EQ(ListThemes(root.path()), (std::vector<std::string>{"Autumn", "beach", "classic"}));
    EXPECT_TRUE(ListThemes(root / "missing").empty());
}

TEST(Themes, ResolveFallsBackToAListedFolderAndGivesNothingWithoutOne)
{
    ScratchFolder root;
    writeAll(root / "file-only", "x");
    EXPECT_EQ(ResolveTheme("gone", root.path()), "");
    EXPECT_EQ(ResolveTheme("", root.path()), "");

    makeFolder(root / "only");
    EXPECT_EQ(ResolveTheme("gone", root.path()), "only");
    EXPECT_EQ(ResolveTheme("", root.path()), "only");
    EXPECT_EQ(ResolveTheme("only", root.path()), "only");
    // A name that climbs out of the theme folder is no theme, though the folder exists.
    EXPECT_EQ(ResolveTheme("..", root / "only"), "");
    EXPECT_EQ(ResolveTheme(std::string("..") + kPathSeparator + "only", root / "only"), "");
}

TEST(Templates, PageTemplateGetsTitleAndDescriptionAndStyleSheetAllThirteenKeys)
{
    GallerySettings g;
    g.themeName = "keys";
    g.galleryTitle = "My %GALLERYDESCRIPTION% trip";
    g.galleryDescription = "about %ALBUMS%";
    const std::string page = LoadPageTemplate(g, fixtureThemes());
    // The title is filled first, so a key inside it is filled by the next replacement.
    EXPECT_EQ(page.substr(0, page.find("\nH=")), "T=My about %ALBUMS% trip\nD=about %ALBUMS%");

    g.outsideBorderWidth = 3;
    g.insideBorderWidth = -1;
    g.outsideBorderColor = 0xFF8000;
    g.albumLinkColor = 0x010203;
    g.homePageColor = 0;
    EXPECT_EQ(LoadStyleSheet(g, fixtureThemes()),
              "o 3 i -1\n#0080ff #ffffff #7b7c7d #646464 #646464 #646464\n"
              "#030201 %ALBUMLINKSCOLOR% #7b7c7d #646464 #7b7c7d #000000\n");

    g.themeName = "missing";
    EXPECT_EQ(LoadPageTemplate(g, fixtureThemes()), "");
    EXPECT_EQ(LoadStyleSheet(g, fixtureThemes()), "");
}

// The owner may keep a theme light whatever the visitor's system prefers.
TEST(ThemeFiles, TheDarkVariantIsAMediaQueryTheOwnerCanTurnOff)
{
    GallerySettings g;
    std::string css = "@media %DARKMEDIA% { body { color: %PAGESCOLOR%; } }";
    fillStyleSheet(css, g, "%ALBUMLINKCOLOR%");
    EXPECT_EQ(css, "@media (prefers-color-scheme: dark) { body { color: #7b7c7d; } }");
    g.darkVariant = 0;
    css = "@media %DARKMEDIA% {}";
    fillStyleSheet(css, g, "%ALBUMLINKCOLOR%");
    EXPECT_EQ(css, "@media not all {}");
}
