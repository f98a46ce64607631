// A picture that cannot be read, built with every installed theme from the command line: its
// album cell and its picture page show its file's name, and nothing on either page points at a
// photo or thumbnail the build did not write.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "generator/theme_files.h"
#include "picture/picture.h"

namespace {

using namespace cli_test;

// "&", quotes and "%" are all allowed in a file name on both systems, and all must be escaped.
const char kGoneName[] = "gone & 'Tom' %ALBUMS%.jpg";
const char kGoneEscaped[] = "gone &amp; &#39;Tom&#39; &#37;ALBUMS&#37;.jpg";

std::string readText(const std::string& path)
{
    std::ifstream in(pathOf(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every file the page refers to by src, srcset, href or a preview picture's content, as written.
std::vector<std::string> referencedFiles(const std::string& page)
{
    std::vector<std::string> found;
    static const std::regex attribute(R"re(\b(src|srcset|href|content)="([^"]*)")re");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), attribute); it != std::sregex_iterator(); ++it) {
        const std::string kind = (*it)[1], value = (*it)[2];
        if (kind == "srcset") {
            static const std::regex candidate(R"re(([^\s,]+)(\s+[0-9.]+[wx])?)re");
            for (auto c = std::sregex_iterator(value.begin(), value.end(), candidate); c != std::sregex_iterator(); ++c)
                found.push_back((*c)[1]);
            continue;
        }
        if (value.empty() || value[0] == '#' || value.find(':') != std::string::npos) continue;  // outside links
        if (kind == "content" && value.find('/') == std::string::npos) continue;  // a meta tag's text, not a file
        found.push_back(value);
    }
    return found;
}

class CliUnreadablePictureTest : public CliScratchTest {
protected:
    CliUnreadablePictureTest() : CliScratchTest("fotoloom-cli-unreadable-", "recent.ini") {}

    // One album of three: the unreadable picture first (it would be the album's preview picture),
    // then two that can be read; two to a page.
    std::string makeProject()
    {
        CBuilderDoc doc;
        doc.galleryTitle = "Trip";
        doc.rows = 1;
        doc.columns = 2;
        doc.selectAlbum(doc.addAlbum("Walks", "", AlbumPosition::Bottom));
        std::ofstream(pathOf(file(kGoneName))) << "not a picture at all";
        std::vector<std::string> paths{file(kGoneName)};
        for (const char* name : {"a.jpg", "b.jpg"}) {
            std::vector<uint8_t> px(size_t{64} * 48 * 4, 120);
            CPicture pic;
            EXPECT_TRUE(pic.setPixels(64, 48, std::move(px)));
            EXPECT_TRUE(pic.Save(file(name), kFormatJpeg));
            paths.push_back(file(name));
        }
        doc.addImages(paths);
        RecentList recent(file("recent.ini"));
        const std::string project = file("trip.gal");
        EXPECT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
        return project;
    }
};

TEST_F(CliUnreadablePictureTest, EveryThemeShowsTheFileNameAndRefersToNoFileItDidNotWrite)
{
    const std::string project = makeProject();
    const std::vector<std::string> themes = ListThemes();
    ASSERT_FALSE(themes.empty());
    for (const std::string& theme : themes) {
        SCOPED_TRACE(theme);
        const std::string output = file("out-" + theme);
        const Outcome r = run({"build", project, "-o", output, "--theme", theme});
        EXPECT_EQ(r.status, 1) << r.err;  // a picture was not made
        EXPECT_NE(r.err.find("This picture could not be read; the gallery shows its file name in place of its "
                             "photo and thumbnail:\nfotoloom: " +
                             file(kGoneName)),
                  std::string::npos)
            << r.err;

        const std::string gallery = joinPath(output, "Trip");
        for (const char* name : {"index-1-1.html", "image-1-1.html", "index.html"}) {
            SCOPED_TRACE(name);
            const std::string page = readText(joinPath(gallery, name));
            ASSERT_FALSE(page.empty());
            for (const std::string& target : referencedFiles(page))
                EXPECT_TRUE(fileExists(joinPath(gallery, target))) << target;
            EXPECT_NE(page.find("role=\"img\" aria-label=\"" + std::string(kGoneEscaped) + "\""), std::string::npos);
            EXPECT_NE(page.find(">" + std::string(kGoneEscaped) + "</span>"), std::string::npos);
            EXPECT_EQ(page.find(kGoneName), std::string::npos);  // never unescaped
        }
        // Its number and its page stay; the readable pictures around it are built as always.
        const std::string album = readText(joinPath(gallery, "index-1-1.html"));
        EXPECT_NE(album.find("<a href=\"image-1-1.html\""), std::string::npos);
        EXPECT_NE(album.find("thumbs/thumb-1-2.jpg"), std::string::npos);
        EXPECT_NE(album.find("Pictures 1 - 2</b> of 3"), std::string::npos);
        EXPECT_NE(album.find("og:image\" content=\"photos/image-1-2.jpg\""), std::string::npos);
        EXPECT_NE(readText(joinPath(gallery, "image-1-2.html")).find("photos/image-1-2.jpg"), std::string::npos);
    }
}

}  // namespace
