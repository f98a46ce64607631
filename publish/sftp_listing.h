#pragma once
// One line of the OpenSSH client's long listing ("ls -lna"), as a server's answer: read as hostile
// text. The client prints it in the C locale and, since we start it with TZ=UTC0, in UTC:
//
//   drwxr-xr-x    2 1000     1000         4096 Dec  9 17:28 /srv/www/photos
//   -rw-r--r--    ? root     root            3 Jan  1  2023 /srv/www/a.txt
//
// The time shows hours and minutes for a file of the last six months, its year for an older one;
// its stamp (remote_manifest.h) is kept as the client showed it, so a later listing matches it
// whichever of the two it shows then.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SftpListingEntry {
    char kind = 0;  // the first letter of the mode: '-' a file, 'd' a folder, 'l' a link, ...
    uint64_t size = 0;
    int month = 0;     // 1..12
    int day = 0;       // 1..31
    int year = 0;      // when the time shows a year; 0 otherwise
    int minutes = -1;  // hours * 60 + minutes when the time shows them; -1 otherwise
    std::string path;  // as listed: the path given to ls, joined with the entry's name
};

std::optional<SftpListingEntry> parseSftpListing(std::string_view line);

// The entry's time as a stamp: "2024-12-09 17:28", its year `currentYear` (the listing shows the
// time of day only for a file of the last six months, so the stamp of a file just uploaded is
// whole), or "2023-01-01" when the listing shows the year.
std::string sftpStamp(const SftpListingEntry& entry, int currentYear);
// True when a listing of the file still shows the time recorded in `stamp`: the day and minute
// when it shows them, the day and year when it shows a year.
bool sftpStampMatches(std::string_view stamp, const SftpListingEntry& entry);
