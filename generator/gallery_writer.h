#pragma once
// Every file a build puts into the gallery folder G goes through the gallery writer, which keeps
// the build's promises about files:
//   - Nothing outside G is written, replaced or removed, whatever links G holds or a link swapped
//     in while the build runs. G and its three folders are held open for the whole build, and
//     every file is made, read, renamed and removed relative to them (folder_handle.h). A file is
//     written into a new temporary file made exclusively beside it and renamed over its name, so
//     a link of that name is replaced by a file of ours, never followed. "images", "photos" and
//     "thumbs" are written into, and searched for leftovers, only while they are real folders.
//   - One build at a time writes into G: the writer holds G's lock from open() to its end; a
//     second build finds it taken (busy()) and writes nothing.
//   - A file that cannot be written leaves the one before it whole; the caller is told.
//   - A file is removed only when an earlier build recorded writing it and it still holds exactly
//     those bytes (size and content hash): a user's own file that took its place stays.
//   - What is about to be written is journalled first (build_journal.h), so a build killed at
//     any moment is cleaned up after by the next one.
// G itself may be a link: it is the folder the user chose.
//
// USAGE
//   GalleryWriter writer(G);
//   for (const std::string& problem : writer.open()) warn(problem);
//   if (!writer.refusal().empty()) ...;  // G cannot be made or written: stop before any work
//   if (writer.put("photos/image-1-1.jpg", bytes, false) == GalleryWriter::Put::Failed) ...
//   std::unique_ptr<StreamedFile> big = writer.stream("photos/image-1-2.jpg", false);  // any thread
//   big->write(piece, size); ...
//   writer.commit(std::move(big));  // the builder's thread, in the build's order
//   writer.removeLeftovers();      // not after a cancelled build
//   writer.finish(cancelled);      // the manifest, then the journals go

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "generator/build_journal.h"
#include "generator/build_manifest.h"
#include "generator/content_hash.h"

class GalleryWriter;

// A gallery file written a piece at a time, on any thread, into a new temporary file beside its
// name, so that a photo far larger than memory is never held whole. The journal learns how far it
// has grown every kStreamedStep bytes, so that the next build removes it after a kill. Nothing
// is in place until GalleryWriter::commit; dropped before that, the temporary file goes.
class StreamedFile {
public:
    ~StreamedFile();
    StreamedFile(const StreamedFile&) = delete;
    StreamedFile& operator=(const StreamedFile&) = delete;

    // The next bytes; false (and from then on) when they could not be written.
    bool write(const void* bytes, size_t size);
    // Its name relative to G.
    const std::string& name() const { return name_; }
    // A write failed (the disk is full, say): commit will fail too.
    bool failed() const { return failed_; }

private:
    friend class GalleryWriter;
    StreamedFile(GalleryWriter& writer, const FolderHandle& folder, std::string name, std::string leaf)
        : writer_(writer), folder_(folder), name_(std::move(name)), leaf_(std::move(leaf))
    {
    }
    // Compares the next bytes with the file being replaced; forgets it at the first difference.
    void compare(const unsigned char* bytes, size_t size);

    GalleryWriter& writer_;
    const FolderHandle& folder_;
    const std::string name_;  // relative to G
    const std::string leaf_;
    std::string temporary_;  // in folder_; empty once renamed or removed
    std::FILE* file_ = nullptr;
    std::FILE* old_ = nullptr;  // the file it replaces while every byte so far is the same
    std::vector<unsigned char> oldPiece_;
    ContentHasher hasher_;
    uint64_t size_ = 0;
    uint64_t journalled_ = 0;  // the size the journal last recorded
    bool failed_ = false;
};

class GalleryWriter {
public:
    explicit GalleryWriter(std::string galleryFolder) : gallery_(std::move(galleryFolder)) {}

    // Makes G with every folder above it and then its three folders, takes G's lock, reads the
    // manifest and the journals of builds that did not finish, removes their temporary files, and
    // starts this build's journal. Returns a message for each of the folders that the build will
    // not write into, and for journals too large to be read.
    std::vector<std::string> open();
    // Another build holds G: nothing was read, nothing will be written.
    bool busy() const { return busy_; }
    // Why G cannot be made or written into, naming it and the system's reason; "" when it can.
    // Then nothing was read, nothing will be written (every put fails).
    const std::string& refusal() const { return refusal_; }

    enum class Put { Written, Unchanged, Failed };
    // Writes the file named relative to G ("photos/image-1-1.jpg") unless it already holds exactly
    // these bytes (with `force`, always), and records it. After a failure the file is as it was.
    Put put(const std::string& name, std::string_view bytes, bool force);
    // Starts writing `name` a piece at a time; safe on any thread while the writer is open.
    // nullptr when it cannot be written (put() then says so). `force` as for put().
    std::unique_ptr<StreamedFile> stream(const std::string& name, bool force);
    // Puts a streamed file in place and records it, as put() does with bytes: Unchanged (and the
    // temporary file gone) when the file there already held exactly them.
    Put commit(std::unique_ptr<StreamedFile> file);
    // Lists a file of the previous build as this build's own (a photo found up to date).
    void keep(const std::string& name);
    // The bytes of the gallery file `name`, read through the held folders; false when it is no
    // regular file there.
    bool read(const std::string& name, std::string& bytes) const;

    // What earlier builds wrote (as far as it is still there), and what this one has written.
    const BuildManifest& previous() const { return previous_; }
    BuildManifest& current() { return current_; }
    // Full path of a name relative to G.
    std::string pathOf(std::string_view name) const;

    // Removes what earlier builds wrote and this one did not; returns how many files went.
    size_t removeLeftovers();
    // Writes the manifest (a cancelled build keeps listing what earlier builds wrote) and, once it
    // is written, removes the journals.
    void finish(bool cancelled);

private:
    friend class StreamedFile;
    // The held folder a name relative to G is in, and the name's last part; nullptr for a name
    // outside the folders the build writes into.
    const FolderHandle* folderOf(std::string_view name, std::string& leaf) const;
    bool holds(std::string_view name, const WrittenFile& file) const;
    // A file that could not be written: the one before stays listed, so no clean-up takes it.
    Put failed(const std::string& name);
    // A new temporary file beside `leaf`, journalled before it exists so that a kill right after
    // its creation leaves nothing behind: as holding `record`, or as streamed when there is none.
    std::FILE* createTemporary(const FolderHandle& folder, std::string_view name, const std::string& leaf,
                               const WrittenFile* record, std::string& temporary);
    // The journal is written by the builder's thread and by streamed files on the workers'.
    bool journal(char kind, const std::string& name, const WrittenFile& file);
    void foldJournals(const JournalRecords& records);
    // Writes `bytes` over `leaf` of `folder` through a journalled temporary file; `listed` when
    // the journal records the write itself too (every file but the manifest).
    bool replace(const FolderHandle& folder, std::string_view name, const std::string& leaf, std::string_view bytes,
                 const WrittenFile& record, bool listed);

    std::string gallery_;
    FolderHandle folders_[4];  // G, images, photos, thumbs; closed when not written into
    bool busy_ = false;
    std::string refusal_;
    BuildManifest previous_;
    BuildManifest current_;
    BuildJournal journal_;
    std::mutex journalLock_;
    bool journalling_ = false;
    std::vector<std::string> oldJournals_;  // names in G
};
