#pragma once
// A private profile (INI) file held in memory: sections, "key=value" entries, and every other
// line (comments, blank lines, unknown entries, garbage) kept verbatim so a rewrite loses
// nothing it did not change.
//
// Reading follows the system's profile functions: section and key names match without regard
// to ASCII case, whitespace around names, '=' and values is ignored, lines starting with ';'
// or '#' are comments, and a value wrapped in matching quotes loses them. The first matching
// section and the first matching key in it win. Any byte sequence parses; nothing throws.
// Writing produces CR LF line ends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Text as read from disk; a UTF-8 BOM is kept, a UTF-16LE file (BOM FF FE) is read as
    // UTF-8 and written back as UTF-8.
    static IniFile parse(std::string_view bytes);

    // The value of a key, or nothing when the section or key is absent.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Sets a key, adding the key (after the section's last entry) or the section (at the end)
    // when missing. False, and nothing changed, when the names or the value cannot be
    // represented: line breaks or NUL anywhere, ']' in the section, '=' in the key, a key
    // starting with '[', ';' or '#', or names with outer whitespace or empty.
    bool setValue(std::string_view section, std::string_view key, std::string_view value);

    // The whole file, CR LF after every line.
    std::string text() const;

private:
    enum class LineKind { Other, Section, Entry };
    struct Line {
        LineKind kind = LineKind::Other;
        std::string raw;    // the line as read, without its line end
        std::string name;   // section name or key, trimmed
        std::string value;  // entry value, trimmed and unquoted
    };

    // Index of the first section header with this name, or npos.
    size_t findSection(std::string_view section) const;
    // End of a section's lines: the next header or the end of the file.
    size_t sectionEnd(size_t header) const;

    std::vector<Line> lines_;
    bool utf8Bom_ = false;
};

// True when setValue would accept these names and value (shared with the Windows back end,
// whose system functions would otherwise write a broken file).
bool isStorableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// A value as it is written after '=': quoted when reading would otherwise strip its outer
// whitespace or quotes.
std::string profileValueText(std::string_view value);

// Reads an INI file. A missing file gives an empty IniFile; a file that exists but cannot be
// read, or is implausibly large for a settings file, gives nothing.
std::optional<IniFile> loadIniFile(const std::string& path);
// Writes through a new temporary file in the same folder renamed over the target (the file a
// link leads to), so a failed or concurrent write leaves a whole file.
bool saveIniFile(const std::string& path, const IniFile& ini);
