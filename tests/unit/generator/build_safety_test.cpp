// What a build promises about files: it never writes, replaces or removes anything outside the
// gallery folder whatever links it finds there, removes only what it provably wrote, and a build
// that fails (no room, no permission, killed) says so and leaves the previous gallery whole.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "generator/build_manifest.h"
#include "generator/content_hash.h"
#include "generator_test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

using namespace generator_test;
using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

struct Pictures : TestGallery {
    int32_t album = 0;

    Pictures(const ScratchFolder& scratch, int count) : TestGallery(scratch)
    {
        doc.rows = 1;
        doc.columns = 1;
        album = addAlbum("A");
        for (int i = 0; i < count; ++i) {
            const std::string path = scratch / cat("p", std::to_string(i), ".jpg");
            makePicture(path, 48, 32, static_cast<uint8_t>(20 + 30 * i));
            addImage(album, path, cat("c", std::to_string(i)));
        }
    }
};

bool makeLink(const std::string& target, const std::string& link, bool folder = false)
{
#ifdef _WIN32
    // Needs the privilege or developer mode on Windows; where it is refused the test is skipped.
    const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return CreateSymbolicLinkW(fsPath(link).c_str(), fsPath(target).c_str(), flags) != 0 &&
           inspectFile(link).kind == FileKind::Link;
#endif
    std::error_code ec;
    if (folder) {
        std::filesystem::create_directory_symlink(fsPath(target), fsPath(link), ec);
    } else {
        std::filesystem::create_symlink(fsPath(target), fsPath(link), ec);
    }
    return !ec;
}

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (const auto entries = listFolder(folder))
        for (const FolderEntry& e : *entries)
            if (e.name != "." && e.name != "..") names.insert(e.name);
    return names;
}

// A manifest line that claims a file with exactly these bytes.
std::string claim(const std::string& name, const std::string& bytes)
{
    return "F\t" + std::to_string(bytes.size()) + "\t" + hexOf(contentHash(bytes.data(), bytes.size())) + "\t" + name +
           "\n";
}

}  // namespace

TEST(BuildTouchesOnlyItsOwn, LinksInTheGalleryFolderAreReplacedOrRefusedButNeverFollowed)
{
    ScratchFolder scratch;
    const std::string outside = scratch / "outside";
    makeFolder(outside);
    writeAll(joinPath(outside, "style.css"), "the user's style sheet");
    writeAll(joinPath(outside, "page.html"), "the user's page");
    writeAll(joinPath(outside, "victim.jpg"), "a photo of the user's");
    writeAll(joinPath(outside, "notes.txt"), "the user's notes");
    Pictures g(scratch, 2);
    ASSERT_TRUE(g.build().succeeded());

    // Links where the build writes, and a folder link with a manifest line that claims a file behind it.
    for (const auto& [name, target] : {std::pair<std::string, std::string>{"style.css", "style.css"},
                                       {"index.html", "page.html"},
                                       {"index-1-2.html", "page.html"},
                                       {"image-1-1.html", "missing.html"}}) {
        removeFile(g.file(name));
        if (!makeLink(joinPath(outside, target), g.file(name))) GTEST_SKIP() << "no symbolic links here";
    }
    std::filesystem::rename(fsPath(g.file("photos")), fsPath(g.file("photos-real")));
    ASSERT_TRUE(makeLink(outside, g.file("photos"), true));
    writeAll(g.file(kManifestName), g.read(kManifestName) + claim("photos/victim.jpg", "a photo of the user's") +
                                        claim("photos/notes.txt", "the user's notes"));
    const std::set<std::string> before = namesIn(outside);

    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_EQ(r.outcome, BuildOutcome::Completed);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(namesIn(outside), before);
    EXPECT_EQ(readAll(joinPath(outside, "style.css")), "the user's style sheet");
    EXPECT_EQ(readAll(joinPath(outside, "page.html")), "the user's page");
    EXPECT_EQ(readAll(joinPath(outside, "victim.jpg")), "a photo of the user's");
    EXPECT_FALSE(fileExists(joinPath(outside, "missing.html")));
    // Each link at a file's name became a file of the gallery's own.
    for (const char* name : {"style.css", "index.html", "index-1-2.html", "image-1-1.html"}) {
        EXPECT_EQ(inspectFile(g.file(name)).kind, FileKind::Regular) << name;
        const std::string made = std::string(name) == "style.css"        ? "#"
                                 : std::string(name) == "image-1-1.html" ? "<html>"
                                                                         : "Web gallery generated by";
        EXPECT_THAT(g.read(name), HasSubstr(made)) << name;
    }
    EXPECT_THAT(observer.warnings, Contains("Cannot write into '" + g.file("photos") +
                                            "': it is a link, and the build writes nothing outside the gallery "
                                            "folder."));
    EXPECT_THAT(r.unwrittenFiles, Contains(g.file("photos/image-1-1.jpg")));
    EXPECT_THAT(observer.warnings.back(), HasSubstr("These 2 files could not be written"));

    // The folder back in place, and the manifest a link: it is neither read nor written through.
    removeFile(g.file("photos"));
    std::filesystem::rename(fsPath(g.file("photos-real")), fsPath(g.file("photos")));
    removeFile(g.file(kManifestName));
    ASSERT_TRUE(makeLink(joinPath(outside, "notes.txt"), g.file(kManifestName)));
    EXPECT_TRUE(g.build().succeeded());
    EXPECT_EQ(readAll(joinPath(outside, "notes.txt")), "the user's notes");
    EXPECT_EQ(inspectFile(g.file(kManifestName)).kind, FileKind::Regular);
    EXPECT_EQ(namesIn(outside), before);
}

