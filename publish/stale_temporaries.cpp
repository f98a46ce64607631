#include "publish/stale_temporaries.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "generator/record_fields.h"
#include "publish/publish_lock.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr const char* kPrefixes[] = {"fotoloom-askpass-", "fotoloom-sftp-"};
constexpr auto kOldWithoutProcess = std::chrono::hours(24);

bool ownedByUs([[maybe_unused]] const std::filesystem::path& path)
{
#ifdef _WIN32
    return true;  // the temporary folder is the user's own
#else
    struct stat facts {};
    return lstat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) && facts.st_uid == getuid();
#endif
}

}  // namespace

std::string temporaryFolderStem(const char* prefix)
{
    return std::string(prefix) + std::to_string(thisPublisher(0).pid) + "-";
}

size_t removeStaleTemporaries(const std::string& temporary)
{
    size_t removed = 0;
    std::error_code failure;
    const std::filesystem::path folder(std::u8string(temporary.begin(), temporary.end()));
    std::filesystem::directory_iterator entries(folder, failure), end;
    for (; !failure && entries != end; entries.increment(failure)) {
        const auto u8 = entries->path().filename().u8string();
        const std::string name(u8.begin(), u8.end());
        for (const char* prefix : kPrefixes) {
            const std::string_view stem(prefix);
            if (!name.starts_with(stem) || !ownedByUs(entries->path())) continue;
            const std::string_view rest = std::string_view(name).substr(stem.size());
            unsigned long pid = 0;
            const size_t dash = rest.find('-');
            bool stale;
            if (dash != std::string_view::npos && parseNumber(rest.substr(0, dash), pid)) {
                stale = !processRuns(pid);
            } else {
                std::error_code ignored;
                const auto changed = std::filesystem::last_write_time(entries->path(), ignored);
                stale = !ignored && std::filesystem::file_time_type::clock::now() - changed > kOldWithoutProcess;
            }
            std::error_code ignored;
            if (stale && std::filesystem::remove_all(entries->path(), ignored) > 0 && !ignored) ++removed;
        }
    }
    return removed;
}
