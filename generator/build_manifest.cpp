#include "generator/build_manifest.h"

#include <string_view>
#include <vector>

#include "base/hex_text.h"
#include "generator/record_fields.h"

namespace {

constexpr std::string_view kHeader = "fotoloom-manifest 2";
constexpr std::string_view kFirstHeader = "fotoloom-manifest 1";  // sizes only
constexpr uint64_t kMaxManifestBytes = uint64_t{256} << 20;

bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

void parseFileLine(const std::vector<std::string_view>& f, BuildManifest& m)
{
    // F <size> <hash> <name>
    WrittenFile file;
    std::string name;
    if (f.size() != 4 || !parseNumber(f[1], file.size) || !parseNumber(f[2], file.hash, 16) ||
        !unescapeField(f[3], name) || !isGalleryFileName(name))
        return;
    m.files[name] = file;
}

void parsePictureLine(const std::vector<std::string_view>& f, BuildManifest& m)
{
    // P <photo> <thumb> <source size> <source time> <source hash> <shape> <source>
    PictureFingerprint p;
    std::string photo;
    if (f.size() != 8 || !unescapeField(f[1], photo) || !unescapeField(f[2], p.thumbName) ||
        !isGalleryFileName(photo) || !isGalleryFileName(p.thumbName) || !parseNumber(f[3], p.sourceSize) ||
        !parseNumber(f[4], p.sourceModified) || !parseNumber(f[5], p.sourceHash, 16) || !unescapeField(f[6], p.shape) ||
        !unescapeField(f[7], p.source))
        return;
    m.pictures[photo] = std::move(p);
}

void parseLookLine(const std::vector<std::string_view>& f, BuildManifest& m)
{
    // L <photo> <photo width> <photo height> <thumb width> <thumb height> <colour or -> <dense: p, t, pt or ->
    std::string photo;
    PictureLook look;
    uint64_t colour = 0;
    if (f.size() != 8 || !unescapeField(f[1], photo) || !parseNumber(f[2], look.photoWidth) ||
        !parseNumber(f[3], look.photoHeight) || !parseNumber(f[4], look.thumbWidth) ||
        !parseNumber(f[5], look.thumbHeight) || !look.known())
        return;
    if (f[6] != "-") {
        if (!parseNumber(f[6], colour, 16) || colour > 0xffffff) return;
        look.colour = static_cast<int32_t>(colour);
    }
    if (f[7] != "-") {
        for (char c : f[7]) {
            if (c == 'p') {
                look.densePhoto = true;
            } else if (c == 't') {
                look.denseThumb = true;
            } else {
                return;
            }
        }
    }
    // Only beside the fingerprint it belongs to, which comes first.
    if (const auto p = m.pictures.find(photo); p != m.pictures.end()) p->second.look = look;
}

std::string lookLine(const std::string& photo, const PictureLook& look)
{
    std::string dense = std::string(look.densePhoto ? "p" : "") + (look.denseThumb ? "t" : "");
    return "L\t" + escapeField(photo) + '\t' + std::to_string(look.photoWidth) + '\t' +
           std::to_string(look.photoHeight) + '\t' + std::to_string(look.thumbWidth) + '\t' +
           std::to_string(look.thumbHeight) + '\t' +
           (look.colour < 0 ? std::string("-") : hexText(static_cast<uint64_t>(look.colour))) + '\t' +
           (dense.empty() ? std::string("-") : dense) + '\n';
}

}  // namespace

bool isGalleryFileName(std::string_view name)
{
    const size_t slash = name.find('/');
    if (slash == std::string_view::npos) return isPlainFileName(name);
    const std::string_view folder = name.substr(0, slash);
    if (folder != "images" && folder != "photos" && folder != "thumbs") return false;
    return isPlainFileName(name.substr(slash + 1));
}

std::string manifestText(const BuildManifest& m)
{
    std::string out(kHeader);
    out += '\n';
    if (m.inputs) out += "I\t" + hexText(*m.inputs) + '\n';
    for (const auto& [name, file] : m.files)
        out += "F\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name) + '\n';
    for (const auto& [photo, p] : m.pictures) {
        out += "P\t" + escapeField(photo) + '\t' + escapeField(p.thumbName) + '\t' + std::to_string(p.sourceSize) +
               '\t' + std::to_string(p.sourceModified) + '\t' + hexText(p.sourceHash) + '\t' + escapeField(p.shape) +
               '\t' + escapeField(p.source) + '\n';
        if (p.look.known()) out += lookLine(photo, p.look);
    }
    return out;
}

BuildManifest parseManifest(std::string_view text)
{
    BuildManifest m;
    // Not ours, or a format we do not know: trust none of it.
    readRecords(
        text, [](std::string_view line) { return line == kHeader || line == kFirstHeader; },
        [&m](const std::vector<std::string_view>& fields) {
            if (fields[0] == "F") {
                parseFileLine(fields, m);
            } else if (fields[0] == "P") {
                parsePictureLine(fields, m);
            } else if (fields[0] == "L") {
                parseLookLine(fields, m);
            } else if (fields[0] == "I") {
                // I <hash of the build's inputs>
                uint64_t inputs = 0;
                if (fields.size() == 2 && parseNumber(fields[1], inputs, 16)) m.inputs = inputs;
            }
        });
    return m;
}

BuildManifest readManifest(const FolderHandle& galleryFolder)
{
    std::string text;
    if (!galleryFolder.readBytes(kManifestName, text, kMaxManifestBytes)) return {};
    return parseManifest(text);
}
