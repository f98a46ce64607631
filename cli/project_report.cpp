#include "cli/project_report.h"

#include <iomanip>
#include <unordered_map>
#include <vector>

#include "cli/json_text.h"
#include "cli/setting_values.h"
#include "gallery/builder_doc.h"

namespace {

// Positions in images() of each album key's images, in list order; one pass over the list.
std::unordered_map<int32_t, std::vector<size_t>> imagesByAlbumKey(const CBuilderDoc& doc)
{
    std::unordered_map<int32_t, std::vector<size_t>> byKey;
    for (size_t i = 0; i < doc.images().size(); ++i) byKey[doc.images()[i].albumKey].push_back(i);
    return byKey;
}

std::string countText(size_t count, const char* noun)
{
    if (count == 0) return std::string("no ") + noun + "s";
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string settingText(const CBuilderDoc& doc, const SettingInfo& s)
{
    switch (s.kind) {
    case SettingKind::Text: return jsonString(doc.*s.text);
    case SettingKind::Colour: return htmlColour(s.numberIn(doc));
    case SettingKind::Integer: break;
    }
    return std::to_string(s.numberIn(doc));
}

void writeImageLine(std::ostream& out, const Image& image, const std::string& label)
{
    out << "  " << label << "  " << jsonString(image.path);
    if (image.rotation != 0) out << "  rotated " << image.rotation;
    if (!image.comment.empty()) out << "  comment " << jsonString(image.comment);
    out << '\n';
}

void writeAlbums(std::ostream& out, const CBuilderDoc& doc,
                 const std::unordered_map<int32_t, std::vector<size_t>>& byKey)
{
    int position = 0;
    for (const Album& album : doc.albums()) {
        auto found = byKey.find(album.key);
        size_t count = found == byKey.end() ? 0 : found->second.size();
        out << "  " << ++position << "  " << jsonString(album.title) << "  " << countText(count, "image") << '\n';
        if (!album.caption.empty()) out << "     caption " << jsonString(album.caption) << '\n';
    }
}

}  // namespace

void writeAlbumList(std::ostream& out, const CBuilderDoc& doc) { writeAlbums(out, doc, imagesByAlbumKey(doc)); }

void writeAlbumListJson(std::ostream& out, const CBuilderDoc& doc)
{
    const auto byKey = imagesByAlbumKey(doc);
    const char* separator = "[\n  ";
    int position = 0;
    for (const Album& album : doc.albums()) {
        auto found = byKey.find(album.key);
        out << separator << "{\"position\": " << ++position << ", \"key\": " << album.key
            << ", \"title\": " << jsonString(album.title) << ", \"caption\": " << jsonString(album.caption)
            << ", \"imageCount\": " << (found == byKey.end() ? 0 : found->second.size()) << '}';
        separator = ",\n  ";
    }
    out << (doc.albums().empty() ? "[]\n" : "\n]\n");
}

void writeProjectText(std::ostream& out, const CBuilderDoc& doc)
{
    out << "Settings\n";
    for (const SettingInfo& s : allSettings())
        out << "  " << std::left << std::setw(25) << s.name << settingText(doc, s) << '\n';

    const auto byKey = imagesByAlbumKey(doc);
    out << "Albums: " << doc.albumCount() << '\n';
    writeAlbums(out, doc, byKey);

    size_t placed = 0;
    int position = 0;
    for (const Album& album : doc.albums()) {
        ++position;
        auto found = byKey.find(album.key);
        if (found == byKey.end()) continue;
        out << "Images of album " << position << ' ' << jsonString(album.title) << '\n';
        int row = 0;
        for (size_t p : found->second) writeImageLine(out, doc.images()[p], std::to_string(++row));
        placed += found->second.size();
    }
    // Kept in the file but shown in no album: say so rather than hide them.
    if (placed < doc.images().size()) {
        std::unordered_map<int32_t, bool> albumKeys;
        for (const Album& album : doc.albums()) albumKeys[album.key] = true;
        out << "Images in no album: " << doc.images().size() - placed << '\n';
        for (const Image& image : doc.images())
            if (!albumKeys.count(image.albumKey)) writeImageLine(out, image, "key " + std::to_string(image.albumKey));
    }
}

void writeProjectJson(std::ostream& out, const CBuilderDoc& doc)
{
    out << "{\n";
    for (const SettingInfo& s : allSettings()) {
        out << "  " << jsonString(s.name) << ": ";
        // Colours as "#rrggbb", as show prints them and set takes them.
        switch (s.kind) {
        case SettingKind::Text: out << jsonString(doc.*s.text); break;
        case SettingKind::Colour: out << jsonString(htmlColour(s.numberIn(doc))); break;
        case SettingKind::Integer: out << s.numberIn(doc); break;
        }
        out << ",\n";
    }
    out << "  \"albums\": [";
    const char* separator = "\n    ";
    int position = 0;
    for (const Album& album : doc.albums()) {
        // The position is what the album and image commands take; the key is what images refer to.
        out << separator << "{\"title\": " << jsonString(album.title) << ", \"caption\": " << jsonString(album.caption)
            << ", \"position\": " << ++position << ", \"key\": " << album.key << '}';
        separator = ",\n    ";
    }
    out << (doc.albums().empty() ? "],\n" : "\n  ],\n");
    out << "  \"images\": [";
    separator = "\n    ";
    for (const Image& image : doc.images()) {
        out << separator << "{\"path\": " << jsonString(image.path) << ", \"albumKey\": " << image.albumKey
            << ", \"rotation\": " << image.rotation << ", \"comment\": " << jsonString(image.comment) << '}';
        separator = ",\n    ";
    }
    out << (doc.images().empty() ? "]\n" : "\n  ]\n");
    out << "}\n";
}
