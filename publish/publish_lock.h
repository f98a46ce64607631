#pragma once
// Who holds a destination: two publishes to one destination at once would remove each other's new
// files, so each destination takes a lock for a publish (a folder made in one step over SFTP, a
// held file in a folder, a lock object on S3) and names its holder in it. A holder that has
// ended without letting go (killed, a machine switched off) is known as such: on this machine by
// its process no longer running, elsewhere by a lease it stopped renewing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char kLockFolderName[] = ".fotoloom-lock";
// A publish renews its lock at least this often while it works; a lock not renewed for
// kLockLeaseSeconds was left behind.
inline constexpr int64_t kLockRenewSeconds = 5 * 60;
inline constexpr int64_t kLockLeaseSeconds = 30 * 60;

struct LockHolder {
    std::string host;  // letters, digits, '.', '-' and '_' only
    unsigned long pid = 0;
    uint64_t run = 0;     // which publish of that process
    int64_t renewed = 0;  // seconds since 1970, by the holder's clock
};

// This process, renewing now; `run` 0.
LockHolder thisPublisher(int64_t now);
// A holder for a new publish of this process, known as live (lockIsStale) until forgotten: a
// publish that lost its server before it could let go leaves a lock that the next publish of
// the same program takes over.
LockHolder newLockHolder(int64_t now);
void forgetLockHolder(const LockHolder& holder);
// Seconds since 1970 by this machine's clock.
int64_t secondsNow();
// Whether the process `pid` of this machine still runs (also when it is another user's).
bool processRuns(unsigned long pid);

// "host=NAME pid=N run=R renewed=T": a file name as well as a line of text.
std::string lockHolderText(const LockHolder& holder);
std::optional<LockHolder> parseLockHolder(std::string_view text);
// True when the holder is gone: its process of this machine has ended (or is this one, and the
// publish ended), or it did not renew its lease in time (by our clock).
bool lockIsStale(const LockHolder& holder, int64_t now);
// "another publish to D is under way (from H, process P, last seen at T UTC); ...", and how a lock
// left behind goes when `where` (the lock's place, for removing it by hand) is given.
std::string lockHeldMessage(const std::string& destination, const LockHolder& holder, const std::string& where);
