#include "gallery/project_file.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "gallery/ansi_text.h"
#include "gallery/binary_stream.h"
#include "gallery/builder_doc.h"
#include "gallery/file_system.h"
#include "gallery/recent_list.h"
#include "gallery/text_utf16.h"

namespace {

constexpr char kWrongFile[] = "Wrong GAL file!";
constexpr char kCannotOpen[] = "Cannot open gallery!";
constexpr char kCannotSave[] = "Cannot save gallery!";
constexpr int32_t kFormatVersion = 1;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// --- Reading ---------------------------------------------------------------------------------

// Leaves `text` alone when the read fails.
bool readText(BinaryReader& in, std::string& text)
{
    StoredString stored;
    if (!in.readString(stored)) return false;
    text = stored.wide ? utf16ToUtf8(stored.units) : utf8FromAnsi(stored.narrow);
    return true;
}

// No writer produces a negative count, so one means the file is damaged.
bool readCount(BinaryReader& in, int32_t& count) { return in.readInt32(count) && count >= 0; }

bool readAlbum(BinaryReader& in, Album& album)
{
    return readText(in, album.title) && readText(in, album.caption) && in.readInt32(album.key);
}

bool readImage(BinaryReader& in, Image& image)
{
    return in.readInt32(image.albumKey) && readText(in, image.path) && in.readInt32(image.rotation) &&
           readText(in, image.comment);
}

// Reads the file into a freshly reset gallery, field by field, and stops at the first read
// that fails; everything read before it is already in the gallery. Records are added one at
// a time as they are read, so a huge count in a short file costs nothing.
bool readGallery(BinaryReader& in, CBuilderDoc& doc)
{
    int32_t version;  // any value is accepted
    if (!in.readInt32(version)) return false;

    int32_t albumCount;
    if (!readCount(in, albumCount)) return false;
    for (int32_t i = 0; i < albumCount; ++i) {
        Album album;
        if (!readAlbum(in, album)) return false;
        doc.insertAlbum(std::move(album), AlbumPosition::Bottom);  // keys as read, unchecked
    }

    int32_t imageCount;
    if (!readCount(in, imageCount)) return false;
    for (int32_t i = 0; i < imageCount; ++i) {
        Image image;
        if (!readImage(in, image)) return false;
        doc.appendImage(std::move(image));
    }

    if (!readText(in, doc.galleryTitle) || !readText(in, doc.galleryDescription) || !readText(in, doc.themeName))
        return false;
    for (const SettingInfo& setting : integerSettings())
        if (!in.readInt32(doc.*setting.number)) return false;
    return readText(in, doc.homePageUrl);  // anything after it is never read
}

// --- Writing ---------------------------------------------------------------------------------

// The narrow form when it holds the text exactly, else the wide form, so nothing is lost.
void writeText(BinaryWriter& out, const std::string& text)
{
    if (std::optional<std::string> narrow = ansiFromUtf8(text))
        out.writeNarrowString(*narrow);
    else
        out.writeWideString(utf8ToUtf16(text));
}

void writeCount(BinaryWriter& out, size_t count) { out.writeInt32(static_cast<int32_t>(count)); }

void writeGallery(BinaryWriter& out, const CBuilderDoc& doc)
{
    out.writeInt32(kFormatVersion);
    writeCount(out, doc.albums().size());
    for (const Album& album : doc.albums()) {
        writeText(out, album.title);
        writeText(out, album.caption);
        out.writeInt32(album.key);
    }
    writeCount(out, doc.images().size());
    for (const Image& image : doc.images()) {
        out.writeInt32(image.albumKey);
        writeText(out, image.path);
        out.writeInt32(image.rotation);
        writeText(out, image.comment);
    }
    writeText(out, doc.galleryTitle);
    writeText(out, doc.galleryDescription);
    writeText(out, doc.themeName);
    for (const SettingInfo& setting : integerSettings()) out.writeInt32(doc.*setting.number);
    writeText(out, doc.homePageUrl);
}

// The gallery is written beside its target and renamed over it once complete, so a failed
// save never destroys the previous file.
std::string temporaryPathFor(const std::string& path) { return path + ".tmp"; }

// The refusal that opening the target for writing would give, without truncating it.
bool targetCanBeReplaced(const std::string& path)
{
    if (folderExists(path)) return false;
    if (!fileExists(path)) return true;  // creating the temporary file tests the folder
    return FilePtr(openFile(path, "r+b")) != nullptr;
}

}  // namespace

ProjectResult loadProject(CBuilderDoc& doc, const std::string& path)
{
    // Nothing is reset and nothing is written when the file cannot be read.
    FilePtr file(openFile(path, "rb"));
    std::optional<uint64_t> size = file ? regularFileSize(file.get()) : std::nullopt;
    if (!size) {
        doc.prompter().tell(kCannotOpen, MessageIcon::Error);
        return ProjectResult::CannotOpen;
    }

    doc.resetGallery();
    bool complete = false;
    try {
        BinaryReader in(file.get(), *size);
        complete = readGallery(in, doc);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    // Selected once the images are in, so the thumbnail view is rebuilt from the whole album.
    if (doc.albumCount() > 0) doc.selectAlbum(0);
    if (!complete) doc.prompter().tell(kWrongFile, MessageIcon::Error);
    file.reset();
    doc.commitState();
    return complete ? ProjectResult::Ok : ProjectResult::Damaged;
}

ProjectResult saveProject(const CBuilderDoc& doc, const std::string& path, RecentList& recent)
{
    const std::string temporary = temporaryPathFor(path);
    FilePtr file(targetCanBeReplaced(path) ? openFile(temporary, "wb") : nullptr);
    if (!file) {
        doc.prompter().tell(kCannotSave, MessageIcon::Error);
        return ProjectResult::CannotSave;
    }
    recent.putAtHead(path);  // before any content is written, even if writing then fails

    bool written = false;
    try {
        BinaryWriter out(file.get());
        writeGallery(out, doc);
        written = out.flush() && syncToDisk(file.get());
    } catch (const std::bad_alloc&) {
    }
    written = std::fclose(file.release()) == 0 && written;
    if (!written || !replaceFile(temporary, path)) {
        removeFile(temporary);
        doc.prompter().tell(kWrongFile, MessageIcon::Error);
        return ProjectResult::WriteFailed;
    }
    return ProjectResult::Ok;
}
