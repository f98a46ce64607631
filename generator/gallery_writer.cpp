#include "generator/gallery_writer.h"

#include <cstdio>
#include <map>

#include "base/file_system.h"
#include "generator/content_hash.h"
#include "generator/file_ops.h"

namespace {

constexpr const char* kFolders[] = {"images", "photos", "thumbs"};
// Tries before giving up on a folder that keeps answering "exists" to new temporary names.
constexpr int kCreateTries = 16;
// A photo of ours is never larger than the pictures the builder reads.
constexpr uint64_t kMaxReadBytes = uint64_t{1} << 30;

// 0 for a name directly in G, 1..3 for the three folders, -1 for anything else.
int folderIndex(std::string_view name)
{
    const size_t slash = name.find('/');
    if (slash == std::string_view::npos) return 0;
    for (int i = 0; i < 3; ++i)
        if (name.substr(0, slash) == kFolders[i]) return i + 1;
    return -1;
}

std::string_view folderPart(std::string_view name)
{
    const size_t slash = name.find('/');
    return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
}

WrittenFile recordOf(std::string_view bytes) { return {bytes.size(), contentHash(bytes.data(), bytes.size())}; }

}  // namespace

std::string GalleryWriter::pathOf(std::string_view name) const
{
    std::string path = gallery_;
    size_t from = 0;
    for (;;) {
        const size_t slash = name.find('/', from);
        path = joinPath(path, std::string(name.substr(from, slash - from)));
        if (slash == std::string_view::npos) return path;
        from = slash + 1;
    }
}

const FolderHandle* GalleryWriter::folderOf(std::string_view name, std::string& leaf) const
{
    const int folder = folderIndex(name);
    if (folder < 0 || !folders_[0].isOpen() || !folders_[folder].isOpen()) return nullptr;
    leaf = std::string(name.substr(folderPart(name).size()));
    return &folders_[folder];
}

bool GalleryWriter::holds(std::string_view name, const WrittenFile& file) const
{
    std::string leaf;
    const FolderHandle* folder = folderOf(name, leaf);
    if (!folder) return false;
    const FileFacts facts = folder->inspect(leaf);
    if (facts.kind != FileKind::Regular || facts.size != file.size) return false;
    std::string bytes;
    return folder->readBytes(leaf, bytes, file.size) && recordOf(bytes) == file;
}

std::vector<std::string> GalleryWriter::open()
{
    std::vector<std::string> problems;
    makeFolder(gallery_);
    std::optional<FolderHandle> gallery = FolderHandle::open(gallery_);
    if (!gallery) return problems;  // nothing can be written: every file will say so
    if (!gallery->tryLock()) {
        busy_ = true;
        return problems;
    }
    folders_[0] = std::move(*gallery);
    for (int i = 0; i < 3; ++i) {
        FileKind found = FileKind::Missing;
        if (std::optional<FolderHandle> folder = folders_[0].openChild(kFolders[i], true, found)) {
            folders_[i + 1] = std::move(*folder);
            continue;
        }
        const std::string path = joinPath(gallery_, kFolders[i]);
        switch (found) {
        case FileKind::Directory:
        case FileKind::Missing: break;  // could not be made or opened: its files will say so
        case FileKind::Link:
            problems.push_back("Cannot write into '" + path +
                               "': it is a link, and the build writes nothing outside the gallery folder.");
            break;
        case FileKind::Regular:
        case FileKind::Other: problems.push_back("Cannot write into '" + path + "': it is not a folder."); break;
        }
    }

    previous_ = readManifest(folders_[0]);
    FoundJournals journals = readJournals(folders_[0]);
    oldJournals_ = std::move(journals.names);
    if (journals.records.cut)
        problems.push_back("The build journals in '" + gallery_ + "' hold more than " +
                           std::to_string(kMaxJournalsBytes >> 20) +
                           " MB, more than any build writes; only that much of them was read.");
    foldJournals(journals.records);
    journalling_ = journal_.start(folders_[0]);
    return problems;
}

// A build that did not finish: its temporary files go while they hold nothing yet or exactly
// what the journal says (anything else is somebody else's), and each file it was about to write
// is listed with the record that the file on disk still matches (the old one when the rename
// never happened, the new one when it did), or not at all when it matches neither.
void GalleryWriter::foldJournals(const JournalRecords& records)
{
    for (const auto& [name, file] : records.temporaries) {
        std::string leaf;
        const FolderHandle* folder = folderOf(name, leaf);
        if (!folder) continue;
        const FileFacts facts = folder->inspect(leaf);
        if (facts.kind == FileKind::Regular && (facts.size == 0 || holds(name, file))) folder->remove(leaf);
    }
    std::map<std::string, std::vector<WrittenFile>> candidates;
    for (const auto& [name, file] : records.writes) {
        std::string leaf;
        if (folderOf(name, leaf)) candidates[name].push_back(file);
    }
    for (auto& [name, list] : candidates) {
        if (const auto old = previous_.files.find(name); old != previous_.files.end()) list.push_back(old->second);
        previous_.files.erase(name);
        for (const WrittenFile& candidate : list) {
            if (holds(name, candidate)) {
                previous_.files[name] = candidate;
                break;
            }
        }
    }
}

