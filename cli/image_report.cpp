#include "cli/image_report.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <unordered_map>
#include <vector>

#include "cli/json_text.h"
#include "gallery/builder_doc.h"

namespace {

namespace fs = std::filesystem;

struct ListedImage {
    const Image* image;
    std::optional<int> album;  // 1-based; none for an image in no album
    std::optional<int> row;    // 1-based within the album
};

// In album order, as the image commands number them; then what the file keeps in no album,
// which no command can reach but which is there all the same. One pass over the images.
std::vector<ListedImage> imagesToList(const CBuilderDoc& doc, std::optional<int> albumRow)
{
    std::unordered_map<int32_t, std::vector<const Image*>> byKey;
    for (const Image& image : doc.images()) byKey[image.albumKey].push_back(&image);
    std::vector<ListedImage> listed;
    const auto& albums = doc.albums();
    for (size_t a = 0; a < albums.size(); ++a) {
        if (albumRow && static_cast<size_t>(*albumRow) != a) continue;
        auto found = byKey.find(albums[a].key);
        if (found == byKey.end()) continue;
        int row = 0;
        for (const Image* image : found->second) listed.push_back({image, static_cast<int>(a) + 1, ++row});
    }
    if (albumRow) return listed;
    std::unordered_map<int32_t, bool> albumKeys;
    for (const Album& album : albums) albumKeys[album.key] = true;
    for (const Image& image : doc.images())
        if (!albumKeys.count(image.albumKey)) listed.push_back({&image, std::nullopt, std::nullopt});
    return listed;
}

std::string utcText(std::chrono::sys_seconds when)
{
    using namespace std::chrono;
    const sys_days day = floor<days>(when);
    const year_month_day date(day);
    const hh_mm_ss<seconds> time(when - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

// A text as one field of a tab-separated line.
std::string fieldText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

void forEachListed(const CBuilderDoc& doc, std::optional<int> albumRow,
                   const std::function<void(const ListedImage&, const std::optional<PictureFileFacts>&)>& each)
{
    for (const ListedImage& listed : imagesToList(doc, albumRow)) each(listed, pictureFileFacts(listed.image->path));
}

}  // namespace

std::optional<PictureFileFacts> pictureFileFacts(const std::string& path)
{
    const fs::path p(std::u8string(path.begin(), path.end()));
    std::error_code error;
    // Through links, as the build reads the picture.
    if (!fs::is_regular_file(fs::status(p, error)) || error) return std::nullopt;
    const uintmax_t size = fs::file_size(p, error);
    if (error) return std::nullopt;
    const fs::file_time_type when = fs::last_write_time(p, error);
    if (error) return std::nullopt;
    const auto seconds = std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(when));
    return PictureFileFacts{static_cast<uint64_t>(size), utcText(seconds)};
}

void writeImageList(std::ostream& out, const CBuilderDoc& doc, std::optional<int> albumRow)
{
    forEachListed(doc, albumRow, [&](const ListedImage& l, const std::optional<PictureFileFacts>& facts) {
        if (l.album) out << *l.album;
        out << '\t';
        if (l.row) out << *l.row;
        out << '\t' << fieldText(l.image->path) << '\t' << l.image->rotation << '\t' << fieldText(l.image->comment)
            << '\t';
        if (facts)
            out << facts->size << '\t' << facts->modified;
        else
            out << '\t';
        out << '\n';
    });
}

void writeImageListJson(std::ostream& out, const CBuilderDoc& doc, std::optional<int> albumRow)
{
    const char* separator = "[\n  ";
    bool any = false;
    forEachListed(doc, albumRow, [&](const ListedImage& l, const std::optional<PictureFileFacts>& facts) {
        any = true;
        out << separator << "{\"album\": " << (l.album ? std::to_string(*l.album) : "null")
            << ", \"position\": " << (l.row ? std::to_string(*l.row) : "null")
            << ", \"file\": " << jsonString(l.image->path) << ", \"rotation\": " << l.image->rotation
            << ", \"comment\": " << jsonString(l.image->comment)
            << ", \"size\": " << (facts ? std::to_string(facts->size) : "null")
            << ", \"modified\": " << (facts ? jsonString(facts->modified) : "null") << '}';
        separator = ",\n  ";
    });
    out << (any ? "\n]\n" : "[]\n");
}
