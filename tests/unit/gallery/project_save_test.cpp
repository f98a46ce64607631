// A save never loses the project: not to a second save at the same moment, not to a full disk
// or a read-only folder, and not by replacing a link, splitting hard links or opening the
// file to everybody. And a special file given as the project is refused, not waited on.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/file_system.h"
#include "project_file_fixture.h"

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/small_disk.h"
#endif

using namespace gal_test;

namespace {

class SaveNeverLosesTheProject : public ProjectFileTest {
protected:
    // A gallery of `count` images whose every string names `tag`, big enough that two saves
    // of it overlap in time.
    static void fill(CBuilderDoc& gallery, const std::string& tag, int count)
    {
        gallery.insertAlbum({"Album " + tag, "caption " + tag, 1}, AlbumPosition::Bottom);
        for (int i = 0; i < count; ++i)
            gallery.appendImage({"/photos/" + tag + "/" + std::to_string(i) + ".jpg", 1, 90, "comment " + tag});
        gallery.galleryTitle = tag;
    }
    static bool sameGallery(const CBuilderDoc& a, const CBuilderDoc& b)
    {
        return a.albums() == b.albums() && a.images() == b.images() &&
               static_cast<const GallerySettings&>(a) == static_cast<const GallerySettings&>(b);
    }
};

}  // namespace

TEST_F(SaveNeverLosesTheProject, TwoSavesAtOnceLeaveOneWholeProjectAndTouchNoOtherFile)
{
    const std::string users = write("race.gal.tmp", "the user's own file");
    CBuilderDoc first, second;
    FakePrompter firstPrompter, secondPrompter;
    first.setPrompter(&firstPrompter);
    second.setPrompter(&secondPrompter);
    fill(first, "first", 1500);
    fill(second, "second", 1000);
    RecentList firstRecent(pathOf("first.ini")), secondRecent(pathOf("second.ini"));
    const std::string target = pathOf("race.gal");

    constexpr int kRounds = 30;
    int firstWon = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::atomic<int> ready{0};
        ProjectResult a{}, b{};
        auto race = [&ready](const CBuilderDoc& gallery, RecentList& list, const std::string& path, ProjectResult& r) {
            ++ready;
            while (ready.load() < 2) std::this_thread::yield();  // both start together
            r = saveProject(gallery, path, list);
        };
        std::thread one(race, std::cref(first), std::ref(firstRecent), std::cref(target), std::ref(a));
        std::thread two(race, std::cref(second), std::ref(secondRecent), std::cref(target), std::ref(b));
        one.join();
        two.join();
        ASSERT_EQ(a, ProjectResult::Ok);
        ASSERT_EQ(b, ProjectResult::Ok);

        CBuilderDoc loaded;
        FakePrompter quiet;
        loaded.setPrompter(&quiet);
        ASSERT_EQ(loadProject(loaded, target), ProjectResult::Ok);
        ASSERT_TRUE(sameGallery(loaded, first) || sameGallery(loaded, second));
        firstWon += sameGallery(loaded, first) ? 1 : 0;
    }
    EXPECT_TRUE(firstPrompter.shown.empty());
    EXPECT_TRUE(secondPrompter.shown.empty());
    EXPECT_EQ(contents("race.gal.tmp"), "the user's own file");
    EXPECT_EQ(filesIn(folder_), std::set<std::string>({"race.gal", "race.gal.tmp", "first.ini", "second.ini"}));
    RecordProperty("first save won", firstWon);
}