bool GalleryWriter::replace(const FolderHandle& folder, std::string_view name, const std::string& leaf,
                            std::string_view bytes, const WrittenFile& record, bool listed)
{
    std::FILE* file = nullptr;
    std::string temporary;
    for (int attempt = 0; attempt < kCreateTries && !file; ++attempt) {
        temporary = temporaryFileName(leaf);
        // Journalled before it exists, so a kill right after its creation leaves nothing behind.
        if (journalling_ && !journal_.temporary(std::string(folderPart(name)) + temporary, record)) return false;
        bool exists = false;
        // Private while it is written: it may become a file only its owner may read.
        file = folder.createNew(temporary, exists, 0600);
        if (!file && !exists) return false;
    }
    if (!file) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        (listed && !journal_.writing(std::string(name), record))) {
        std::fclose(file);
        folder.remove(temporary);
        return false;
    }
    return folder.commit(file, temporary, leaf);
}

GalleryWriter::Put GalleryWriter::put(const std::string& name, std::string_view bytes, bool force)
{
    const WrittenFile record = recordOf(bytes);
    const auto failed = [&] {
        // The file before stays; while it is listed, no clean-up takes it for a leftover.
        if (const auto old = previous_.files.find(name); old != previous_.files.end())
            current_.files.emplace(name, old->second);
        return Put::Failed;
    };
    std::string leaf;
    const FolderHandle* folder = folderOf(name, leaf);
    if (!folder || !journalling_) return failed();
    if (!force) {
        const FileFacts facts = folder->inspect(leaf);
        std::string old;
        if (facts.kind == FileKind::Regular && facts.size == bytes.size() &&
            folder->readBytes(leaf, old, bytes.size()) && old == bytes) {
            current_.files[name] = record;
            return Put::Unchanged;
        }
    }
    if (!replace(*folder, name, leaf, bytes, record, true)) return failed();
    current_.files[name] = record;
    return Put::Written;
}

bool GalleryWriter::read(const std::string& name, std::string& bytes) const
{
    std::string leaf;
    const FolderHandle* folder = folderOf(name, leaf);
    return folder && folder->readBytes(leaf, bytes, kMaxReadBytes);
}

void GalleryWriter::keep(const std::string& name)
{
    if (const auto old = previous_.files.find(name); old != previous_.files.end()) current_.files[name] = old->second;
}

size_t GalleryWriter::removeLeftovers()
{
    size_t removed = 0;
    for (const auto& [name, file] : previous_.files) {
        if (current_.files.count(name)) continue;
        std::string leaf;
        const FolderHandle* folder = folderOf(name, leaf);
        if (!folder) {
            current_.files.emplace(name, file);  // never looked for through a link; maybe later
            continue;
        }
        // Anything but exactly what was written there is somebody else's now.
        if (!holds(name, file)) continue;
        if (folder->remove(leaf)) {
            ++removed;
        } else {
            current_.files.emplace(name, file);  // try again next time
        }
    }
    return removed;
}

void GalleryWriter::finish(bool cancelled)
{
    if (!folders_[0].isOpen()) return;
    if (cancelled) {
        // What an earlier build wrote may still be there; keep it listed for the next build.
        for (const auto& [name, file] : previous_.files) current_.files.emplace(name, file);
        for (const auto& [name, picture] : previous_.pictures) current_.pictures.emplace(name, picture);
    }
    // Fingerprints only of photos that are listed as written.
    std::erase_if(current_.pictures, [this](const auto& entry) { return !current_.files.count(entry.first); });
    // Its temporary file is journalled like any other, so a kill right there leaves nothing
    // behind; the manifest itself is no file the manifest lists.
    const std::string text = manifestText(current_);
    if (!replace(folders_[0], kManifestName, kManifestName, text, recordOf(text), false)) {
        journal_.abandon();  // the journals still tell the next build what is ours
        return;
    }
    journal_.finish();
    for (const std::string& name : oldJournals_)
        if (folders_[0].inspect(name).kind == FileKind::Regular) folders_[0].remove(name);
}
