#include "gallery/ini_file.h"

#include <cstdio>
#include <memory>

#include "base/file_system.h"
#include "base/text_utf16.h"

namespace {

// A settings file beyond this is not ours; refusing it avoids reading a huge file whole.
constexpr size_t kMaxIniBytes = 16 * 1024 * 1024;

constexpr std::string_view kSpaces = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s)
{
    size_t first = s.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    size_t last = s.find_last_not_of(kSpaces);
    return s.substr(first, last - first + 1);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

bool isQuoted(std::string_view s) { return s.size() >= 2 && isQuote(s.front()) && s.front() == s.back(); }

std::string_view unquote(std::string_view s) { return isQuoted(s) ? s.substr(1, s.size() - 2) : s; }

bool hasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

std::string decodeUtf16Le(std::string_view bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        auto lo = static_cast<unsigned char>(bytes[2 * i]);
        auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return utf16ToUtf8(units);
}

}  // namespace

std::string profileValueText(std::string_view value)
{
    bool needsQuotes = !value.empty() && (trim(value).size() != value.size() || isQuoted(value));
    return needsQuotes ? '"' + std::string(value) + '"' : std::string(value);
}

bool isStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value)
{
    if (section.empty() || key.empty()) return false;
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value)) return false;
    if (trim(section) != section || trim(key) != key) return false;
    if (section.find(']') != section.npos || key.find('=') != key.npos) return false;
    return key.front() != '[' && key.front() != ';' && key.front() != '#';
}

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile ini;
    std::string decoded;
    if (bytes.starts_with("\xFF\xFE")) {
        decoded = decodeUtf16Le(bytes.substr(2));
        bytes = decoded;
    }
    // Also after UTF-16, so that a second mark there reads the same once written as UTF-8.
    if (bytes.starts_with(kUtf8Bom)) {
        ini.utf8Bom_ = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }

    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view raw = bytes.substr(0, end);
        bytes.remove_prefix(end == bytes.npos ? bytes.size() : end + 1);
        if (raw.ends_with('\r')) raw.remove_suffix(1);

        Line line;
        line.raw = raw;
        std::string_view text = trim(raw);
        if (text.starts_with('[')) {
            line.kind = LineKind::Section;
            line.name = trim(text.substr(1, text.find(']') - 1));
        } else if (!text.starts_with(';') && !text.starts_with('#')) {
            size_t equals = text.find('=');
            if (equals != text.npos && !trim(text.substr(0, equals)).empty()) {
                line.kind = LineKind::Entry;
                line.name = trim(text.substr(0, equals));
                line.value = unquote(trim(text.substr(equals + 1)));
            }
        }
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

size_t IniFile::findSection(std::string_view section) const
{
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Section && sameName(lines_[i].name, section)) return i;
    return std::string::npos;
}

size_t IniFile::sectionEnd(size_t header) const
{
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
    return i;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    size_t header = findSection(section);
    if (header == std::string::npos) return std::nullopt;
    for (size_t i = header + 1, end = sectionEnd(header); i < end; ++i)
        if (lines_[i].kind == LineKind::Entry && sameName(lines_[i].name, key)) return lines_[i].value;
    return std::nullopt;
}

bool IniFile::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    if (!isStorableProfileEntry(section, key, value)) return false;

    size_t header = findSection(section);
    if (header == std::string::npos) {
        if (!lines_.empty() && !trim(lines_.back().raw).empty()) lines_.push_back({});
        lines_.push_back({LineKind::Section, '[' + std::string(section) + ']', std::string(section), {}});
        header = lines_.size() - 1;
    }

    size_t insertAt = header + 1;
    for (size_t i = header + 1, end = sectionEnd(header); i < end; ++i) {
        Line& line = lines_[i];
        if (line.kind != LineKind::Entry) continue;
        if (sameName(line.name, key)) {
            line.raw = line.name + '=' + profileValueText(value);
            line.value = value;
            return true;
        }
        insertAt = i + 1;
    }
    Line entry{LineKind::Entry, std::string(key) + '=' + profileValueText(value), std::string(key), std::string(value)};
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    return true;
}

std::string IniFile::text() const
{
    std::string out = utf8Bom_ ? std::string(kUtf8Bom) : std::string();
    for (const Line& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

std::optional<IniFile> loadIniFile(const std::string& path)
{
    // A pipe or device is refused without waiting on it; only a missing file reads as empty.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openRegularFile(path), std::fclose);
    if (!file) {
        std::optional<std::string> real = resolveLinks(path);
        if (!real || inspectFile(*real).kind != FileKind::Missing) return std::nullopt;
        return IniFile{};
    }
    std::string bytes;
    char chunk[16384];
    for (;;) {
        size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n == 0) break;
        if (bytes.size() + n > kMaxIniBytes) return std::nullopt;
        bytes.append(chunk, n);
    }
    if (std::ferror(file.get())) return std::nullopt;
    return IniFile::parse(bytes);
}

bool saveIniFile(const std::string& path, const IniFile& ini)
{
    const std::string text = ini.text();
    std::optional<std::string> real = resolveLinks(path);  // a linked settings file stays linked
    if (!real) return false;
    std::optional<TemporaryFile> temporary = TemporaryFile::createBeside(*real);
    if (!temporary) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), temporary->file()) == text.size();
    if (!written || !temporary->commitOver(*real)) return false;
    // As with projects: a save killed part way left "last.ini.<random>.tmp", which nothing else removes.
    removeAbandonedTemporariesOf(*real, kAbandonedTemporaryAge);
    return true;
}
