#include "gallery/profile_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/file_system.h"
#include "gallery/ini_file.h"

namespace {

// Creates the folders above a file as needed (the per-user settings folder may not exist yet).
bool makeParentFolders(const std::string& filePath)
{
    size_t cut = filePath.find_last_of('/');
    if (cut == std::string::npos || cut == 0) return true;
    const std::string folder = filePath.substr(0, cut);
    for (size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
        const std::string step = folder.substr(0, pos);
        if (::mkdir(step.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) return folderExists(folder);
    }
}

}  // namespace

std::string readProfileString(const std::string& iniPath, const std::string& section, const std::string& key)
{
    std::optional<IniFile> ini = loadIniFile(iniPath);
    if (!ini) return {};
    return ini->value(section, key).value_or(std::string());
}

bool writeProfileString(const std::string& iniPath, const std::string& section, const std::string& key,
                        const std::string& value)
{
    if (!isStorableProfileEntry(section, key, value)) return false;
    if (!makeParentFolders(iniPath)) return false;
    std::optional<IniFile> ini = loadIniFile(iniPath);
    if (!ini || !ini->setValue(section, key, value)) return false;
    return saveIniFile(iniPath, *ini);
}

bool canCreateFilesIn(const std::string& folder)
{
    return folderExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool canKeepSettingsIn(const std::string& programFolder)
{
    // /usr/bin, /usr/local/bin, ~/.local/bin: writable for root or for the owner, but no place
    // for a settings file.
    std::string folder = programFolder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const size_t cut = folder.find_last_of('/');
    const std::string name = cut == std::string::npos ? folder : folder.substr(cut + 1);
    return name != "bin" && canCreateFilesIn(programFolder);
}
