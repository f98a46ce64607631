#include "generator/gallery_writer.h"

#include <cstdio>
#include <map>
#include <optional>

#include "base/file_system.h"
#include "generator/content_hash.h"
#include "generator/file_ops.h"
#include "generator/site_builder.h"

namespace {

constexpr const char* kFolders[] = {"images", "photos", "thumbs"};

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

bool GalleryWriter::writable(std::string_view name) const
{
    const int folder = folderIndex(name);
    return folder >= 0 && folderOk_[0] && folderOk_[folder];
}

bool GalleryWriter::holds(const std::string& path, const WrittenFile& file) const
{
    const FileFacts facts = inspectFile(path);
    if (facts.kind != FileKind::Regular || facts.size != file.size) return false;
    std::string bytes;
    return readFileBytes(path, bytes, file.size) && recordOf(bytes) == file;
}

std::vector<std::string> GalleryWriter::open()
{
    std::vector<std::string> problems;
    makeFolder(gallery_);
    folderOk_[0] = folderExists(gallery_);
    if (!folderOk_[0]) return problems;  // nothing can be written: every file will say so
    for (int i = 0; i < 3; ++i) {
        const std::string path = joinPath(gallery_, kFolders[i]);
        if (inspectFile(path).kind == FileKind::Missing) makeFolder(path);
        switch (inspectFile(path).kind) {
        case FileKind::Directory: folderOk_[i + 1] = true; break;
        case FileKind::Missing: break;  // could not be made: its files will say so
        case FileKind::Link:
            problems.push_back("Cannot write into '" + path +
                               "': it is a link, and the build writes nothing outside the gallery folder.");
            break;
        case FileKind::Regular:
        case FileKind::Other: problems.push_back("Cannot write into '" + path + "': it is not a folder."); break;
        }
    }

    previous_ = readManifest(joinPath(gallery_, kManifestName));
    oldJournals_ = findJournals(gallery_);
    if (!oldJournals_.empty()) foldJournals(readJournals(oldJournals_));
    journalling_ = journal_.start(gallery_);
    return problems;
}

// A build that did not finish: its temporary files go, and each file it was about to write is
// listed with the record that the file on disk still matches (the old one when the rename never
// happened, the new one when it did), or not at all when it matches neither.
void GalleryWriter::foldJournals(const JournalRecords& records)
{
    for (const std::string& name : records.temporaries) {
        const std::string path = pathOf(name);
        if (writable(name) && inspectFile(path).kind == FileKind::Regular) removeFile(path);
    }
    std::map<std::string, std::vector<WrittenFile>> candidates;
    for (const auto& [name, file] : records.writes)
        if (writable(name)) candidates[name].push_back(file);
    for (auto& [name, list] : candidates) {
        if (const auto old = previous_.files.find(name); old != previous_.files.end()) list.push_back(old->second);
        previous_.files.erase(name);
        const FileFacts facts = inspectFile(pathOf(name));
        if (facts.kind != FileKind::Regular) continue;
        std::string bytes;
        if (!readFileBytes(pathOf(name), bytes, facts.size)) continue;
        const WrittenFile onDisk = recordOf(bytes);
        for (const WrittenFile& candidate : list)
            if (candidate == onDisk) previous_.files[name] = onDisk;
    }
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
    if (!writable(name) || !journalling_) return failed();
    const std::string path = pathOf(name);
    if (!force) {
        const FileFacts facts = inspectFile(path);
        std::string old;
        if (facts.kind == FileKind::Regular && facts.size == bytes.size() && readFileBytes(path, old, bytes.size()) &&
            old == bytes) {
            current_.files[name] = record;
            return Put::Unchanged;
        }
    }
    std::optional<TemporaryFile> temporary = TemporaryFile::createBeside(path);
    if (!temporary) return failed();
    if (!journal_.temporary(std::string(folderPart(name)) + fileNameOf(temporary->path()))) return failed();
    if (std::fwrite(bytes.data(), 1, bytes.size(), temporary->file()) != bytes.size()) return failed();
    if (!journal_.writing(name, record) || !temporary->commitOver(path)) return failed();
    current_.files[name] = record;
    return Put::Written;
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
        if (!writable(name)) {
            current_.files.emplace(name, file);  // never looked for through a link; maybe later
            continue;
        }
        const std::string path = pathOf(name);
        // Anything but exactly what was written there is somebody else's now.
        if (!holds(path, file)) continue;
        if (removeFile(path)) {
            ++removed;
        } else {
            current_.files.emplace(name, file);  // try again next time
        }
    }
    return removed;
}

void GalleryWriter::finish(bool cancelled)
{
    if (!folderOk_[0]) return;
    if (cancelled) {
        // What an earlier build wrote may still be there; keep it listed for the next build.
        for (const auto& [name, file] : previous_.files) current_.files.emplace(name, file);
        for (const auto& [name, picture] : previous_.pictures) current_.pictures.emplace(name, picture);
    }
    // Fingerprints only of photos that are listed as written.
    std::erase_if(current_.pictures, [this](const auto& entry) { return !current_.files.count(entry.first); });
    // Its temporary file is journalled like any other, so a kill right there leaves nothing behind.
    const auto journalled = [this](const std::string& name) { return !journalling_ || journal_.temporary(name); };
    if (!writeManifest(joinPath(gallery_, kManifestName), current_, journalled)) {
        journal_.abandon();  // the journals still tell the next build what is ours
        return;
    }
    journal_.finish();
    for (const std::string& path : oldJournals_)
        if (inspectFile(path).kind == FileKind::Regular) removeFile(path);
}
