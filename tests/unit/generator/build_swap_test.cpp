// What a build promises while it runs: a link swapped in for one of the gallery's folders after
// the build has started is never followed, a second build into the same folder never mixes its
// files with the first one's, and whatever journals lie in the folder cost bounded memory and
// remove only what they prove to be the build's own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "base/folder_handle.h"
#include "generator/build_journal.h"
#include "safety_test_util.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

using namespace generator_test;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Every file under a folder (one level of sub-folders), with its bytes.
std::map<std::string, std::string> contentOf(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : namesIn(folder)) {
        const std::string path = joinPath(folder, name);
        if (inspectFile(path).kind == FileKind::Directory) {
            for (const std::string& inner : namesIn(path)) files[name + "/" + inner] = readAll(joinPath(path, inner));
        } else {
            files[name] = readAll(path);
        }
    }
    return files;
}

// Puts a link to `target` in the place of the folder `path` (moved aside to path + "-real"), and
// back. Where the system refuses to move a folder that a build holds open, nothing changes.
struct FolderSwap {
    std::string path;
    std::string target;
    bool swapped = false;

    bool swapIn()
    {
        std::error_code ec;
        std::filesystem::rename(fsPath(path), fsPath(path + "-real"), ec);
        if (ec) return false;
        swapped = makeLink(target, path, true);
        if (!swapped) std::filesystem::rename(fsPath(path + "-real"), fsPath(path), ec);
        return swapped;
    }
    void swapOut()
    {
        if (!swapped) return;
        std::error_code ec;
        std::filesystem::remove(fsPath(path), ec);
        std::filesystem::rename(fsPath(path + "-real"), fsPath(path), ec);
        swapped = false;
    }
};

// Swaps the folder once, at the first picture's step.
struct SwapAtFirstPicture : RecordingObserver {
    FolderSwap& swap;
    bool tried = false;
    explicit SwapAtFirstPicture(FolderSwap& s) : swap(s) {}
    void progress(int album, int total) override
    {
        RecordingObserver::progress(album, total);
        if (!tried) {
            tried = true;
            swap.swapIn();
        }
    }
};

}  // namespace

TEST(BuildAgainstSwaps, AFolderSwappedForALinkAfterTheBuildStartedIsNeverWrittenThrough)
{
    for (const char* folder : {"photos", "thumbs", "images"}) {
        ScratchFolder scratch;
        Pictures g(scratch, 3);
        ASSERT_TRUE(g.build().succeeded());
        // A file the manifest says the build wrote there, which the next build removes.
        const std::string extra = std::string(folder) + "/extra.bin";
        writeAll(g.file(extra), "an extra file");
        writeAll(g.file(kManifestName), g.read(kManifestName) + claim(extra, "an extra file"));
        // Outside: a copy of what the build wrote there, the very bytes its manifest lists.
        const std::string outside = scratch / "outside";
        std::filesystem::copy(fsPath(g.file(folder)), fsPath(outside));
        const auto outsideBefore = contentOf(outside);
        const auto parentBefore = namesIn(g.doc.outputFolder);

        // Every file rewritten, and one picture fewer: a leftover to remove in each folder.
        g.options.force = true;
        g.doc.removeImageAt(2);
        FolderSwap swap{g.file(folder), outside};
        SwapAtFirstPicture observer(swap);
        g.build(observer);
        EXPECT_TRUE(observer.tried);
        EXPECT_EQ(contentOf(outside), outsideBefore) << folder << (swap.swapped ? " (swapped)" : " (swap refused)");
        EXPECT_EQ(namesIn(g.doc.outputFolder), parentBefore) << folder;
        swap.swapOut();

        // Nothing of the build was lost for good: the next one finishes the job.
        const BuildResult again = g.build();
        EXPECT_TRUE(again.succeeded()) << folder;
        EXPECT_FALSE(fileExists(g.file("photos/image-1-3.jpg"))) << folder;
        EXPECT_EQ(contentOf(outside), outsideBefore) << folder;
    }
}

