#include "gallery/recent_list.h"

#include <utility>

#include "base/file_system.h"
#include "gallery/profile_store.h"

namespace {

constexpr char kSection[] = "Last Modified Galleries";
constexpr const char* kKeys[3] = {"Last 1", "Last 2", "Last 3"};

}  // namespace

RecentList::RecentList(std::string iniPath) : iniPath_(std::move(iniPath)) {}

std::string RecentList::defaultIniPath() { return joinPath(settingsFolder(), "last.ini"); }

std::array<std::string, 3> RecentList::read() const
{
    std::array<std::string, 3> paths;
    for (size_t i = 0; i < paths.size(); ++i) paths[i] = readProfileString(iniPath_, kSection, kKeys[i]);
    return paths;
}

void RecentList::putAtHead(const std::string& galleryPath)
{
    // An empty path would not be written and would leave the old head duplicated below it.
    if (galleryPath.empty()) return;
    std::array<std::string, 3> last = read();
    if (last[0] != galleryPath) {
        if (last[1] != galleryPath) last[2] = last[1];
        last[1] = last[0];
        last[0] = galleryPath;
    }
    // Empty slots are never written, so a value once stored is never removed.
    for (size_t i = 0; i < last.size(); ++i)
        if (!last[i].empty()) writeProfileString(iniPath_, kSection, kKeys[i], last[i]);
}