TEST_F(SaveNeverLosesTheProject, TheNextSaveRemovesWhatKilledSavesLeftAndNothingElse)
{
    fill(doc, "trip", 10);
    ASSERT_EQ(save("trip.gal"), ProjectResult::Ok);
    const auto aged = [this](const std::string& name) {
        fs::last_write_time(folder_ / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    };
    // What killed saves leave, an hour old; one of a save still running; one just made.
    for (const char* name : {"trip.gal.00000000000000a1.tmp", "trip.gal.00000000000000a2.tmp"}) {
        write(name, "half a project");
        aged(name);
    }
    std::optional<TemporaryFile> running = TemporaryFile::create(pathOf(""), "trip.gal");
    ASSERT_TRUE(running);
    const std::string runningName = fileNameOf(running->path());
    aged(runningName);
    write("trip.gal.00000000000000a3.tmp", "a save that has only just started");
    // Not a save's of this project, however old.
    for (const char* name : {"trip.gal.notes.tmp", "other.gal.00000000000000a4.tmp", "trip.gal.00000000000000A5.tmp"}) {
        write(name, "the user's");
        aged(name);
    }
#ifndef _WIN32
    // Saves killed for real, each while its temporary file was there.
    CBuilderDoc big;
    fill(big, "big", 20000);
    for (int kill = 0; kill < 3; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FakePrompter quiet;
            big.setPrompter(&quiet);
            RecentList list(pathOf("child.ini"));
            for (;;) saveProject(big, pathOf("trip.gal"), list);
        }
        for (bool seen = false; !seen;)
            for (const std::string& name : filesIn(folder_))
                seen = seen || (isTemporaryNameFor(name, "trip.gal") && name != runningName &&
                                name.find("00000000000000a") == std::string::npos);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    for (const std::string& name : filesIn(folder_))
        if (name.starts_with("trip.gal.") && name.find("00000000000000a") == std::string::npos) aged(name);
#endif

    ASSERT_EQ(save("trip.gal"), ProjectResult::Ok);
    std::set<std::string> expected{"trip.gal",
                                   runningName,
                                   "trip.gal.00000000000000a3.tmp",
                                   "trip.gal.notes.tmp",
                                   "other.gal.00000000000000a4.tmp",
                                   "trip.gal.00000000000000A5.tmp"};
    std::set<std::string> found = filesIn(folder_);
    found.erase("last.ini");
    std::erase_if(found, [](const std::string& name) { return name.starts_with("child.ini"); });  // the children's own
    EXPECT_EQ(found, expected);
}

#ifndef _WIN32
TEST_F(SaveNeverLosesTheProject, ALinkIsSavedThroughAndEveryHardLinkSeesTheSave)
{
    fillRichGallery();
    doc.removeImageAt(4);
    write("real.gal", emptyGalleryFile());
    ASSERT_EQ(::chmod(pathOf("real.gal").c_str(), 0600), 0);
    fs::create_symlink("real.gal", folder_ / "link.gal");
    fs::create_hard_link(folder_ / "real.gal", folder_ / "other name.gal");

    ASSERT_EQ(save("link.gal"), ProjectResult::Ok);
    EXPECT_EQ(inspectFile(pathOf("link.gal")).kind, FileKind::Link);
    const std::string saved = contents("real.gal");
    EXPECT_NE(saved, emptyGalleryFile());
    EXPECT_EQ(contents("other name.gal"), saved);
    EXPECT_EQ(inspectFile(pathOf("real.gal")).hardLinks, 2u);
    EXPECT_EQ(recent.read()[0], pathOf("link.gal"));  // the name the user chose

    // Shorter content in place leaves nothing of the longer one behind.
    doc.resetGallery();
    ASSERT_EQ(save("other name.gal"), ProjectResult::Ok);
    EXPECT_EQ(contents("real.gal"), emptyGalleryFile());

    struct stat st {};
    ASSERT_EQ(::stat(pathOf("real.gal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(filesIn(folder_), std::set<std::string>({"real.gal", "link.gal", "other name.gal", "last.ini"}));
}

TEST_F(SaveNeverLosesTheProject, APrivateProjectStaysPrivateAndALongNameSaves)
{
    write("private.gal", emptyGalleryFile());
    ASSERT_EQ(::chmod(pathOf("private.gal").c_str(), 0600), 0);
    const mode_t mask = ::umask(022);
    doc.galleryTitle = "Secret";
    ProjectResult result = save("private.gal");
    ::umask(mask);
    ASSERT_EQ(result, ProjectResult::Ok);
    struct stat st {};
    ASSERT_EQ(::stat(pathOf("private.gal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    for (size_t length : {252u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name(length - 4, 'n');
        ASSERT_EQ(save(name + ".gal"), ProjectResult::Ok);
        CBuilderDoc loaded;
        ASSERT_EQ(loadProject(loaded, pathOf(name + ".gal")), ProjectResult::Ok);
        EXPECT_EQ(loaded.galleryTitle, "Secret");
    }
}

TEST_F(SaveNeverLosesTheProject, AFullDiskKeepsThePreviousFileAndSaysSo)
{
    SmallDisk disk(folder_ / "disk", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string old = emptyGalleryFile();
    const fs::path project = folder_ / "disk" / "full.gal";
    std::ofstream(project, std::ios::binary) << old;
    for (int i = 0; i < 3000; ++i) doc.appendImage({"/photos/" + std::to_string(i) + ".jpg", 1, 0, "a comment"});

    EXPECT_EQ(saveProject(doc, utf8(project), recent), ProjectResult::WriteFailed);
    expectOneMessage("Wrong GAL file!\nThe previous file was kept.");
    EXPECT_EQ(contents("disk/full.gal"), old);
    EXPECT_EQ(filesIn(folder_ / "disk"), std::set<std::string>{"full.gal"});

    // The same for a file with a second name, written in place.
    fs::create_hard_link(project, folder_ / "disk" / "second.gal");
    EXPECT_EQ(saveProject(doc, utf8(project), recent), ProjectResult::WriteFailed);
    expectOneMessage("Wrong GAL file!\nThe previous file was kept.");
    EXPECT_EQ(contents("disk/second.gal"), old);

    // A new file that does not fit leaves nothing behind and keeps nothing to speak of.
    EXPECT_EQ(saveProject(doc, utf8(folder_ / "disk" / "new.gal"), recent), ProjectResult::WriteFailed);
    expectOneMessage("Wrong GAL file!");
    EXPECT_FALSE(fs::exists(folder_ / "disk" / "new.gal"));
}

TEST_F(SaveNeverLosesTheProject, AReadOnlyFolderRefusesTheSaveBeforeAnythingChanges)
{
    SmallDisk disk(folder_ / "disk", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const fs::path project = folder_ / "disk" / "ro.gal";
    std::ofstream(project, std::ios::binary) << emptyGalleryFile();
    ASSERT_EQ(::mount(nullptr, (folder_ / "disk").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    doc.galleryTitle = "changed";
    EXPECT_EQ(saveProject(doc, utf8(project), recent), ProjectResult::CannotSave);
    expectOneMessage("Cannot save gallery!");
    EXPECT_EQ(contents("disk/ro.gal"), emptyGalleryFile());
    EXPECT_FALSE(fs::exists(folder_ / "last.ini"));
}

TEST_F(SaveNeverLosesTheProject, APipeOrDeviceIsRefusedWithoutWaiting)
{
    const std::string fifo = pathOf("pipe.gal");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fillRichGallery();
    doc.commitState();
    EXPECT_EQ(loadProject(doc, fifo), ProjectResult::CannotOpen);  // a plain open would wait for a writer
    expectOneMessage("Cannot open gallery!");
    EXPECT_EQ(doc.galleryTitle, "Trip");
    EXPECT_EQ(saveProject(doc, fifo, recent), ProjectResult::CannotSave);
    expectOneMessage("Cannot save gallery!");
    EXPECT_EQ(loadProject(doc, "/dev/zero"), ProjectResult::CannotOpen);  // would never end
    expectOneMessage("Cannot open gallery!");
    EXPECT_EQ(inspectFile(fifo).kind, FileKind::Other);
}
#endif
