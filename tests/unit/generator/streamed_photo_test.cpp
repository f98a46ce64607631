// Photos encoded straight into their files: a streamed file is in place only once committed, with
// the same promises as a file written whole (recorded, left as it was when unchanged, nothing
// half-written left behind), and a build killed while one is being written is cleaned up after.

#include <gtest/gtest.h>

#include <random>

#include "generator/build_journal.h"
#include "generator/content_hash.h"
#include "generator/gallery_writer.h"
#include "safety_test_util.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

using namespace generator_test;

namespace {

std::string noise(size_t size, unsigned seed)
{
    std::minstd_rand rng(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    return bytes;
}

// Streams `bytes` in uneven pieces, as an encoder does.
std::unique_ptr<StreamedFile> streamed(GalleryWriter& writer, const std::string& name, const std::string& bytes,
                                       bool force = false)
{
    std::unique_ptr<StreamedFile> file = writer.stream(name, force);
    if (!file) return file;
    for (size_t at = 0; at < bytes.size();) {
        const size_t piece = std::min<size_t>(bytes.size() - at, 65536 + at % 977);
        EXPECT_TRUE(file->write(bytes.data() + at, piece));
        at += piece;
    }
    return file;
}

bool temporaryIn(const std::string& folder)
{
    for (const std::string& name : namesIn(folder))
        if (name.ends_with(".tmp") && !name.starts_with(kJournalNameHint)) return true;
    return false;
}

}  // namespace

TEST(StreamedPhoto, ACommittedFileIsRecordedAndAnUnchangedOneIsLeftAsItWas)
{
    ScratchFolder scratch;
    const std::string g = scratch / "G";
    const std::string name = "photos/image-1-1.jpg";
    // Longer than a journal step, so the file is recorded growing on the way.
    const std::string first = noise(kStreamedStep * 2 + 12345, 1);
    {
        GalleryWriter writer(g);
        writer.open();
        std::unique_ptr<StreamedFile> file = streamed(writer, name, first);
        ASSERT_TRUE(file);
        EXPECT_FALSE(fileExists(joinPath(g, name)));  // nothing in place before the commit
        EXPECT_EQ(writer.commit(std::move(file)), GalleryWriter::Put::Written);
        EXPECT_EQ(writer.current().files.at(name),
                  (WrittenFile{first.size(), contentHash(first.data(), first.size())}));
        writer.finish(false);
    }
    EXPECT_EQ(readAll(joinPath(g, name)), first);
    EXPECT_FALSE(temporaryIn(joinPath(g, "photos")));

    // The same bytes again: unchanged, unless forced. One byte different at the end: written.
    std::string last = first;
    last.back() = static_cast<char>(last.back() ^ 1);
    for (const auto& [bytes, force, expected] :
         {std::tuple{first, false, GalleryWriter::Put::Unchanged}, std::tuple{first, true, GalleryWriter::Put::Written},
          std::tuple{last, false, GalleryWriter::Put::Written},
          std::tuple{last + "x", false, GalleryWriter::Put::Written},
          std::tuple{first, false, GalleryWriter::Put::Written}}) {
        GalleryWriter writer(g);
        writer.open();
        std::unique_ptr<StreamedFile> file = streamed(writer, name, bytes, force);
        ASSERT_TRUE(file);
        EXPECT_EQ(writer.commit(std::move(file)), expected) << bytes.size() << " force " << force;
        EXPECT_EQ(writer.current().files.at(name).size, bytes.size());
        writer.finish(false);
        EXPECT_EQ(readAll(joinPath(g, name)), bytes);
        EXPECT_FALSE(temporaryIn(joinPath(g, "photos")));
    }
}

TEST(StreamedPhoto, OneDroppedBeforeItsCommitLeavesNothingAndTheFileBeforeStays)
{
    ScratchFolder scratch;
    const std::string g = scratch / "G";
    GalleryWriter writer(g);
    writer.open();
    ASSERT_EQ(writer.put("photos/image-1-1.jpg", "the photo before", false), GalleryWriter::Put::Written);
    streamed(writer, "photos/image-1-1.jpg", noise(100000, 2));
    EXPECT_EQ(readAll(joinPath(g, "photos/image-1-1.jpg")), "the photo before");
    EXPECT_FALSE(temporaryIn(joinPath(g, "photos")));
    // Nowhere but into the gallery's own folders.
    EXPECT_EQ(writer.stream("../outside.jpg", false), nullptr);
    EXPECT_EQ(writer.stream("elsewhere/image.jpg", false), nullptr);
}

TEST(StreamedPhoto, LeftoversAreRemovedOnlyWhileTheyHoldWhatTheJournalRecorded)
{
    ScratchFolder scratch;
    const std::string g = scratch / "G";
    makeFolder(g);
    makeFolder(joinPath(g, "photos"));
    const std::string start = noise(1000, 3);
    struct Leftover {
        const char* name;
        std::string bytes;
        bool removed;
    };
    const Leftover leftovers[] = {
        {"image-1-1.jpg.00000000000000a1.tmp", start + noise(5000, 4), true},  // grown a little after its record
        {"image-1-2.jpg.00000000000000a2.tmp", "", true},                      // killed before its first byte
        {"image-1-3.jpg.00000000000000a3.tmp", start + std::string(kStreamedStep + 1, 'x'), false},  // too far
        {"image-1-4.jpg.00000000000000a4.tmp", noise(6000, 5), false},        // not what was recorded
        {"image-1-5.jpg.00000000000000a5.tmp", start.substr(0, 999), false},  // shorter than recorded
    };
    std::string journal = "fotoloom-journal 2\n";
    for (const Leftover& l : leftovers) {
        writeAll(joinPath(g, "photos/" + std::string(l.name)), l.bytes);
        journal += journalLine('S', "photos/" + std::string(l.name), l.name[8] == '2' ? "" : start);
    }
    writeAll(joinPath(g, ".fotoloom-journal.00000000000000cd.tmp"), journal);

    GalleryWriter writer(g);
    writer.open();
    for (const Leftover& l : leftovers)
        EXPECT_EQ(fileExists(joinPath(g, "photos/" + std::string(l.name))), !l.removed) << l.name;
}

#ifndef _WIN32
TEST(StreamedPhoto, ABuildKilledWhileAPhotoIsStreamedIsCleanedUpAfterByTheNext)
{
    ScratchFolder scratch;
    const std::string g = scratch / "G";
    for (size_t written : {size_t{0}, size_t{300000}, size_t{kStreamedStep * 2 + 777}}) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            GalleryWriter writer(g);
            writer.open();
            std::unique_ptr<StreamedFile> file = writer.stream("photos/image-1-1.jpg", false);
            const std::string bytes = noise(written, 6);
            if (!file || (written && !file->write(bytes.data(), bytes.size()))) ::_exit(3);
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        ASSERT_TRUE(temporaryIn(joinPath(g, "photos"))) << written;

        GalleryWriter next(g);
        next.open();
        next.finish(false);
        EXPECT_FALSE(temporaryIn(joinPath(g, "photos"))) << written;
    }
}
#endif
