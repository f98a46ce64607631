// album list and image list, for people and for programs: every JSON answer is read back with a
// strict parser, so what a script gets is JSON and says what the project holds.

#include <chrono>
#include <fstream>

#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"
#include "gallery/recent_list.h"
#include "json_reader.h"

using namespace cli_test;

namespace {

class CliLists : public CliScratchTest {
protected:
    CliLists() : CliScratchTest("fotoloom-cli-lists-", "recent.ini") { project = file("p.gal"); }

    void save(const CBuilderDoc& doc) const
    {
        RecentList recent(file("recent.ini"));
        ASSERT_EQ(saveProject(doc, project, recent), ProjectResult::Ok);
    }
    // The project as the command line reads it back, so paths compare as stored on this system.
    void load(CBuilderDoc& doc) const { ASSERT_EQ(loadProject(doc, project), ProjectResult::Ok); }
    std::string picture(const std::string& name, const std::string& bytes) const
    {
        const std::string path = file(name);
        std::ofstream(pathOf(path), std::ios::binary) << bytes;
        return path;
    }
    JsonValue json(const Outcome& r) const
    {
        EXPECT_EQ(r.status, 0) << r.err;
        try {
            return JsonReader::parse(r.out);
        } catch (const JsonError& e) {
            ADD_FAILURE() << e.what() << "\n" << r.out;
            return {};
        }
    }

    std::string project;
};

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

}  // namespace

// --- album list --json ---------------------------------------------------------------------------

TEST_F(CliLists, AlbumListJsonHoldsEveryAlbumWithItsPositionKeyTextsAndImageCount)
{
    CBuilderDoc doc;
    doc.addAlbum("Caf\xC3\xA9 \"one\"\n\x01", "back\\slash\ttab", AlbumPosition::Bottom);
    doc.addAlbum("Empty", "", AlbumPosition::Bottom);
    doc.addAlbum("Two", "x", AlbumPosition::Bottom);
    const int32_t first = doc.albums()[0].key, third = doc.albums()[2].key;
    doc.appendImage({"/p/a.jpg", first, 0, ""});
    doc.appendImage({"/p/b.jpg", third, 0, ""});
    doc.appendImage({"/p/c.jpg", first, 0, ""});
    save(doc);

    const JsonValue albums = json(run({"album", "list", project, "--json"}));
    ASSERT_TRUE(albums.isArray());
    ASSERT_EQ(albums.array().size(), 3u);
    CBuilderDoc back;
    load(back);
    const double counts[] = {2, 0, 1};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const JsonValue& a = albums[i];
        EXPECT_EQ(a.object().size(), 5u);
        EXPECT_EQ(a["position"].number(), static_cast<double>(i + 1));
        EXPECT_EQ(a["key"].number(), static_cast<double>(back.albums()[i].key));
        EXPECT_EQ(a["title"].string(), back.albums()[i].title);
        EXPECT_EQ(a["caption"].string(), back.albums()[i].caption);
        EXPECT_EQ(a["imageCount"].number(), counts[i]);
    }
    EXPECT_EQ(albums[0]["title"].string(), "Caf\xC3\xA9 \"one\"\n\x01");
    EXPECT_EQ(albums[0]["caption"].string(), "back\\slash\ttab");
}

TEST_F(CliLists, AlbumListJsonOfAnEmptyGalleryIsAnEmptyArrayAndPlainOutputIsUnchanged)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    EXPECT_TRUE(json(run({"album", "list", project, "--json"})).array().empty());

    ASSERT_EQ(run({"album", "add", project, "A", "--caption", "c"}).status, 0);
    const Outcome plain = run({"album", "list", project});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, "  1  \"A\"  no images\n     caption \"c\"\n");
}

TEST_F(CliLists, ListsOfAFileThatIsNoProjectPrintNothingAndFail)
{
    const std::string bogus = picture("bogus.gal", std::string("\xFF\xFF\xFF\xFF", 4));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"album", "list", bogus, "--json"},
                                                 {"image", "list", bogus, "--json"},
                                                 {"image", "list", bogus}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << args[0] << ' ' << args.back();
        EXPECT_EQ(r.out, "") << args[0] << ' ' << args.back();
        EXPECT_NE(r.err, "");
    }
}

