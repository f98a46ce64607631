#include "base/file_system.h"
#include "gallery/profile_store.h"

std::string settingsFolderFor(const std::string& programFolder)
{
    if (canKeepSettingsIn(programFolder)) return programFolder;
    std::string user = userSettingsFolder();
    return user.empty() ? programFolder : user;
}

std::string settingsFolder() { return settingsFolderFor(programFolder()); }
