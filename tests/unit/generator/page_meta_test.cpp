// The description and share tags of album pages: what search engines and chat previews read.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "generator/page_meta.h"
#include "generator_test_util.h"

using namespace generator_test;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(PageMeta, AnHtmlDescriptionBecomesOneLineOfTextThatCannotLeaveItsAttribute)
{
    EXPECT_EQ(attributeText("Ein Tag am Meer, <em>fünf</em>\r\n  Möwen."), "Ein Tag am Meer, fünf Möwen.");
    EXPECT_EQ(attributeText("line<br>next<P>para</p>end"), "line next para end");
    EXPECT_EQ(attributeText("<b>bold</b>er <a href=\"x\">link</a>"), "bolder link");
    EXPECT_EQ(attributeText("say \"hi\" & 3 < 4 > 2"), "say &quot;hi&quot; &amp; 3 &lt; 4 &gt; 2");
    // A reference the owner wrote means the same in the attribute as in the text.
    EXPECT_EQ(attributeText("caf&eacute; &#233; &#xE9; AT&T &#; &x"),
              "caf&eacute; &#233; &#xE9; AT&amp;T &amp;#; &amp;x");
    EXPECT_EQ(attributeText("100% %ALBUMS%"), "100&#37; &#37;ALBUMS&#37;");
    EXPECT_EQ(attributeText("before <a href=\"x\" onclick=\"y"), "before");  // an unfinished tag hides the rest
    EXPECT_EQ(attributeText("<!-- note --> <p>  </p>"), "");
}

// A theme whose page is its head and the keys: the tags must come first and stay whole.
class PageMetaBuild : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string theme = joinPath(scratch / "themes", "meta");
        makeFolder(scratch / "themes");
        makeFolder(theme);
        writeAll(theme + "/index.html", "<head>\n%PAGEMETA%<title>%GALLERYTITLE%</title></head>D=%GALLERYDESCRIPTION%");
        writeAll(theme + "/style.css", "body{}");
        g.options.templateRoot = scratch / "themes";
        g.doc.themeName = "meta";
    }
    ScratchFolder scratch;
    TestGallery g{scratch, "Sommer  på Åland"};
};

TEST_F(PageMetaBuild, AlbumPagesCarryTheDescriptionAndTheirFirstPhotoAsThePreview)
{
    g.doc.galleryDescription = "Ein Tag am <em>Meer</em>, see %ALBUMS%";
    const int32_t full = g.addAlbum("Küste");
    g.addAlbum("Leer");
    for (int i = 0; i < 2; ++i) {
        const std::string path = scratch / cat("p", std::to_string(i), ".jpg");
        makePicture(path, 32, 24);
        g.addImage(full, path);
    }
    ASSERT_TRUE(g.build().succeeded());

    const std::string page = g.read("index-1-1.html");
    // (Pages are written with Windows line ends.)
    EXPECT_THAT(page,
                HasSubstr("<head>\r\n<meta name=\"description\" content=\"Ein Tag am Meer, see &#37;ALBUMS&#37;\">\r\n"
                          "<meta property=\"og:type\" content=\"website\">\r\n"
                          "<meta property=\"og:title\" content=\"Sommer på Åland\">\r\n"));
    EXPECT_THAT(page, HasSubstr("<meta property=\"og:image\" content=\"photos/image-1-1.jpg\">\r\n"
                                "<meta name=\"twitter:card\" content=\"summary_large_image\">\r\n<title>"));
    // The description in the body still gets what the key order gives it.
    EXPECT_THAT(page, HasSubstr("D=Ein Tag am <em>Meer</em>, see <table>"));
    EXPECT_EQ(g.read("index.html"), page);

    const std::string empty = g.read("index-2-1.html");
    EXPECT_THAT(empty, Not(HasSubstr("og:image")));
    EXPECT_THAT(empty, HasSubstr("<meta name=\"twitter:card\" content=\"summary\">"));
}

TEST_F(PageMetaBuild, AGalleryWithoutADescriptionHasNoEmptyDescriptionTag)
{
    g.doc.galleryDescription = "  <p></p> ";
    g.addAlbum("A");
    ASSERT_TRUE(g.build().succeeded());
    const std::string page = g.read("index-1-1.html");
    EXPECT_THAT(page, Not(HasSubstr("description")));
    EXPECT_THAT(page, HasSubstr("og:title"));
}

// A new gallery's description is a prompt to its owner: no visitor sees it, in the body or the
// tags. The project keeps it as it is.
TEST_F(PageMetaBuild, TheDescriptionANewGalleryStartsWithIsOnNoPage)
{
    g.doc.galleryDescription = GallerySettings().galleryDescription;
    const int32_t album = g.addAlbum("A");
    const std::string path = scratch / "p.jpg";
    makePicture(path, 32, 24);
    g.addImage(album, path);
    ASSERT_TRUE(g.build().succeeded());
    for (const char* name : {"index-1-1.html", "index.html", "image-1-1.html"}) {
        const std::string page = g.read(name);
        EXPECT_THAT(page, Not(HasSubstr("Enter gallery description"))) << name;
        EXPECT_THAT(page, Not(HasSubstr("name=\"description\""))) << name;
    }
    EXPECT_THAT(g.read("index-1-1.html"), HasSubstr("</head>D=\t\t\t<center>"));
    EXPECT_EQ(g.doc.galleryDescription, "Enter gallery description here ...");

    // Any text of the owner's is shown, also one that starts like the prompt.
    g.doc.galleryDescription = "Enter gallery description here ... later";
    ASSERT_TRUE(g.build().succeeded());
    EXPECT_THAT(g.read("index-1-1.html"), HasSubstr("D=Enter gallery description here ... later"));
}