TEST(BuildTouchesOnlyItsOwn, AFileThatNoLongerHoldsWhatTheBuildWroteIsNeverRemoved)
{
    ScratchFolder scratch;
    Pictures g(scratch, 3);
    ASSERT_TRUE(g.build().succeeded());
    // The user's page of the very same size where the build wrote one, and a manifest copied
    // from elsewhere that claims the user's notes (with the hash of other bytes).
    const std::string page = g.read("index-1-3.html");
    const std::string own = std::string(page.size(), 'u');
    writeAll(g.file("index-1-3.html"), own);
    writeAll(g.file("notes.txt"), "the user's notes");
    writeAll(g.file(kManifestName), g.read(kManifestName) + claim("notes.txt", "other notes of that size"));
    writeAll(g.file("image-1-3.html.0123456789abcdef.tmp"), "looks like ours, is not listed anywhere");

    g.doc.removeImageAt(2);
    g.doc.removeImageAt(1);
    const BuildResult r = g.build();
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(g.read("index-1-3.html"), own);
    EXPECT_EQ(g.read("notes.txt"), "the user's notes");
    EXPECT_TRUE(fileExists(g.file("image-1-3.html.0123456789abcdef.tmp")));
    for (const char* gone : {"index-1-2.html", "image-1-3.html", "photos/image-1-2.jpg", "thumbs/thumb-1-3.jpg"})
        EXPECT_FALSE(fileExists(g.file(gone))) << gone;
}

#ifndef _WIN32

