// build --json and publish --json, read back with a strict JSON parser and checked against the files
// on disk: a first build, an unchanged rebuild, a caption changed; a publish, a republish, a dry run,
// and runs that failed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "base/file_system.h"
#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "json_reader.h"
#include "picture/picture.h"

namespace {

using namespace cli_test;

using Files = std::map<std::string, std::string>;  // relative name -> bytes

class CliJsonResultsTest : public CliScratchTest {
protected:
    CliJsonResultsTest() : CliScratchTest("fotoloom-cli-json-", "settings.ini")
    {
        project = file("trip.gal");
        output = file("out");
        site = file("site \xC3\xA9t\xC3\xA9");
        gallery = joinPath(output, "Trip");
    }

    // Two albums of two pictures; `missing` adds a picture whose file is gone to the first.
    void makeProject(bool missing = false)
    {
        CBuilderDoc doc;
        doc.galleryTitle = "Trip";
        doc.themeName = "minimal";
        for (int album = 1; album <= 2; ++album) {
            doc.selectAlbum(doc.addAlbum("Album " + std::to_string(album), "first caption", AlbumPosition::Bottom));
            std::vector<std::string> paths = writeAlbumPictures(album, 2);
            if (missing && album == 1) paths.push_back(file("gone.jpg"));
            doc.addImages(paths);
        }
        RecentList recent(file("settings.ini"));
        ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    }

    Files galleryFiles() const { return filesUnder(gallery, ".fotoloom-manifest"); }
    Files siteFiles() const { return filesUnder(site, ".fotoloom-published"); }

    // The files of `now` that are new or differ from `before`, and their bytes in all.
    static std::pair<size_t, uint64_t> changed(const Files& before, const Files& now)
    {
        std::pair<size_t, uint64_t> result{0, 0};
        for (const auto& [name, bytes] : now) {
            const auto old = before.find(name);
            if (old != before.end() && old->second == bytes) continue;
            ++result.first;
            result.second += bytes.size();
        }
        return result;
    }

    // stdout must be exactly one JSON object.
    static JsonValue parsed(const Outcome& r)
    {
        try {
            JsonValue value = JsonReader::parse(r.out);
            EXPECT_TRUE(value.isObject()) << r.out;
            return value;
        } catch (const JsonError& e) {
            ADD_FAILURE() << e.what() << " in: " << r.out << "\n" << r.err;
            return JsonReader::parse("{}");
        }
    }

    // written/sent, unchanged, removed and bytes, as numbers.
    static void expectCounts(const JsonValue& v, const char* sent, double n, double unchanged, double removed,
                             double bytes)
    {
        EXPECT_EQ(v[sent].number(), n);
        EXPECT_EQ(v["unchanged"].number(), unchanged);
        EXPECT_EQ(v["removed"].number(), removed);
        EXPECT_EQ(v["bytes"].number(), bytes);
        EXPECT_GE(v["seconds"].number(), 0.0);
    }

    static double sizeOf(const Files& files)
    {
        uint64_t total = 0;
        for (const auto& [name, bytes] : files) total += bytes.size();
        return static_cast<double>(total);
    }

    std::string project, output, site, gallery;
};

}  // namespace

