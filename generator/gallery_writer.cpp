#include "generator/gallery_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

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

// Pieces in which files are read back and compared, never whole.
constexpr size_t kPieceBytes = size_t{64} << 10;

// Whether the regular file `leaf` starts with exactly the content `start` records.
bool startsWith(const FolderHandle& folder, const std::string& leaf, const WrittenFile& start)
{
    std::FILE* file = folder.openRead(leaf);
    if (!file) return false;
    ContentHasher hasher;
    std::vector<unsigned char> piece(kPieceBytes);
    uint64_t left = start.size;
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
        if (std::fread(piece.data(), 1, want, file) != want) break;
        hasher.add(piece.data(), want);
        left -= want;
    }
    std::fclose(file);
    return left == 0 && hasher.finish() == start.hash;
}

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
    return facts.kind == FileKind::Regular && facts.size == file.size && startsWith(*folder, leaf, file);
}

std::vector<std::string> GalleryWriter::open()
{
    std::vector<std::string> problems;
    std::string reason;
    if (!makeFolderPath(gallery_, reason)) {
        refusal_ = "Cannot make the folder '" + gallery_ + "' for the Web Gallery: " + reason + ". Nothing was built.";
        return problems;
    }
    // Found out before any picture is made, rather than as a failure for every file later.
    if (reason = folderWriteProblem(gallery_); !reason.empty()) {
        refusal_ =
            "Cannot write into the folder '" + gallery_ + "' for the Web Gallery: " + reason + ". Nothing was built.";
        return problems;
    }
    std::optional<FolderHandle> gallery = FolderHandle::open(gallery_);
    if (!gallery) {
        refusal_ = "Cannot open the folder '" + gallery_ + "' for the Web Gallery. Nothing was built.";
        return problems;
    }
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
    if (!journalling_) {
        // Not one file could be written without it; say so once, not once for every file.
        refusal_ = "Cannot write into the folder '" + gallery_ +
                   "' for the Web Gallery: its build journal cannot be made. Nothing was built.";
        for (FolderHandle& folder : folders_) folder = FolderHandle();
    }
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
    for (const auto& [name, start] : records.streamed) {
        std::string leaf;
        const FolderHandle* folder = folderOf(name, leaf);
        if (!folder) continue;
        const FileFacts facts = folder->inspect(leaf);
        if (facts.kind == FileKind::Regular &&
            (facts.size == 0 || (facts.size >= start.size && facts.size - start.size <= kStreamedStep &&
                                 startsWith(*folder, leaf, start))))
            folder->remove(leaf);
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

bool GalleryWriter::journal(char kind, const std::string& name, const WrittenFile& file)
{
    std::lock_guard lock(journalLock_);
    switch (kind) {
    case 'T': return journal_.temporary(name, file);
    case 'W': return journal_.writing(name, file);
    default: return journal_.streamed(name, file);
    }
}

std::FILE* GalleryWriter::createTemporary(const FolderHandle& folder, std::string_view name, const std::string& leaf,
                                          const WrittenFile* record, std::string& temporary)
{
    static const WrittenFile kNothing = recordOf({});
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        temporary = temporaryFileName(leaf);
        const std::string listed = std::string(folderPart(name)) + temporary;
        if (journalling_ && !(record ? journal('T', listed, *record) : journal('S', listed, kNothing))) return nullptr;
        bool exists = false;
        // Private while it is written: it may become a file only its owner may read.
        if (std::FILE* file = folder.createNew(temporary, exists, 0600)) return file;
        if (!exists) return nullptr;
    }
    return nullptr;
}

bool GalleryWriter::replace(const FolderHandle& folder, std::string_view name, const std::string& leaf,
                            std::string_view bytes, const WrittenFile& record, bool listed)
{
    std::string temporary;
    std::FILE* file = createTemporary(folder, name, leaf, &record, temporary);
    if (!file) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        (listed && !journal('W', std::string(name), record))) {
        std::fclose(file);
        folder.remove(temporary);
        return false;
    }
    return folder.commit(file, temporary, leaf);
}

