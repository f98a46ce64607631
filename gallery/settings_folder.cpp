#include "base/file_system.h"
#include "base/known_folders.h"
#include "gallery/profile_store.h"

std::string userSettingsFolder()
{
#ifdef _WIN32
    constexpr char kOwnFolder[] = "Fotoloom";
#else
    constexpr char kOwnFolder[] = "fotoloom";
#endif
    const std::string roaming = roamingDataFolder();
    return roaming.empty() ? roaming : joinPath(roaming, kOwnFolder);
}

std::string settingsFolderFor(const std::string& programFolder)
{
    if (canKeepSettingsIn(programFolder)) return programFolder;
    std::string user = userSettingsFolder();
    return user.empty() ? programFolder : user;
}

std::string settingsFolder() { return settingsFolderFor(programFolder()); }
