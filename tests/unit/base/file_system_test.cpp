// The file-system primitives that writers rely on never to lose or mix up a file: exclusive
// temporary files renamed over their target, in-place overwrites for hard-linked files, and
// reading that refuses anything but a regular file.

#include "base/file_system.h"

#include <gtest/gtest.h>
#include <algorithm>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "support/small_disk.h"
#endif

namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
protected:
    FileSystemTest()
    {
        std::random_device device;
        folder_ = fs::temp_directory_path() / ("fotoloom-fs-" + std::to_string(device()));
        fs::create_directories(folder_);
    }
    ~FileSystemTest() override
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string pathOf(const std::string& name) const
    {
        auto s = (folder_ / name).u8string();
        return std::string(s.begin(), s.end());
    }
    std::string folder() const { return pathOf(""); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return pathOf(name);
    }
    std::string contents(const std::string& path) const
    {
        std::ifstream in(fs::u8path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void put(const TemporaryFile& file, const std::string& bytes)
    {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.file()), bytes.size());
    }
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder_)) out.insert(e.path().filename().string());
        return out;
    }

    fs::path folder_;
};

}  // namespace

// --- A replaced file is whole, and no one else's file is touched ------------------------------

TEST_F(FileSystemTest, EveryTemporaryFileIsNewAndNoExistingFileIsOpened)
{
    const std::string target = write("project.gal", "old");
    write("project.gal.tmp", "the user's own");
    std::vector<TemporaryFile> files;
    std::set<std::string> paths;
    for (int i = 0; i < 20; ++i) {
        std::optional<TemporaryFile> t = TemporaryFile::createBeside(target);
        ASSERT_TRUE(t);
        EXPECT_EQ(folderOf(t->path()), folderOf(target));
        EXPECT_EQ(fileNameOf(t->path()).rfind("project.gal.", 0), 0u) << t->path();
        paths.insert(t->path());
        files.push_back(std::move(*t));
    }
    EXPECT_EQ(paths.size(), 20u);
    EXPECT_EQ(contents(pathOf("project.gal.tmp")), "the user's own");

    bool alreadyExists = false;
    EXPECT_EQ(createNewFile(target, alreadyExists), nullptr);
    EXPECT_TRUE(alreadyExists);
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(createNewFile(pathOf("no folder/x"), alreadyExists), nullptr);
    EXPECT_FALSE(alreadyExists);
    EXPECT_FALSE(TemporaryFile::create(pathOf("no folder"), "x"));
}

TEST_F(FileSystemTest, UncommittedTemporaryFilesLeaveNothingBehind)
{
    {
        std::optional<TemporaryFile> dropped = TemporaryFile::create(folder(), "a");
        ASSERT_TRUE(dropped);
        put(*dropped, "half");
        std::optional<TemporaryFile> discarded = TemporaryFile::create(folder(), "b");
        ASSERT_TRUE(discarded);
        discarded->discard();
        EXPECT_EQ(discarded->file(), nullptr);
        TemporaryFile moved = std::move(*dropped);  // the moved-from one must not remove it
        dropped.reset();
        EXPECT_EQ(names().size(), 1u);
    }
    EXPECT_TRUE(names().empty());
}

TEST_F(FileSystemTest, CommitReplacesTheTargetWholeAndLeavesNoTemporaryFile)
{
    const std::string target = write("page.html", std::string(10000, 'o'));
    std::optional<TemporaryFile> t = TemporaryFile::createBeside(target);
    ASSERT_TRUE(t);
    put(*t, "new");
    ASSERT_TRUE(t->commitOver(target));
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(names(), std::set<std::string>{"page.html"});

    // A target that did not exist yet is created.
    std::optional<TemporaryFile> fresh = TemporaryFile::create(folder(), "fresh");
    ASSERT_TRUE(fresh);
    put(*fresh, "first");
    ASSERT_TRUE(fresh->commitOver(pathOf("fresh.html")));
    EXPECT_EQ(contents(pathOf("fresh.html")), "first");
}

TEST_F(FileSystemTest, FailedCommitLeavesTheTargetAndRemovesTheTemporaryFile)
{
    fs::create_directory(folder_ / "folder");
    write("folder/inside", "kept");
    std::optional<TemporaryFile> t = TemporaryFile::create(folder(), "x");
    ASSERT_TRUE(t);
    put(*t, "new");
    EXPECT_FALSE(t->commitOver(pathOf("folder")));
    EXPECT_EQ(contents(pathOf("folder/inside")), "kept");
    EXPECT_EQ(names(), std::set<std::string>{"folder"});
}

