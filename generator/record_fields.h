#pragma once
// What the build's record files (the manifest, the journals) share: one record a line, fields
// separated by tabs, the first line naming the format; names escaped so that no tab or line end
// gets into a field. Both files are outside input: nothing here trusts them.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Tabs, line ends and "%" in a name or path as "%09", "%0A", "%0D", "%25"; and back (false for
// an escape that does not parse).
std::string escapeField(std::string_view s);
bool unescapeField(std::string_view s, std::string& out);
// A line's tab-separated fields.
std::vector<std::string_view> splitFields(std::string_view line);

// A whole field as a number (hexadecimal with base 16); nothing else in it.
template <typename T> bool parseNumber(std::string_view s, T& value, int base = 10)
{
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

// The records after the first line, each as its fields, handed to `record`; nothing when the
// first line is not accepted by `header`. A line end may be "\n" or "\r\n".
using HeaderCheck = std::function<bool(std::string_view firstLine)>;
using RecordSink = std::function<void(const std::vector<std::string_view>& fields)>;
void readRecords(std::string_view text, const HeaderCheck& header, const RecordSink& record);

// The same, read line by line from an open file, taking at most `budget` bytes of it (counted
// down); a line longer than `longestLine` is passed over. False when the budget ran out before
// the end of the file.
bool readRecords(std::FILE* file, uint64_t& budget, size_t longestLine, const HeaderCheck& header,
                 const RecordSink& record);