namespace {

// Runs a build in a child process that kills itself (SIGKILL, as kill -9) at the given progress
// step, so that nothing of the builder's own clean-up runs.
void buildKilledAtStep(TestGallery& g, size_t step)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct Killer : RecordingObserver {
            size_t at = 0;
            void progress(int album, int total) override
            {
                RecordingObserver::progress(album, total);
                if (progressSeen.size() == at) ::raise(SIGKILL);
            }
        } killer;
        killer.at = step;
        g.build(killer);
        ::_exit(3);  // not killed: the test below fails
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

// A tmpfs of the given size, mounted for the test's lifetime; skipped where mounting is not allowed.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, size_t kilobytes) : folder_(folder)
    {
        makeFolder(folder);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() { return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    std::string folder_;
    bool mounted_ = false;
};

std::map<std::string, std::string> snapshot(const TestGallery& g)
{
    std::map<std::string, std::string> files;
    for (const char* folder : {"", "photos", "thumbs", "images"})
        for (const std::string& name : namesIn(joinPath(g.folder(), folder))) {
            const std::string relative = *folder ? std::string(folder) + "/" + name : name;
            if (inspectFile(g.file(relative)).kind == FileKind::Regular && name != kManifestName)
                files[relative] = g.read(relative);
        }
    return files;
}

void changeEveryPage(TestGallery& g)
{
    g.doc.galleryDescription += " (a longer description that every album page carries)";
}

// A temporary file left behind; the journals too unless they are expected (a build that could not
// write its manifest leaves its journal for the next one).
bool anyTemporaryFile(const TestGallery& g, bool journals = true)
{
    for (const char* folder : {"", "photos", "thumbs", "images"})
        for (const std::string& name : namesIn(joinPath(g.folder(), folder)))
            if (name.ends_with(".tmp") && (journals || !name.starts_with(".fotoloom-journal."))) return true;
    return false;
}

}  // namespace

TEST(BuildTouchesOnlyItsOwn, ABuildKilledAtAnyMomentIsCleanedUpAfterByTheNext)
{
    for (size_t step : {1u, 6u, 11u}) {
        ScratchFolder scratch;
        Pictures g(scratch, 6);
        makeFolder(g.folder());
        writeAll(g.file("notes.txt"), "the user's notes");
        buildKilledAtStep(g, step);
        EXPECT_FALSE(fileExists(g.file(kManifestName))) << step;  // the build never got that far

        // What a kill in the middle of a write leaves: a half-written temporary file in the journal.
        writeAll(g.file("index-1-9.html.00000000000000ab.tmp"), "<html><he");
        writeAll(g.file(".fotoloom-journal.00000000000000cd.tmp"),
                 "fotoloom-journal 1\nT\tindex-1-9.html.00000000000000ab.tmp\n");

        g.doc.removeImageAt(5);
        g.doc.removeImageAt(4);
        g.doc.removeImageAt(3);
        g.doc.removeImageAt(2);
        g.doc.removeImageAt(1);
        const BuildResult r = g.build();
        EXPECT_TRUE(r.succeeded()) << step;
        EXPECT_FALSE(anyTemporaryFile(g)) << step;
        EXPECT_EQ(g.read("notes.txt"), "the user's notes");
        for (const char* gone : {"image-1-2.html", "photos/image-1-2.jpg", "thumbs/thumb-1-2.jpg", "index-1-2.html"})
            EXPECT_FALSE(fileExists(g.file(gone))) << step << " " << gone;
        EXPECT_TRUE(fileExists(g.file("photos/image-1-1.jpg")));
    }
}

TEST(FailedBuild, AReadOnlyFolderKeepsThePreviousGalleryAndEveryFileNotWrittenIsListed)
{
    ScratchFolder scratch;
    SmallDisk disk(scratch / "disk", 4096);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    Pictures g(scratch, 3);
    g.doc.outputFolder = scratch / "disk";
    ASSERT_TRUE(g.build().succeeded());
    const auto before = snapshot(g);
    ASSERT_TRUE(disk.makeReadOnly());

    changeEveryPage(g);
    g.options.force = true;
    RecordingObserver observer;
    const BuildResult r = g.build(observer);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(snapshot(g), before);
    EXPECT_THAT(r.unwrittenFiles, Contains(g.file("index-1-1.html")));
    EXPECT_THAT(r.unwrittenFiles, Contains(g.file("photos/image-1-3.jpg")));
    EXPECT_THAT(r.unwrittenFiles, Contains(g.file("index.html")));
    EXPECT_THAT(observer.warnings, Contains("Cannot write file '" + g.file("index-1-2.html")));
    EXPECT_THAT(observer.warnings.back(), HasSubstr("files could not be written; the gallery folder keeps what it "
                                                    "held before:\n"));
}

TEST(FailedBuild, AFullDiskLeavesEveryPreviousPageWholeAndTheNextBuildFinishesTheJob)
{
    ScratchFolder scratch;
    SmallDisk disk(scratch / "disk", 512);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    Pictures g(scratch, 4);
    g.doc.outputFolder = scratch / "disk";
    ASSERT_TRUE(g.build().succeeded());
    const auto before = snapshot(g);

    // Fill the disk to the last block.
    std::FILE* filler = openFile(scratch / "disk/filler", "wb");
    ASSERT_TRUE(filler);
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);

    changeEveryPage(g);
    const BuildResult r = g.build();
    EXPECT_FALSE(r.succeeded());
    EXPECT_FALSE(r.unwrittenFiles.empty());
    for (const auto& [name, bytes] : snapshot(g)) {
        if (!before.count(name)) continue;
        // Either the page of before, whole, or the new one, whole: never a truncated one.
        if (bytes != before.at(name)) {
            EXPECT_THAT(bytes, HasSubstr("a longer description")) << name;
        }
    }
    EXPECT_FALSE(anyTemporaryFile(g, false));

    removeFile(scratch / "disk/filler");
    const BuildResult again = g.build();
    EXPECT_TRUE(again.succeeded());
    EXPECT_THAT(g.read("index-1-4.html"), HasSubstr("a longer description"));
    EXPECT_FALSE(anyTemporaryFile(g));
}

#endif