// --- image list ----------------------------------------------------------------------------------

TEST_F(CliLists, ImageListJsonGivesEachImageItsRowFileAndTheFilesSizeAndDate)
{
    const std::string kept = picture("kept.jpg", "12345");
    const std::string fresh = picture("fresh \xC3\xA9.jpg", std::string(1000, 'x'));
    // A known time, so that the date's text is checked, not just its shape.
    using namespace std::chrono;
    const sys_seconds when = sys_days(year(2021) / 3 / 4) + hours(5) + minutes(6) + seconds(7);
    std::filesystem::last_write_time(pathOf(kept), file_clock::from_sys(when));

    CBuilderDoc doc;
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    const int32_t a = doc.albums()[0].key, b = doc.albums()[1].key;
    doc.appendImage({kept, a, 90, "first \"one\"\nline two"});
    doc.appendImage({file("gone.jpg"), b, -270, ""});
    doc.appendImage({fresh, a, 0, ""});
    save(doc);
    CBuilderDoc back;
    load(back);

    const JsonValue images = json(run({"image", "list", project, "1", "--json"}));
    ASSERT_EQ(images.array().size(), 2u);
    const JsonValue& one = images[0];
    EXPECT_EQ(one.object().size(), 7u);
    EXPECT_EQ(one["album"].number(), 1);
    EXPECT_EQ(one["position"].number(), 1);
    EXPECT_EQ(one["file"].string(), back.images()[0].path);
    EXPECT_EQ(one["rotation"].number(), 90);
    EXPECT_EQ(one["comment"].string(), "first \"one\"\nline two");
    EXPECT_EQ(one["size"].numberText, "5");
    EXPECT_EQ(one["modified"].string(), "2021-03-04T05:06:07Z");

    const JsonValue& two = images[1];
    EXPECT_EQ(two["position"].number(), 2);
    EXPECT_EQ(two["file"].string(), back.images()[2].path);
    EXPECT_EQ(two["size"].numberText, "1000");
    // Written just now: a date in another zone or from another epoch would be hours or years off.
    const std::string modified = two["modified"].string();
    ASSERT_EQ(modified.size(), 20u) << modified;
    EXPECT_EQ(modified.back(), 'Z');
    const int hour = std::stoi(modified.substr(11, 2)), minute = std::stoi(modified.substr(14, 2));
    const auto written = sys_days(year(std::stoi(modified.substr(0, 4))) / std::stoi(modified.substr(5, 2)) /
                                  std::stoi(modified.substr(8, 2))) +
                         hours(hour) + minutes(minute);
    EXPECT_LT(abs(duration_cast<minutes>(system_clock::now() - written).count()), 60) << modified;

    // Album 2: the missing file has no size and no date.
    const JsonValue gone = json(run({"image", "list", project, "2", "--json"}));
    ASSERT_EQ(gone.array().size(), 1u);
    EXPECT_EQ(gone[0]["album"].number(), 2);
    EXPECT_EQ(gone[0]["rotation"].number(), -270);
    EXPECT_TRUE(gone[0]["size"].isNull());
    EXPECT_TRUE(gone[0]["modified"].isNull());
}

