#include "generator/build_manifest.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "generator/file_ops.h"

namespace {

constexpr std::string_view kHeader = "fotoloom-manifest 2";
constexpr std::string_view kFirstHeader = "fotoloom-manifest 1";  // sizes only
constexpr uint64_t kMaxManifestBytes = uint64_t{256} << 20;

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

// Tabs and line ends separate the fields and records; "%" escapes them and itself.
std::string escapeField(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '%': out += "%25"; break;
        case '\t': out += "%09"; break;
        case '\n': out += "%0A"; break;
        case '\r': out += "%0D"; break;
        default: out += c;
        }
    }
    return out;
}

bool unescapeField(std::string_view s, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (s.size() - i < 3) return false;
        const int hi = hexValue(s[i + 1]);
        const int lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos) return fields;
        from = tab + 1;
    }
}

namespace {

template <typename T> bool parseNumber(std::string_view s, T& value, int base = 10)
{
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

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

}  // namespace

bool isGalleryFileName(std::string_view name)
{
    const size_t slash = name.find('/');
    if (slash == std::string_view::npos) return isPlainFileName(name);
    const std::string_view folder = name.substr(0, slash);
    if (folder != "images" && folder != "photos" && folder != "thumbs") return false;
    return isPlainFileName(name.substr(slash + 1));
}

static std::string hexText(uint64_t value)
{
    char digits[17];
    const auto [end, ec] = std::to_chars(digits, digits + 16, value, 16);
    (void)ec;
    return std::string(digits, end);
}

std::string manifestText(const BuildManifest& m)
{
    std::string out(kHeader);
    out += '\n';
    for (const auto& [name, file] : m.files)
        out += "F\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name) + '\n';
    for (const auto& [photo, p] : m.pictures) {
        out += "P\t" + escapeField(photo) + '\t' + escapeField(p.thumbName) + '\t' + std::to_string(p.sourceSize) +
               '\t' + std::to_string(p.sourceModified) + '\t' + hexText(p.sourceHash) + '\t' + escapeField(p.shape) +
               '\t' + escapeField(p.source) + '\n';
    }
    return out;
}

BuildManifest parseManifest(std::string_view text)
{
    BuildManifest m;
    size_t from = 0;
    bool first = true;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            // Not ours, or a format we do not know: trust none of it.
            if (line != kHeader && line != kFirstHeader) return {};
            first = false;
            continue;
        }
        const auto fields = splitFields(line);
        if (fields[0] == "F") {
            parseFileLine(fields, m);
        } else if (fields[0] == "P") {
            parsePictureLine(fields, m);
        }
    }
    return m;
}

BuildManifest readManifest(const std::string& path)
{
    if (inspectFile(path).kind != FileKind::Regular) return {};
    std::string text;
    if (!readFileBytes(path, text, kMaxManifestBytes)) return {};
    return parseManifest(text);
}

bool writeManifest(const std::string& path, const BuildManifest& manifest,
                   const std::function<bool(const std::string& temporaryName)>& created)
{
    std::optional<TemporaryFile> temporary = TemporaryFile::createBeside(path);
    if (!temporary || (created && !created(fileNameOf(temporary->path())))) return false;
    const std::string text = manifestText(manifest);
    if (std::fwrite(text.data(), 1, text.size(), temporary->file()) != text.size()) return false;
    return temporary->commitOver(path);
}