#ifndef _WIN32
TEST_F(FileSystemTest, TemporaryNameFitsBesideTheLongestFileName)
{
    const std::string longest(255, 'n');
    std::optional<TemporaryFile> t = TemporaryFile::createBeside(pathOf(longest));
    ASSERT_TRUE(t);
    put(*t, "x");
    ASSERT_TRUE(t->commitOver(pathOf(longest)));
    EXPECT_EQ(contents(pathOf(longest)), "x");

    // A hint cut at its byte limit never ends in half a character.
    std::string accents;
    for (int i = 0; i < 100; ++i) accents += "é";
    std::optional<TemporaryFile> u = TemporaryFile::create(folder(), "a" + accents);
    ASSERT_TRUE(u);
    EXPECT_EQ(fileNameOf(u->path()).find(".") % 2, 1u);  // "a" plus whole two-byte characters
}

TEST_F(FileSystemTest, CommitKeepsThePermissionsAndReplacesALinkItselfNotWhatItPointsTo)
{
    const std::string target = write("private.gal", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::optional<TemporaryFile> t = TemporaryFile::createBeside(target);
    ASSERT_TRUE(t);
    put(*t, "new");
    ASSERT_TRUE(t->commitOver(target));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // While it is written no one else may read it; once it is a new file, it is made as any
    // other new file would be.
    const mode_t mask = ::umask(027);
    std::optional<TemporaryFile> fresh = TemporaryFile::create(folder(), "fresh");
    ASSERT_TRUE(fresh);
    ASSERT_EQ(::stat(fresh->path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(fresh->commitOver(pathOf("fresh.gal")));
    ::umask(mask);
    ASSERT_EQ(::stat(pathOf("fresh.gal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string outside = write("outside", "not ours");
    fs::create_symlink(folder_ / "outside", folder_ / "link");
    std::optional<TemporaryFile> l = TemporaryFile::create(folder(), "link");
    ASSERT_TRUE(l);
    put(*l, "ours");
    ASSERT_TRUE(l->commitOver(pathOf("link")));
    EXPECT_EQ(inspectFile(pathOf("link")).kind, FileKind::Regular);
    EXPECT_EQ(contents(pathOf("link")), "ours");
    EXPECT_EQ(contents(outside), "not ours");
}

// --- Files with several names ------------------------------------------------------------------

TEST_F(FileSystemTest, OverwriteInPlaceIsSeenThroughEveryHardLink)
{
    const std::string first = write("a.gal", "old content");
    fs::create_hard_link(folder_ / "a.gal", folder_ / "b.gal");
    EXPECT_EQ(inspectFile(first).hardLinks, 2u);

    const std::string longer(20000, 'L');
    ASSERT_EQ(overwriteFile(first, longer), OverwriteResult::Done);
    EXPECT_EQ(contents(pathOf("b.gal")), longer);
    ASSERT_EQ(overwriteFile(pathOf("b.gal"), "short"), OverwriteResult::Done);
    EXPECT_EQ(contents(first), "short");
    EXPECT_EQ(inspectFile(first).hardLinks, 2u);
    EXPECT_EQ(overwriteFile(pathOf("missing"), "x"), OverwriteResult::Untouched);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST_F(FileSystemTest, OverwriteThatFindsNoRoomChangesNothing)
{
    SmallDisk disk(folder_ / "disk", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string path = (folder_ / "disk" / "a.gal").string();
    const std::string old(8000, 'o');
    std::ofstream(path, std::ios::binary) << old;
    EXPECT_EQ(overwriteFile(path, std::string(200 * 1024, 'n')), OverwriteResult::Untouched);
    EXPECT_EQ(contents(path), old);
}

// --- Names and what they stand for -------------------------------------------------------------

TEST_F(FileSystemTest, LinksResolveToTheFileAtTheEndOfTheChain)
{
    write("real.gal", "x");
    fs::create_symlink("real.gal", folder_ / "relative");
    fs::create_symlink(folder_ / "relative", folder_ / "absolute");
    fs::create_symlink("not yet.gal", folder_ / "dangling");
    fs::create_symlink("loop2", folder_ / "loop1");
    fs::create_symlink("loop1", folder_ / "loop2");

    EXPECT_EQ(resolveLinks(pathOf("absolute")), pathOf("real.gal"));
    EXPECT_EQ(resolveLinks(pathOf("real.gal")), pathOf("real.gal"));
    EXPECT_EQ(resolveLinks(pathOf("dangling")), pathOf("not yet.gal"));
    EXPECT_EQ(resolveLinks(pathOf("loop1")), std::nullopt);
    EXPECT_EQ(inspectFile(pathOf("absolute")).kind, FileKind::Link);
    EXPECT_EQ(inspectFile(pathOf("real.gal")).kind, FileKind::Regular);
    EXPECT_EQ(inspectFile(pathOf("real.gal")).size, 1u);
    EXPECT_EQ(inspectFile(folder()).kind, FileKind::Directory);
    EXPECT_EQ(inspectFile(pathOf("none")).kind, FileKind::Missing);
}

TEST_F(FileSystemTest, OnlyRegularFilesOpenForReadingAndAPipeDoesNotWait)
{
    const std::string fifo = pathOf("pipe.gal");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(inspectFile(fifo).kind, FileKind::Other);
    EXPECT_EQ(openRegularFile(fifo), nullptr);  // would block forever in a plain open
    EXPECT_EQ(openRegularFile(folder()), nullptr);
    EXPECT_EQ(openRegularFile("/dev/null"), nullptr);
    EXPECT_EQ(openRegularFile(pathOf("missing")), nullptr);

    std::FILE* file = openRegularFile(write("real.gal", "abc"));
    ASSERT_NE(file, nullptr);
    char got[4] = {};
    EXPECT_EQ(std::fread(got, 1, 3, file), 3u);  // blocking reads work as usual
    EXPECT_STREQ(got, "abc");
    std::fclose(file);
}
#else
TEST_F(FileSystemTest, OnlyRegularFilesOpenForReading)
{
    EXPECT_EQ(openRegularFile(folder()), nullptr);
    EXPECT_EQ(openRegularFile("NUL"), nullptr);
    EXPECT_EQ(openRegularFile(pathOf("missing")), nullptr);
    std::FILE* file = openRegularFile(write("real.gal", "abc"));
    ASSERT_NE(file, nullptr);
    std::fclose(file);
}

// The new file takes the old one's access rights, not the wider ones its folder would give.
TEST_F(FileSystemTest, CommitKeepsTheAccessRightsAndAttributes)
{
    const std::string target = write("private.gal", "old");
    const std::wstring name = fs::u8path(target).wstring();
    // Only the owner, and nothing inherited from the folder.
    EXPLICIT_ACCESSW owner{};
    BuildExplicitAccessWithNameW(&owner, const_cast<wchar_t*>(L"CURRENT_USER"), GENERIC_ALL, SET_ACCESS,
                                 NO_INHERITANCE);
    PACL only = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &owner, nullptr, &only), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(name.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    only, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(only);
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN));
    auto rights = [&name](ACL_SIZE_INFORMATION& size, SECURITY_DESCRIPTOR_CONTROL& control) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL dacl = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        &dacl, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        ASSERT_NE(dacl, nullptr);
        ASSERT_TRUE(GetAclInformation(dacl, &size, sizeof size, AclSizeInformation));
        DWORD revision = 0;
        GetSecurityDescriptorControl(descriptor, &control, &revision);
        LocalFree(descriptor);
    };
    ACL_SIZE_INFORMATION before{}, after{};
    SECURITY_DESCRIPTOR_CONTROL controlBefore = 0, controlAfter = 0;
    rights(before, controlBefore);
    const bool rightsKept = controlBefore & SE_DACL_PROTECTED;  // Wine's files keep none

    std::optional<TemporaryFile> t = TemporaryFile::createBeside(target);
    ASSERT_TRUE(t);
    put(*t, "new");
    ASSERT_TRUE(t->commitOver(target));
    EXPECT_EQ(contents(target), "new");
    EXPECT_TRUE(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    if (rightsKept) {
        rights(after, controlAfter);
        EXPECT_TRUE(controlAfter & SE_DACL_PROTECTED);
        EXPECT_EQ(after.AceCount, before.AceCount);
    }
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileSystemTest, OverwriteInPlaceKeepsTheFile)
{
    const std::string path = write("a.gal", "old content");
    ASSERT_EQ(overwriteFile(path, std::string(20000, 'L')), OverwriteResult::Done);
    EXPECT_EQ(contents(path), std::string(20000, 'L'));
    ASSERT_EQ(overwriteFile(path, "short"), OverwriteResult::Done);
    EXPECT_EQ(contents(path), "short");
    EXPECT_EQ(inspectFile(path).hardLinks, 1u);
}
#endif

// A whole file is read across the reader's growing chunks, byte for byte, and one byte more than
// the limit is refused with nothing kept.
TEST_F(FileSystemTest, WholeFileReadUpToTheLimitAndRefusedPastIt)
{
    std::string big(300'001, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    const std::string path = write("big.bin", big);
    std::string text;
    EXPECT_TRUE(readFileBytes(path, text, big.size()));
    EXPECT_EQ(text, big);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readFileBytes(path, bytes, uint64_t{1} << 30));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), big.begin(), big.end(),
                           [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
    EXPECT_FALSE(readFileBytes(path, text, big.size() - 1));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(readFileBytes(folder(), bytes, 100));
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(readFileBytes(write("empty", ""), text, 0));
    EXPECT_TRUE(text.empty());
}

// --- A folder is made with its parents, or not at all ------------------------------------------

TEST_F(FileSystemTest, AFolderIsMadeWithEveryMissingFolderAboveIt)
{
    std::string reason = "stale";
    const std::string deep = pathOf("a/b/c");
    EXPECT_TRUE(makeFolderPath(deep, reason));
    EXPECT_TRUE(folderExists(deep));
    EXPECT_EQ(reason, "");
    EXPECT_TRUE(makeFolderPath(deep, reason));  // there already: fine
    EXPECT_TRUE(makeFolderPath(pathOf("a/b/d") + kPathSeparator, reason));
    EXPECT_TRUE(folderExists(pathOf("a/b/d")));
    EXPECT_EQ(names(), std::set<std::string>{"a"});
}

TEST_F(FileSystemTest, AFolderThatCannotBeMadeSaysWhyAndLeavesNothingBehind)
{
    const std::string file = write("file", "mine");
    std::string reason;
    EXPECT_FALSE(makeFolderPath(joinPath(joinPath(file, "x"), "y"), reason));
    ASSERT_NE(reason, "");
    EXPECT_NE(reason.back(), '.') << reason;  // it goes inside a sentence
    EXPECT_NE(reason.back(), '\n') << reason;
    // A name no file system takes, two new levels down: the levels made on the way go again.
    reason.clear();
    EXPECT_FALSE(makeFolderPath(joinPath(pathOf("new/level"), std::string(300, 'n')), reason));
    EXPECT_NE(reason, "");
    EXPECT_FALSE(fs::exists(folder_ / "new"));
    // A file where the folder itself should be.
    reason.clear();
    EXPECT_FALSE(makeFolderPath(file, reason));
    EXPECT_NE(reason, "");
    EXPECT_EQ(contents(file), "mine");
    EXPECT_FALSE(makeFolderPath("", reason));
    EXPECT_EQ(names(), (std::set<std::string>{"file"}));
}

TEST_F(FileSystemTest, AWriteProblemIsFoundWithoutLeavingAFile)
{
    EXPECT_EQ(folderWriteProblem(folder()), "");
    EXPECT_TRUE(names().empty());  // the probe is gone again
    const std::string file = write("file", "mine");
    EXPECT_NE(folderWriteProblem(file), "");
    EXPECT_NE(folderWriteProblem(pathOf("missing")), "");
    EXPECT_EQ(names(), (std::set<std::string>{"file"}));
}

// --- A file's time tells apart two writes within one second -----------------------------------
namespace {

// Sets when `path` was last written: `unixSeconds` after 1970 and `nanoseconds` more.
bool setLastWrite(const std::string& path, int64_t unixSeconds, int64_t nanoseconds)
{
#ifdef _WIN32
    HANDLE file = CreateFileW(fs::u8path(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const uint64_t steps = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10'000'000ULL + nanoseconds / 100;
    FILETIME when{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &when);
    CloseHandle(file);
    return set;
#else
    const timespec times[2] = {{unixSeconds, nanoseconds}, {unixSeconds, nanoseconds}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

}  // namespace

TEST_F(FileSystemTest, TheLastWriteIsToldToTheFractionOfASecondOnTheLibrarysClock)
{
    const std::string path = write("photo.jpg", "pixels");
    constexpr int64_t kNewYear2026 = 1767225600;  // unix seconds
    // The standard library's file clock counts nanoseconds from 2174-01-01.
    constexpr int64_t kOnFileClock = (kNewYear2026 - 6437664000LL) * 1'000'000'000LL;

    ASSERT_TRUE(setLastWrite(path, kNewYear2026, 250'000'000));
    EXPECT_EQ(lastWriteTicks(path), std::optional<int64_t>(kOnFileClock + 250'000'000));
    // Written again in the same second: another time (whole seconds would call them the same).
    ASSERT_TRUE(setLastWrite(path, kNewYear2026, 750'000'000));
    EXPECT_EQ(lastWriteTicks(path), std::optional<int64_t>(kOnFileClock + 750'000'000));
    // The library's own reading agrees, to the second where it keeps no finer step.
    const int64_t library = fs::last_write_time(fs::u8path(path)).time_since_epoch().count();
    EXPECT_GE(library, kOnFileClock);
    EXPECT_LT(library, kOnFileClock + 1'000'000'000LL);

    EXPECT_EQ(lastWriteTicks(pathOf("missing.jpg")), std::nullopt);
}
