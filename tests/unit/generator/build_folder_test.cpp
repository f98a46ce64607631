// The gallery folder: made with every folder above it; a folder that cannot be made or written
// into is refused with one message before any picture is made; a build tells each kind of
// failure once, and offers to view the gallery only when its index.html is there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "generator_test_util.h"

using namespace generator_test;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// Two albums of two small pictures each, one picture page per album page.
struct TwoAlbums : TestGallery {
    explicit TwoAlbums(const ScratchFolder& scratch) : TestGallery(scratch)
    {
        doc.rows = 1;
        doc.columns = 1;
        const std::string picture = scratch / "p.jpg";
        makePicture(picture, 40, 30);
        for (const char* title : {"Sea", "Hills"}) {
            const int32_t key = addAlbum(title);
            addImage(key, picture);
            addImage(key, picture);
        }
    }
};

// Every name in `folder`, "." and ".." left out.
std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (const auto entries = listFolder(folder))
        for (const FolderEntry& e : *entries)
            if (e.name != "." && e.name != "..") names.insert(e.name);
    return names;
}

size_t countOf(const std::vector<std::string>& texts, const std::string& start)
{
    return static_cast<size_t>(
        std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.starts_with(start); }));
}

}  // namespace

TEST(BuildFolder, AMissingFolderThreeLevelsDeepIsMadeAndBuilt)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    g.doc.outputFolder = joinPath(joinPath(joinPath(scratch / "new", "two"), "three"), "four");
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_TRUE(r.succeeded());
    EXPECT_TRUE(observer.warnings.empty());
    EXPECT_EQ(r.indexPage, g.file("index.html"));
    EXPECT_TRUE(fileExists(g.file("index-2-2.html")));
    EXPECT_TRUE(fileExists(g.file("photos/image-2-2.jpg")));
    EXPECT_EQ(observer.questions.size(), 1u);
}

TEST(BuildFolder, AFolderThatCannotBeMadeIsRefusedAtOnceWithOneMessageAndNothingWritten)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    // Where a folder above the gallery's should be stands a file of the user's.
    const std::string file = scratch / "taken";
    writeAll(file, "mine");
    g.doc.outputFolder = joinPath(joinPath(file, "below"), "deeper");
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Unwritable);
    EXPECT_FALSE(r.succeeded());
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_THAT(observer.warnings[0], StartsWith("Cannot make the folder '" + g.folder() + "' for the Web Gallery: "));
    // The system's reason follows, before the closing sentence.
    EXPECT_THAT(observer.warnings[0], Not(HasSubstr("Gallery: . ")));
    EXPECT_THAT(observer.warnings[0], HasSubstr(". Nothing was built."));
    // Before any picture work: no progress, no cancel check, no question.
    EXPECT_TRUE(observer.progressSeen.empty());
    EXPECT_EQ(observer.cancelChecks, 0u);
    EXPECT_TRUE(observer.questions.empty());
    EXPECT_EQ(r.picturesMade, 0u);
    EXPECT_EQ(r.filesWritten, 0u);
    EXPECT_EQ(readAll(file), "mine");
    EXPECT_EQ(namesIn(scratch.path()), (std::set<std::string>{"out", "p.jpg", "taken"}));
}

TEST(BuildFolder, AFileWhereTheGalleryFolderShouldBeIsRefusedAndKept)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    writeAll(g.folder(), "not a folder");
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Unwritable);
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_THAT(observer.warnings[0], HasSubstr("'" + g.folder() + "'"));
    EXPECT_TRUE(observer.questions.empty());
    EXPECT_EQ(readAll(g.folder()), "not a folder");
    EXPECT_EQ(namesIn(g.doc.outputFolder), std::set<std::string>{"Trip"});
}

TEST(BuildFolder, PagesThatCannotBeWrittenAreToldOnceAndTheRestListedInOneSummary)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    makeFolder(g.folder());
    // Folders where pages should go, index.html among them: the gallery cannot be opened.
    for (const char* page : {"index-1-1.html", "index-1-2.html", "index-2-1.html", "index.html"})
        makeFolder(g.file(page));
    RecordingObserver observer;
    observer.answerView = true;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(r.indexPage, "");
    ASSERT_EQ(observer.warnings.size(), 2u) << ::testing::PrintToString(observer.warnings);
    EXPECT_EQ(observer.warnings[0], "Cannot write file '" + g.file("index-1-1.html"));
    const std::string& summary = observer.warnings[1];
    EXPECT_THAT(summary, StartsWith("The Web Gallery is not complete: its first page '" + g.file("index.html") +
                                    "' was not written. These 3 files could not be written"));
    for (const char* page : {"index-1-2.html", "index-2-1.html", "index.html"})
        EXPECT_THAT(summary, HasSubstr("\n" + g.file(page))) << page;
    EXPECT_THAT(summary, Not(HasSubstr("\n" + g.file("index-1-1.html"))));  // told already
    EXPECT_EQ(countOf(observer.warnings, "Cannot write file '"), 1u);
    // No congratulations for a gallery that cannot be opened, and nothing to open.
    EXPECT_TRUE(observer.questions.empty());
    EXPECT_TRUE(observer.opened.empty());
    EXPECT_FALSE(r.viewed);
    // What could be written was.
    EXPECT_TRUE(fileExists(g.file("index-2-2.html")));
    EXPECT_TRUE(fileExists(g.file("style.css")));
}

TEST(BuildFolder, AMissingIndexAloneStillEndsTheBuildWithoutCongratulations)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    makeFolder(g.folder());
    makeFolder(g.file("index.html"));
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_FALSE(r.succeeded());
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_THAT(observer.warnings[0], StartsWith("The Web Gallery is not complete"));
    EXPECT_THAT(observer.warnings[0], HasSubstr("This file could not be written"));
    EXPECT_TRUE(observer.questions.empty());
}

TEST(BuildFolder, AGalleryWithoutAlbumsHasNoIndexAndIsNoSuccess)
{
    ScratchFolder scratch;
    TestGallery g(scratch);
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_FALSE(r.succeeded());
    ASSERT_EQ(observer.warnings.size(), 1u);
    EXPECT_EQ(observer.warnings[0],
              "The Web Gallery is not complete: its first page '" + g.file("index.html") + "' was not written.");
    EXPECT_TRUE(observer.questions.empty());
}

TEST(BuildFolder, FoldersThatCannotBeWrittenIntoAreToldInOneMessage)
{
    ScratchFolder scratch;
    TwoAlbums g(scratch);
    makeFolder(g.folder());
    writeAll(g.file("photos"), "mine");
    writeAll(g.file("thumbs"), "mine too");
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_FALSE(r.succeeded());
    ASSERT_FALSE(observer.warnings.empty());
    EXPECT_EQ(observer.warnings[0], "Cannot write into '" + g.file("photos") +
                                        "': it is not a folder.\nCannot write into '" + g.file("thumbs") +
                                        "': it is not a folder.");
    EXPECT_EQ(countOf(observer.warnings, "Cannot write into '"), 1u);
    EXPECT_EQ(readAll(g.file("photos")), "mine");
    EXPECT_EQ(observer.questions.size(), 1u);  // the pages and their index.html are there
}
