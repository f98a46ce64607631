#pragma once
// The build journal: what a build is about to write, recorded before it writes it, so that the
// next build can clean up after one that was killed part way (power cut, kill -9) before its
// manifest was written.
//
// Every build keeps a journal of its own in the gallery folder: a file ".fotoloom-journal.<random>
// .tmp", created exclusively, appended to line by line and removed once the manifest holds all it
// says. A journal found when a build starts was left by a build that did not finish; the new build
// folds it in (see GalleryWriter) and removes it after writing its own manifest.
//
// Records, one a line, fields separated by tabs, names escaped as in the manifest and relative
// to the gallery folder ("photos/image-1-1.jpg"):
//   T <name>                  a temporary file has just been created, before its content
//   W <size> <hash> <name>    this content is about to be renamed over <name>
//
// Like the manifest, a journal is outside input: a line that does not parse or names anything
// but a file of ours is passed over.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "generator/build_manifest.h"

// The first bytes of every journal's name.
inline constexpr char kJournalNameHint[] = ".fotoloom-journal";

struct JournalRecords {
    std::vector<std::string> temporaries;                     // T records
    std::vector<std::pair<std::string, WrittenFile>> writes;  // W records, in order
};

JournalRecords parseJournal(std::string_view text);
// True for the names TemporaryFile gives: a hint, ".", sixteen hexadecimal digits, ".tmp".
bool isTemporaryFileName(std::string_view name);
// The journals of the folder (full paths, regular files only) and what they record together.
std::vector<std::string> findJournals(const std::string& galleryFolder);
JournalRecords readJournals(const std::vector<std::string>& journals);

class BuildJournal {
public:
    BuildJournal() = default;
    ~BuildJournal() { abandon(); }
    BuildJournal(const BuildJournal&) = delete;
    BuildJournal& operator=(const BuildJournal&) = delete;

    // Creates this build's journal in the gallery folder; false when the folder refuses it.
    bool start(const std::string& galleryFolder);
    // Each record is on its way to the disk when these return true (a kill -9 right after cannot
    // lose it). False when it could not be written: the caller then writes nothing.
    bool temporary(const std::string& name);
    bool writing(const std::string& name, const WrittenFile& file);
    // Removes the journal (once the manifest holds what it recorded).
    void finish();
    // Closes it and leaves it for the next build to fold in.
    void abandon();

private:
    bool append(const std::string& line);

    std::string path_;
    std::FILE* file_ = nullptr;
};
