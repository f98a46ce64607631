#include "publish/publish_lock.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>
#include <set>

#include "generator/record_fields.h"

namespace {

std::string utcText(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &t);
#else
    gmtime_r(&t, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

bool hostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

std::mutex liveMutex;
std::set<uint64_t>& liveRuns()
{
    static std::set<uint64_t> runs;
    return runs;
}

}  // namespace

LockHolder newLockHolder(int64_t now)
{
    std::random_device random;
    LockHolder holder = thisPublisher(now);
    holder.run = (uint64_t{random()} << 32 | random()) | 1;
    std::lock_guard<std::mutex> lock(liveMutex);
    liveRuns().insert(holder.run);
    return holder;
}

void forgetLockHolder(const LockHolder& holder)
{
    std::lock_guard<std::mutex> lock(liveMutex);
    liveRuns().erase(holder.run);
}

int64_t secondsNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string lockHolderText(const LockHolder& holder)
{
    return "host=" + holder.host + " pid=" + std::to_string(holder.pid) + " run=" + std::to_string(holder.run) +
           " renewed=" + std::to_string(holder.renewed);
}

std::optional<LockHolder> parseLockHolder(std::string_view text)
{
    LockHolder holder;
    const std::string_view parts[] = {"host=", " pid=", " run=", " renewed="};
    std::string_view fields[4];
    for (int k = 0; k < 4; ++k) {
        if (!text.starts_with(parts[k])) return std::nullopt;
        text.remove_prefix(parts[k].size());
        const size_t end = k < 3 ? text.find(' ') : text.size();
        if (end == std::string_view::npos) return std::nullopt;
        fields[k] = text.substr(0, end);
        text.remove_prefix(end);
    }
    if (fields[0].empty() || fields[0].size() > 64) return std::nullopt;
    for (char c : fields[0])
        if (!hostCharacter(c)) return std::nullopt;
    holder.host = std::string(fields[0]);
    if (!parseNumber(fields[1], holder.pid) || !parseNumber(fields[2], holder.run) ||
        !parseNumber(fields[3], holder.renewed))
        return std::nullopt;
    return holder;
}

bool lockIsStale(const LockHolder& holder, int64_t now)
{
    const LockHolder self = thisPublisher(now);
    if (holder.host == self.host) {
        if (!processRuns(holder.pid)) return true;
        if (holder.pid == self.pid) {
            std::lock_guard<std::mutex> lock(liveMutex);
            return !liveRuns().contains(holder.run);
        }
    }
    return now - holder.renewed > kLockLeaseSeconds;
}

std::string lockHeldMessage(const std::string& destination, const LockHolder& holder, const std::string& where)
{
    std::string text = "another publish to " + destination + " is under way (from " + holder.host + ", process " +
                       std::to_string(holder.pid) + ", last seen at " + utcText(holder.renewed) +
                       " UTC); publish again once it has ended";
    if (!where.empty())
        text += ". If it no longer runs, it is taken for gone " + std::to_string(kLockLeaseSeconds / 60) +
                " minutes after that, or remove " + where + " by hand";
    return text;
}
