#include "gallery/project_file.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "base/file_system.h"
#include "gallery/ansi_text.h"
#include "gallery/binary_stream.h"
#include "gallery/builder_doc.h"
#include "gallery/project_extension.h"
#include "gallery/recent_list.h"

namespace {

constexpr char kPreviousKept[] = "The previous file was kept.";
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
    text = stored.wide ? utf8FromWide(stored.units) : utf8FromAnsi(stored.narrow);
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

// The blocks after the last field (gallery/project_extension.h). Bytes that do not begin with
// the magic were never this program's and are passed over, as they always were.
bool readExtensions(BinaryReader& in, GallerySettings& settings)
{
    constexpr size_t kHeader = sizeof kExtensionMagic + 8;
    while (in.remaining() >= sizeof kExtensionMagic) {
        std::string block;
        if (!in.readRaw(block, sizeof kExtensionMagic)) return false;
        if (block != std::string_view(kExtensionMagic, sizeof kExtensionMagic)) return true;
        int32_t version, length;
        if (!in.readInt32(version) || !in.readInt32(length)) return false;
        std::string payload;
        if (!in.readRaw(payload, static_cast<uint32_t>(length))) return false;
        if (static_cast<uint32_t>(version) != kExtensionVersion) {
            block.reserve(kHeader + payload.size());
            for (int32_t field : {version, length})
                for (int shift = 0; shift < 32; shift += 8) block += static_cast<char>((field >> shift) & 0xFF);
            settings.keptExtensions.blocks.push_back(block + payload);
            continue;
        }
        std::optional<std::vector<ExtensionRecord>> records = parseExtensionRecords(payload);
        if (!records) return false;
        applyExtensionRecords(settings, std::move(*records));
    }
    return true;
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
    for (const SettingInfo& setting : integerSettings()) {
        int32_t value;
        if (!in.readInt32(value)) return false;
        setting.setNumber(doc, value);
    }
    // A reader of the original format stops here: what follows is the extension block's.
    return readText(in, doc.homePageUrl) && readExtensions(in, doc);
}

// --- Writing ---------------------------------------------------------------------------------

// The narrow form when it holds the text exactly, else the wide form, so nothing is lost.
void writeText(BinaryWriter& out, const std::string& text)
{
    if (std::optional<std::string> narrow = ansiFromUtf8(text))
        out.writeNarrowString(*narrow);
    else
        out.writeWideString(wideFromUtf8(text));
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
    for (const SettingInfo& setting : integerSettings()) out.writeInt32(setting.numberIn(doc));
    writeText(out, doc.homePageUrl);
    // Nothing at all when every setting of the block is at its default: the file stays as ever.
    if (std::vector<ExtensionRecord> records = extensionRecordsOf(doc); !records.empty())
        out.writeRaw(encodeExtensionBlock(records));
    for (const std::string& block : doc.keptExtensions.blocks) out.writeRaw(block);
}

// Where a save goes: the file itself, not a link to it; nothing when the path can only fail
// (a folder, a pipe or device, a link loop, a file we may not write). Opening for update tests
// the permission without changing a byte.
std::optional<std::string> saveTarget(const std::string& path, FileFacts& facts)
{
    std::optional<std::string> real = resolveLinks(path);
    if (!real) return std::nullopt;
    facts = inspectFile(*real);
    if (facts.kind == FileKind::Missing) return real;  // creating the temporary file tests the folder
    if (facts.kind != FileKind::Regular || !FilePtr(openFile(*real, "r+b"))) return std::nullopt;
    return real;
}

ProjectResult writeFailed(const CBuilderDoc& doc, bool previousKept)
{
    doc.prompter().tell(
        previousKept ? std::string(kWrongGalFileMessage) + "\n" + kPreviousKept : std::string(kWrongGalFileMessage),
        MessageIcon::Error);
    return ProjectResult::WriteFailed;
}

// A file with several names: a rename would leave the others on the old content, so the new
// content is made whole in memory and then written over the file itself.
ProjectResult saveInPlace(const CBuilderDoc& doc, const std::string& real)
{
    std::string bytes;
    try {
        BinaryWriter out(bytes);
        writeGallery(out, doc);
        out.flush();
    } catch (const std::bad_alloc&) {
        return writeFailed(doc, true);
    }
    switch (overwriteFile(real, bytes)) {
    case OverwriteResult::Done: return ProjectResult::Ok;
    case OverwriteResult::Untouched: return writeFailed(doc, true);
    case OverwriteResult::Damaged: break;
    }
    return writeFailed(doc, false);
}

}  // namespace

ProjectResult loadProject(CBuilderDoc& doc, const std::string& path)
{
    // Nothing is reset and nothing is written when the file cannot be read.
    FilePtr file(openRegularFile(path));
    std::optional<uint64_t> size = file ? regularFileSize(file.get()) : std::nullopt;
    if (!size) {
        doc.prompter().tell(kCannotOpenGalleryMessage, MessageIcon::Error);
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
    // Whatever the file says, the settings stay within what the settings panel offers: the
    // build sizes its pages and pictures by them.
    bringIntoRange(doc);
    // Selected once the images are in, so the thumbnail view is rebuilt from the whole album.
    if (doc.albumCount() > 0) doc.selectAlbum(0);
    if (!complete) doc.prompter().tell(kWrongGalFileMessage, MessageIcon::Error);
    file.reset();
    doc.commitState();
    return complete ? ProjectResult::Ok : ProjectResult::Damaged;
}

ProjectResult saveProject(const CBuilderDoc& doc, const std::string& path, RecentList& recent)
{
    FileFacts facts;
    std::optional<std::string> real = saveTarget(path, facts);
    const bool inPlace = real && facts.hardLinks > 1;
    std::optional<TemporaryFile> temporary;
    if (real && !inPlace) temporary = TemporaryFile::createBeside(*real);
    if (!inPlace && !temporary) {
        doc.prompter().tell(kCannotSaveGalleryMessage, MessageIcon::Error);
        return ProjectResult::CannotSave;
    }
    recent.putAtHead(path);  // before any content is written, even if writing then fails
    if (inPlace) return saveInPlace(doc, *real);

    bool written = false;
    try {
        BinaryWriter out(temporary->file());
        writeGallery(out, doc);
        written = out.flush();
    } catch (const std::bad_alloc&) {
    }
    if (!written || !temporary->commitOver(*real)) {
        temporary->discard();
        return writeFailed(doc, facts.kind == FileKind::Regular);
    }
    // A save killed part way left "Trip.gal.<random>.tmp"; no save still writes it.
    removeAbandonedTemporariesOf(*real, kAbandonedTemporaryAge);
    return ProjectResult::Ok;
}
