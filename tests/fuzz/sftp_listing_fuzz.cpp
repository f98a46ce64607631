// Any bytes as a line of the sftp client's listing (a server's answer): parsing never crashes,
// what it keeps is a date that exists on a clock, and a stamp made from an entry matches it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "publish/sftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::optional<SftpListingEntry> entry = parseSftpListing(line);
    if (!entry) return 0;
    if (entry->month < 1 || entry->month > 12 || entry->day < 1 || entry->day > 31) __builtin_trap();
    if (entry->minutes < -1 || entry->minutes >= 24 * 60 || (entry->minutes < 0) == (entry->year == 0))
        __builtin_trap();
    if (entry->path.empty() || !sftpStampMatches(sftpStamp(*entry, 2024), *entry)) __builtin_trap();
    return 0;
}
