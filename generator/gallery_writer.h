#pragma once
// Every file a build puts into the gallery folder G goes through the gallery writer, which keeps
// the build's promises about files:
//   - Nothing outside G is written, replaced or removed, whatever links G holds. A file is written
//     into a new temporary file made exclusively beside it and renamed over its name, so a link of
//     that name is replaced by a file of ours, never followed. "images", "photos" and "thumbs" are
//     written into, and searched for leftovers, only while they are real folders.
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

    // Makes G and its three folders (one level each), reads the manifest and the journals of
    // builds that did not finish, removes their temporary files, and starts this build's journal.
    // Returns a message for each of the folders that the build will not write into.
    std::vector<std::string> open();

    enum class Put { Written, Unchanged, Failed };
    // Writes the file named relative to G ("photos/image-1-1.jpg") unless it already holds exactly
    // these bytes (with `force`, always), and records it. After a failure the file is as it was.
    Put put(const std::string& name, std::string_view bytes, bool force);
    // Lists a file of the previous build as this build's own (a photo found up to date).
    void keep(const std::string& name);

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
    bool writable(std::string_view name) const;
    bool holds(const std::string& path, const WrittenFile& file) const;
    void foldJournals(const JournalRecords& records);

    std::string gallery_;
    bool folderOk_[4] = {false, false, false, false};  // G, images, photos, thumbs
    BuildManifest previous_;
    BuildManifest current_;
    BuildJournal journal_;
    bool journalling_ = false;
    std::vector<std::string> oldJournals_;
};