TEST(BuildAgainstSwaps, SwapsBackAndForthAllThroughTheBuildNeverReachOutside)
{
    ScratchFolder scratch;
    Pictures g(scratch, 6);
    ASSERT_TRUE(g.build().succeeded());
    const std::string outside = scratch / "outside";
    std::filesystem::copy(fsPath(g.file("photos")), fsPath(outside));
    writeAll(joinPath(outside, "image-1-9.jpg"), "the user's own photo of that name");
    const auto outsideBefore = contentOf(outside);

    g.options.force = true;
    g.doc.removeImageAt(5);
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        FolderSwap swap{g.file("photos"), outside};
        while (!done) {
            if (swap.swapIn()) ++swaps;
            std::this_thread::yield();
            swap.swapOut();
        }
    });
    g.build();
    done = true;
    swapper.join();
    EXPECT_EQ(contentOf(outside), outsideBefore) << swaps << " swaps";
}

TEST(OverlappingBuilds, ASecondBuildIntoAFolderBeingWrittenRefusesAndLeavesTheFirstOneAlone)
{
    ScratchFolder scratch;
    Pictures first(scratch, 3);
    Pictures second(scratch, 1);  // another project, same gallery folder
    second.doc.galleryDescription = "the second project";

    // The first build stops at its first picture until the second one has tried.
    std::mutex lock;
    std::condition_variable changed;
    bool firstWaiting = false, secondTried = false;
    struct Pausing : RecordingObserver {
        std::function<void()> atFirst;
        void progress(int album, int total) override
        {
            RecordingObserver::progress(album, total);
            if (progressSeen.size() == 1) atFirst();
        }
    } pausing;
    pausing.atFirst = [&] {
        std::unique_lock<std::mutex> hold(lock);
        firstWaiting = true;
        changed.notify_all();
        changed.wait(hold, [&] { return secondTried; });
    };
    BuildResult firstResult;
    std::thread firstBuild([&] { firstResult = first.build(pausing); });
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return firstWaiting; });
    }
    RecordingObserver observer;
    const BuildResult r = second.build(observer);
    {
        std::lock_guard<std::mutex> hold(lock);
        secondTried = true;
        changed.notify_all();
    }
    firstBuild.join();

    EXPECT_EQ(r.outcome, BuildOutcome::Busy);
    EXPECT_THAT(observer.warnings, Contains("Another build is writing into '" + second.folder() +
                                            "' right now. Build again when it has finished."));
    EXPECT_TRUE(firstResult.succeeded());
    for (const std::string& name : namesIn(first.folder())) {
        const bool page = name.ends_with(".html");
        EXPECT_THAT(page ? first.read(name) : "", Not(HasSubstr("the second project"))) << name;
    }
    EXPECT_TRUE(fileExists(first.file("photos/image-1-3.jpg")));

    // Once the first has finished, the second builds as usual.
    EXPECT_TRUE(second.build().succeeded());
    EXPECT_FALSE(fileExists(first.file("photos/image-1-3.jpg")));
}

TEST(PlantedJournals, ATemporaryLookingFileIsRemovedOnlyWhenItsJournalProvesIt)
{
    ScratchFolder scratch;
    Pictures g(scratch, 2);
    ASSERT_TRUE(g.build().succeeded());
    writeAll(g.file("photos/holiday.0123456789abcdef.tmp"), "the user's holiday");
    writeAll(g.file("photos/image-1-1.jpg.00000000000000aa.tmp"), "what the build was writing");
    writeAll(g.file(".fotoloom-journal.00000000000000cd.tmp"),
             "fotoloom-journal 2\n" + journalLine('T', "photos/holiday.0123456789abcdef.tmp", "other bytes") +
                 journalLine('T', "photos/image-1-1.jpg.00000000000000aa.tmp", "what the build was writing"));
    // The first format's line proves nothing.
    writeAll(g.file(".fotoloom-journal.00000000000000ce.tmp"),
             "fotoloom-journal 1\nT\tphotos/holiday.0123456789abcdef.tmp\n");

    EXPECT_TRUE(g.build().succeeded());
    EXPECT_EQ(g.read("photos/holiday.0123456789abcdef.tmp"), "the user's holiday");
    EXPECT_FALSE(fileExists(g.file("photos/image-1-1.jpg.00000000000000aa.tmp")));
    EXPECT_FALSE(fileExists(g.file(".fotoloom-journal.00000000000000cd.tmp")));
}

