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
//   if (writer.put("photos/image-1-1.jpg", bytes, false) == GalleryWriter::Put::Failed) ...
//   writer.removeLeftovers();      // not after a cancelled build
//   writer.finish(cancelled);      // the manifest, then the journals go

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "generator/build_journal.h"
#include "generator/build_manifest.h"

class GalleryWriter {
public:
    explicit GalleryWriter(std::string galleryFolder) : gallery_(std::move(galleryFolder)) {}

    // Makes G and its three folders (one level each), takes G's lock, reads the manifest and the
    // journals of builds that did not finish, removes their temporary files, and starts this
    // build's journal. Returns a message for each of the folders that the build will not write
    // into, and for journals too large to be read.
    std::vector<std::string> open();
    // Another build holds G: nothing was read, nothing will be written.
    bool busy() const { return busy_; }

    enum class Put { Written, Unchanged, Failed };
    // Writes the file named relative to G ("photos/image-1-1.jpg") unless it already holds exactly
    // these bytes (with `force`, always), and records it. After a failure the file is as it was.
    Put put(const std::string& name, std::string_view bytes, bool force);
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
    // The held folder a name relative to G is in, and the name's last part; nullptr for a name
    // outside the folders the build writes into.
    const FolderHandle* folderOf(std::string_view name, std::string& leaf) const;
    bool holds(std::string_view name, const WrittenFile& file) const;
    void foldJournals(const JournalRecords& records);
    // Writes `bytes` over `leaf` of `folder` through a journalled temporary file; `listed` when
    // the journal records the write itself too (every file but the manifest).
    bool replace(const FolderHandle& folder, std::string_view name, const std::string& leaf, std::string_view bytes,
                 const WrittenFile& record, bool listed);

    std::string gallery_;
    FolderHandle folders_[4];  // G, images, photos, thumbs; closed when not written into
    bool busy_ = false;
    BuildManifest previous_;
    BuildManifest current_;
    BuildJournal journal_;
    bool journalling_ = false;
    std::vector<std::string> oldJournals_;  // names in G
};
