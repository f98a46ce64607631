#pragma once
// The build journal: what a build is about to write, recorded before it writes it, so that the
// next build can clean up after one that was killed part way (power cut, kill -9) before its
// manifest was written.
//
// Every build keeps a journal of its own in the gallery folder: a file ".fotoloom-journal.<random>
// .tmp", created exclusively, held (locked) while the build runs, appended to line by line and
// removed once the manifest holds all it says. A journal found when a build starts that nobody
// holds was left by a build that did not finish; the new build folds it in (see GalleryWriter)
// and removes it after writing its own manifest. A journal still held belongs to a build that
// is running: it is left alone.
//
// Records, one a line, fields separated by tabs, names escaped as in the manifest and relative
// to the gallery folder ("photos/image-1-1.jpg"):
//   T <size> <hash> <name>    a temporary file is about to be made, to hold exactly this content
//   W <size> <hash> <name>    this content is about to be renamed over <name>
//   S <size> <hash> <name>    a temporary file filled as its content is made (a photo encoded
//                             straight into it): it starts with exactly this content, and holds
//                             at most kStreamedStep bytes more until its next S record
//
// Like the manifest, a journal is outside input: a line that does not parse or names anything
// but a file of ours is passed over, and a temporary file is removed only while it holds
// nothing yet or exactly what its record says (a streamed one: what an S record says, and no
// more than kStreamedStep bytes after it). Reading all journals together stops at
// kMaxJournalsBytes, whatever was planted in the folder.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/folder_handle.h"
#include "generator/build_manifest.h"

// The first bytes of every journal's name.
inline constexpr char kJournalNameHint[] = ".fotoloom-journal";
// What the journals of one folder may hold together: a real one holds two short lines for each
// file a build writes, a few megabytes for the largest gallery.
inline constexpr uint64_t kMaxJournalsBytes = uint64_t{32} << 20;
// How far a streamed temporary file grows between two of its records: a few lines for the largest
// photo, and never more than this read back to prove a leftover ours.
inline constexpr uint64_t kStreamedStep = uint64_t{8} << 20;

struct JournalRecords {
    std::vector<std::pair<std::string, WrittenFile>> temporaries;  // T records
    std::vector<std::pair<std::string, WrittenFile>> writes;       // W records, in order
    std::vector<std::pair<std::string, WrittenFile>> streamed;     // S records
    bool cut = false;  // the journals held more than kMaxJournalsBytes; the rest was not read
};

JournalRecords parseJournal(std::string_view text);
// True for the names TemporaryFile gives: a hint, ".", sixteen hexadecimal digits, ".tmp".
bool isTemporaryFileName(std::string_view name);

// The journals of the gallery folder that no running build holds, and what they record together.
struct FoundJournals {
    std::vector<std::string> names;  // to be removed once the new manifest is written
    JournalRecords records;
    size_t held = 0;  // journals of builds still running, left alone
};
FoundJournals readJournals(const FolderHandle& galleryFolder);

class BuildJournal {
public:
    BuildJournal() = default;
    ~BuildJournal() { abandon(); }
    BuildJournal(const BuildJournal&) = delete;
    BuildJournal& operator=(const BuildJournal&) = delete;

    // Creates and holds this build's journal in the gallery folder (which must outlive it);
    // false when the folder refuses it.
    bool start(const FolderHandle& galleryFolder);
    // Each record is on its way to the disk when these return true (a kill -9 right after cannot
    // lose it). False when it could not be written: the caller then writes nothing.
    bool temporary(const std::string& name, const WrittenFile& file);
    bool writing(const std::string& name, const WrittenFile& file);
    bool streamed(const std::string& name, const WrittenFile& start);
    // Removes the journal (once the manifest holds what it recorded).
    void finish();
    // Closes it and leaves it for the next build to fold in.
    void abandon();

private:
    bool append(const std::string& line);

    const FolderHandle* folder_ = nullptr;
    std::string name_;
    std::FILE* file_ = nullptr;
};