TEST(PlantedJournals, HugeJournalsAreReadOnlyUpToOneBoundForAllAndSaidSo)
{
    ScratchFolder scratch;
    Pictures g(scratch, 1);
    makeFolder(g.folder());
    // Two planted journals of 255 MB each (holes on the disk), one of them full of records.
    const uint64_t size = uint64_t{255} << 20;
    const std::string line = journalLine('W', "photos/x.jpg", "bytes");
    for (const char* name : {".fotoloom-journal.00000000000000a1.tmp", ".fotoloom-journal.00000000000000a2.tmp"}) {
        std::string head = "fotoloom-journal 2\n";
        if (name[sizeof ".fotoloom-journal.00000000000000a" - 1] == '1')
            while (head.size() < (uint64_t{2} << 20)) head += line;
        writeAll(g.file(name), head);
        std::filesystem::resize_file(fsPath(g.file(name)), size);
    }
    std::optional<FolderHandle> folder = FolderHandle::open(g.folder());
    ASSERT_TRUE(folder);
    const FoundJournals found = readJournals(*folder);
    EXPECT_TRUE(found.records.cut);
    EXPECT_EQ(found.names.size(), 2u);
    EXPECT_LE(found.records.writes.size(), (uint64_t{2} << 20) / line.size() + 1);

    RecordingObserver observer;
    EXPECT_TRUE(g.build(observer).succeeded());
    EXPECT_THAT(observer.warnings, Contains(HasSubstr("hold more than 32 MB, more than any build writes")));
    EXPECT_TRUE(namesIn(g.folder()).count(".fotoloom-journal.00000000000000a1.tmp") == 0);
}

#ifndef _WIN32

TEST(OverlappingBuilds, AKilledBuildsJournalSurvivesASecondBuildAndTheNextCleansUpAfterIt)
{
    ScratchFolder scratch;
    Pictures g(scratch, 6);
    ASSERT_TRUE(g.build().succeeded());
    g.options.force = true;
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct Stalling : RecordingObserver {
            int readyFd = -1, releaseFd = -1;
            void progress(int album, int total) override
            {
                RecordingObserver::progress(album, total);
                if (progressSeen.size() != 3) return;
                char c = 1;
                if (::write(readyFd, &c, 1) != 1 || ::read(releaseFd, &c, 1) != 1) ::_exit(4);
            }
        } stalling;
        stalling.readyFd = ready[1];
        stalling.releaseFd = release[0];
        g.build(stalling);
        ::_exit(3);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    const auto journals = [&] {
        size_t n = 0;
        for (const std::string& name : namesIn(g.folder())) n += name.starts_with(".fotoloom-journal.") ? 1 : 0;
        return n;
    };
    EXPECT_EQ(journals(), 1u);
    EXPECT_EQ(g.build().outcome, BuildOutcome::Busy);
    EXPECT_EQ(journals(), 1u);  // the running build's journal is left alone

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);

    g.doc.removeImageAt(5);
    g.doc.removeImageAt(4);
    g.doc.removeImageAt(3);
    g.doc.removeImageAt(2);
    g.options.force = false;
    EXPECT_TRUE(g.build().succeeded());
    EXPECT_EQ(journals(), 0u);
    EXPECT_EQ(namesIn(g.file("photos")), (std::set<std::string>{"image-1-1.jpg", "image-1-2.jpg"}));
}

TEST(PlantedJournals, ReadingThemKeepsMemoryBounded)
{
    ScratchFolder scratch;
    makeFolder(scratch / "g");
    for (const char* name : {".fotoloom-journal.00000000000000b1.tmp", ".fotoloom-journal.00000000000000b2.tmp"}) {
        std::string lines = "fotoloom-journal 2\n";
        while (lines.size() < (uint64_t{8} << 20)) lines += journalLine('W', "photos/x.jpg", "bytes");
        writeAll(joinPath(scratch / "g", name), lines);
        std::filesystem::resize_file(fsPath(joinPath(scratch / "g", name)), uint64_t{255} << 20);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::optional<FolderHandle> folder = FolderHandle::open(scratch / "g");
        const FoundJournals found = folder ? readJournals(*folder) : FoundJournals{};
        ::_exit(found.records.cut ? 0 : 5);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct rusage mine {};
    ::getrusage(RUSAGE_SELF, &mine);
    // What the child held beyond what it shared with this process at the fork: far below one journal.
    RecordProperty("child_peak_kb", static_cast<int>(usage.ru_maxrss));
    EXPECT_LT(usage.ru_maxrss, mine.ru_maxrss + 160 * 1024) << "kB";
}

#endif