TEST_F(CliJsonResultsTest, BuildCountsWhatItWroteLeftAndRemovedAsTheFolderShows)
{
    makeProject();
    Outcome r = run({"build", project, "-o", output, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    JsonValue v = parsed(r);
    const Files first = galleryFiles();
    EXPECT_EQ(v["gallery"].string(), gallery);
    EXPECT_TRUE(std::get<bool>(v["completed"].value));
    EXPECT_TRUE(v["failed"].array().empty());
    expectCounts(v, "written", static_cast<double>(first.size()), 0, 0, sizeOf(first));
    EXPECT_NE(r.err.find("built 4 pictures"), std::string::npos) << r.err;  // the summary stays on stderr

    r = run({"build", project, "-o", output, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    v = parsed(r);
    EXPECT_EQ(galleryFiles(), first);
    expectCounts(v, "written", 0, static_cast<double>(first.size()), 0, 0);

    ASSERT_EQ(run({"album", "edit", project, "2", "--caption", "a new caption"}).status, 0);
    r = run({"build", project, "-o", output, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    v = parsed(r);
    const Files third = galleryFiles();
    const auto [written, bytes] = changed(first, third);
    ASSERT_GT(written, 0u);
    expectCounts(v, "written", static_cast<double>(written), static_cast<double>(third.size() - written), 0,
                 static_cast<double>(bytes));

    // An album removed: its pages and pictures go, and are counted.
    ASSERT_EQ(run({"album", "remove", project, "2"}).status, 0);
    r = run({"build", project, "-o", output, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    v = parsed(r);
    const Files fourth = galleryFiles();
    size_t gone = 0;
    for (const auto& entry : third) gone += fourth.count(entry.first) ? 0 : 1;
    ASSERT_GT(gone, 0u);
    EXPECT_EQ(v["removed"].number(), static_cast<double>(gone));
    EXPECT_EQ(v["written"].number() + v["unchanged"].number(), static_cast<double>(fourth.size()));
}

TEST_F(CliJsonResultsTest, AFailedBuildStillPrintsItsResultWithWhatFailedAndWhy)
{
    makeProject(true);
    Outcome r = run({"build", project, "-o", output, "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    JsonValue v = parsed(r);
    ASSERT_EQ(v["failed"].array().size(), 1u) << r.out;
    EXPECT_EQ(v["failed"][0]["file"].string(), file("gone.jpg"));
    EXPECT_FALSE(v["failed"][0]["reason"].string().empty());
    EXPECT_EQ(v["written"].number(), static_cast<double>(galleryFiles().size()));

    // A build refused because a file stands where the gallery folder goes: nothing counted.
    std::ofstream(pathOf(joinPath(output, "Blocked"))) << "a file where the folder goes";
    r = run({"build", project, "-o", output, "--title", "Blocked", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    v = parsed(r);
    EXPECT_FALSE(std::get<bool>(v["completed"].value)) << r.out;
    EXPECT_EQ(v["written"].number(), 0);
}

TEST_F(CliJsonResultsTest, PublishCountsWhatItSentLeftAndWouldSendAsTheDestinationShows)
{
    makeProject();
    ASSERT_EQ(run({"build", project, "-o", output}).status, 0);
    Outcome r = run({"publish", project, "--to", site, "-o", output, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    JsonValue v = parsed(r);
    const Files sent = siteFiles();
    EXPECT_EQ(sent, galleryFiles());
    EXPECT_EQ(v["destination"].string(), site);
    EXPECT_FALSE(std::get<bool>(v["dryRun"].value));
    EXPECT_TRUE(v["failed"].array().empty());
    expectCounts(v, "sent", static_cast<double>(sent.size()), 0, 0, sizeOf(sent));

    r = run({"publish", project, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectCounts(parsed(r), "sent", 0, static_cast<double>(sent.size()), 0, 0);

    ASSERT_EQ(run({"album", "edit", project, "1", "--caption", "a new caption"}).status, 0);
    ASSERT_EQ(run({"build", project, "-o", output}).status, 0);
    const auto [changedFiles, changedBytes] = changed(sent, galleryFiles());
    ASSERT_GT(changedFiles, 0u);
    const double unchanged = static_cast<double>(sent.size() - changedFiles);
    r = run({"publish", project, "--dry-run", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    v = parsed(r);  // the upload lines are not printed beside it
    EXPECT_TRUE(std::get<bool>(v["dryRun"].value));
    expectCounts(v, "sent", static_cast<double>(changedFiles), unchanged, 0, static_cast<double>(changedBytes));
    EXPECT_EQ(siteFiles(), sent);

    r = run({"publish", project, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectCounts(parsed(r), "sent", static_cast<double>(changedFiles), unchanged, 0, static_cast<double>(changedBytes));
    EXPECT_EQ(siteFiles(), galleryFiles());
}

TEST_F(CliJsonResultsTest, APublishThatFailedListsEachFileAndKeepsItsStatus)
{
    makeProject();
    ASSERT_EQ(run({"build", project, "-o", output}).status, 0);
    std::filesystem::create_directories(pathOf(site));
    std::ofstream(pathOf(joinPath(site, "thumbs"))) << "mine";
    Outcome r = run({"publish", project, "--to", site, "-o", output, "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    JsonValue v = parsed(r);
    const JsonArray& failed = v["failed"].array();
    ASSERT_EQ(failed.size(), 4u) << r.out;
    for (const JsonValue& f : failed) {
        EXPECT_TRUE(f["file"].string().starts_with("thumbs/")) << f["file"].string();
        EXPECT_NE(f["reason"].string().find("cannot write into"), std::string::npos) << f["reason"].string();
    }
    EXPECT_EQ(v["sent"].number() + static_cast<double>(failed.size()), static_cast<double>(galleryFiles().size()));

    // A build first that leaves a picture out publishes nothing, and says so in the object.
    ASSERT_EQ(run({"album", "edit", project, "1", "--caption", "changed"}).status, 0);
    std::filesystem::remove(pathOf(joinPath(site, "thumbs")));
    const std::string picture = file("p12.jpg");
    std::filesystem::rename(pathOf(picture), pathOf(picture + ".away"));
    r = run({"publish", project, "--build", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    v = parsed(r);
    EXPECT_FALSE(std::get<bool>(v["completed"].value));
    ASSERT_EQ(v["failed"].array().size(), 1u) << r.out;
    EXPECT_NE(v["failed"][0]["reason"].string().find("nothing was published"), std::string::npos);
    EXPECT_EQ(v["sent"].number(), 0);

    // With it back, the publish's object alone is printed, not the build's too.
    std::filesystem::rename(pathOf(picture + ".away"), pathOf(picture));
    r = run({"publish", project, "--build", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    v = parsed(r);
    EXPECT_EQ(v["destination"].string(), site);
    EXPECT_EQ(siteFiles(), galleryFiles());
}