TEST_F(CliLists, ImageListWithoutAnAlbumGoesAlbumByAlbumAndKeepsTheImagesInNoAlbum)
{
    CBuilderDoc doc;
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    doc.addAlbum("B", "", AlbumPosition::Bottom);
    const int32_t a = doc.albums()[0].key, b = doc.albums()[1].key;
    int32_t stray = 1;
    while (stray == a || stray == b) ++stray;
    doc.appendImage({"/p/b1.jpg", b, 0, ""});
    doc.appendImage({"/p/stray.jpg", stray, 0, ""});
    doc.appendImage({"/p/a1.jpg", a, 0, ""});
    doc.appendImage({"/p/b2.jpg", b, 0, ""});
    save(doc);
    CBuilderDoc back;
    load(back);

    const JsonValue images = json(run({"image", "list", project, "--json"}));
    ASSERT_EQ(images.array().size(), 4u);
    const std::pair<double, double> places[] = {{1, 1}, {2, 1}, {2, 2}};
    const size_t files[] = {2, 0, 3};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(images[i]["album"].number(), places[i].first);
        EXPECT_EQ(images[i]["position"].number(), places[i].second);
        EXPECT_EQ(images[i]["file"].string(), back.images()[files[i]].path);
    }
    EXPECT_TRUE(images[3]["album"].isNull());
    EXPECT_TRUE(images[3]["position"].isNull());
    EXPECT_EQ(images[3]["file"].string(), back.images()[1].path);

    const Outcome none = run({"image", "list", project, "3", "--json"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("album 3 does not exist"), std::string::npos) << none.err;
}

TEST_F(CliLists, ImageListPrintsOneLineOfSevenTabSeparatedFieldsPerImage)
{
    const std::string kept = picture("kept.jpg", "123");
    CBuilderDoc doc;
    doc.addAlbum("A", "", AlbumPosition::Bottom);
    const int32_t a = doc.albums()[0].key;
    doc.appendImage({kept, a, 180, "tab\there\nand\\back"});
    doc.appendImage({file("gone.jpg"), a, 0, ""});
    save(doc);
    CBuilderDoc back;
    load(back);

    const Outcome r = run({"image", "list", project});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    const std::vector<std::string> one = fieldsOf(lines[0]);
    ASSERT_EQ(one.size(), 7u) << lines[0];
    EXPECT_EQ(one[0], "1");
    EXPECT_EQ(one[1], "1");
    EXPECT_EQ(one[3], "180");
    EXPECT_EQ(one[4], "tab\\there\\nand\\\\back");
    EXPECT_EQ(one[5], "3");
    EXPECT_EQ(one[6].size(), 20u);
    const std::vector<std::string> two = fieldsOf(lines[1]);
    ASSERT_EQ(two.size(), 7u) << lines[1];
    EXPECT_EQ(two[1], "2");
    EXPECT_EQ(two[5], "");
    EXPECT_EQ(two[6], "");
    // A Windows path's backslashes are doubled like any other.
    std::string expected;
    for (char c : back.images()[1].path) expected += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(two[2], expected);
}

// --- the reader the tests above rely on ----------------------------------------------------------

TEST(JsonReaderTest, RefusesWhatAConformingParserRefuses)
{
    for (const char* bad : {"",
                            "[1,]",
                            "{\"a\":1,}",
                            "['a']",
                            "[01]",
                            "[1.]",
                            "[.5]",
                            "[-]",
                            "[1e]",
                            "{\"a\" 1}",
                            "{a:1}",
                            "[\"\x01\"]",
                            "[\"\\ud800\"]",
                            "[\"\\udc00\"]",
                            "[\"\\x\"]",
                            "[\"\xC0\xAF\"]",
                            "[\"\xED\xA0\x80\"]",
                            "[1] [2]",
                            "{\"a\":1,\"a\":2}",
                            "[tru]",
                            "\"open",
                            "[nul]"}) {
        EXPECT_THROW(JsonReader::parse(bad), JsonError) << bad;
    }
    const JsonValue v = JsonReader::parse(
        " {\"s\": \"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude42\", \"n\": -1.5e2,"
        " \"z\": 0, \"t\": [true, false, null], \"o\": {}} ");
    EXPECT_EQ(v["s"].string(), "\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x99\x82");
    EXPECT_EQ(v["n"].number(), -150);
    EXPECT_EQ(v["z"].numberText, "0");
    EXPECT_EQ(v["t"].array().size(), 3u);
    EXPECT_TRUE(v["t"][2].isNull());
    EXPECT_TRUE(v["o"].object().empty());
}