GalleryWriter::Put GalleryWriter::failed(const std::string& name)
{
    if (const auto old = previous_.files.find(name); old != previous_.files.end())
        current_.files.emplace(name, old->second);
    return Put::Failed;
}

GalleryWriter::Put GalleryWriter::put(const std::string& name, std::string_view bytes, bool force)
{
    const WrittenFile record = recordOf(bytes);
    std::string leaf;
    const FolderHandle* folder = folderOf(name, leaf);
    if (!folder || !journalling_) return failed(name);
    if (!force) {
        const FileFacts facts = folder->inspect(leaf);
        std::string old;
        if (facts.kind == FileKind::Regular && facts.size == bytes.size() &&
            folder->readBytes(leaf, old, bytes.size()) && old == bytes) {
            current_.files[name] = record;
            return Put::Unchanged;
        }
    }
    if (!replace(*folder, name, leaf, bytes, record, true)) return failed(name);
    current_.files[name] = record;
    return Put::Written;
}

std::unique_ptr<StreamedFile> GalleryWriter::stream(const std::string& name, bool force)
{
    std::string leaf;
    const FolderHandle* folder = folderOf(name, leaf);
    if (!folder || !journalling_) return nullptr;
    std::unique_ptr<StreamedFile> file(new StreamedFile(*this, *folder, name, leaf));
    file->file_ = createTemporary(*folder, name, leaf, nullptr, file->temporary_);
    if (!file->file_) return nullptr;
    // The file there is compared as the new one is made, so an unchanged one is known at the end
    // without reading either again.
    if (!force) file->old_ = folder->openRead(leaf);
    return file;
}

GalleryWriter::Put GalleryWriter::commit(std::unique_ptr<StreamedFile> file)
{
    const std::string& name = file->name_;
    if (file->failed_ || std::fflush(file->file_) != 0) return failed(name);
    const WrittenFile record{file->size_, file->hasher_.finish()};
    if (file->old_ && std::fgetc(file->old_) == EOF && !std::ferror(file->old_)) {
        current_.files[name] = record;
        return Put::Unchanged;  // the temporary file goes with `file`
    }
    if (!journal('W', name, record)) return failed(name);
    std::FILE* written = std::exchange(file->file_, nullptr);
    const std::string temporary = std::exchange(file->temporary_, std::string());
    if (!file->folder_.commit(written, temporary, file->leaf_)) return failed(name);
    current_.files[name] = record;
    return Put::Written;
}

StreamedFile::~StreamedFile()
{
    if (old_) std::fclose(old_);
    if (file_) std::fclose(file_);
    if (!temporary_.empty()) folder_.remove(temporary_);
}

bool StreamedFile::write(const void* bytes, size_t size)
{
    const auto* next = static_cast<const unsigned char*>(bytes);
    while (size > 0 && !failed_) {
        if (size_ == journalled_ + kStreamedStep) {
            // On its way to the disk before the journal says so.
            failed_ = std::fflush(file_) != 0 ||
                      !writer_.journal('S', std::string(folderPart(name_)) + temporary_, {size_, hasher_.finish()});
            journalled_ = size_;
            continue;
        }
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, journalled_ + kStreamedStep - size_));
        if (std::fwrite(next, 1, piece, file_) != piece) {
            failed_ = true;
            break;
        }
        compare(next, piece);
        hasher_.add(next, piece);
        size_ += piece;
        next += piece;
        size -= piece;
    }
    return !failed_;
}

void StreamedFile::compare(const unsigned char* bytes, size_t size)
{
    while (old_ && size > 0) {
        const size_t piece = std::min(size, kPieceBytes);
        oldPiece_.resize(piece);
        if (std::fread(oldPiece_.data(), 1, piece, old_) != piece ||
            !std::equal(bytes, bytes + piece, oldPiece_.data())) {
            std::fclose(old_);
            old_ = nullptr;
        }
        bytes += piece;
        size -= piece;
    }
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
