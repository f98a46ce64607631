#include "publish/sftp_listing.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool number(std::string_view text, uint64_t limit, uint64_t& value)
{
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= limit;
}

// The next field of `line` from `at` on (fields are parted by runs of spaces).
bool field(std::string_view line, size_t& at, std::string_view& out)
{
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) return false;
    const size_t end = std::min(line.find(' ', at), line.size());
    out = line.substr(at, end - at);
    at = end;
    return true;
}

}  // namespace

std::optional<SftpListingEntry> parseSftpListing(std::string_view line)
{
    // mode, links, owner, group, size, month, day, time or year, then one space and the path
    std::array<std::string_view, 8> f;
    size_t at = 0;
    for (std::string_view& part : f)
        if (!field(line, at, part)) return std::nullopt;
    if (f[0].size() != 10 || at + 1 >= line.size()) return std::nullopt;
    SftpListingEntry entry;
    entry.kind = f[0][0];
    uint64_t value = 0;
    if (!number(f[4], UINT64_MAX / 10, entry.size)) return std::nullopt;
    for (size_t m = 0; m < kMonths.size(); ++m)
        if (f[5] == kMonths[m]) entry.month = static_cast<int>(m) + 1;
    if (entry.month == 0 || !number(f[6], 31, value) || value == 0) return std::nullopt;
    entry.day = static_cast<int>(value);
    const std::string_view time = f[7];
    if (time.size() == 5 && time[2] == ':') {
        uint64_t hours = 0, minutes = 0;
        if (!number(time.substr(0, 2), 23, hours) || !number(time.substr(3), 59, minutes)) return std::nullopt;
        entry.minutes = static_cast<int>(hours * 60 + minutes);
    } else if (number(time, 9999, value) && time.size() == 4 && value > 0) {
        entry.year = static_cast<int>(value);
    } else {
        return std::nullopt;
    }
    entry.path = std::string(line.substr(at + 1));
    return entry;
}

std::string sftpStamp(const SftpListingEntry& entry, int currentYear)
{
    char text[32];
    if (entry.minutes >= 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", currentYear, entry.month, entry.day,
                      entry.minutes / 60, entry.minutes % 60);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", entry.year, entry.month, entry.day);
    return text;
}

bool sftpStampMatches(std::string_view stamp, const SftpListingEntry& entry)
{
    const std::string listed = sftpStamp(entry, 0);
    // "YYYY-MM-DD HH:MM" against a listing of the day and minute: all but the year.
    if (entry.minutes >= 0) return stamp.size() == 16 && stamp.substr(4) == std::string_view(listed).substr(4);
    return stamp.substr(0, 10) == listed;
}
