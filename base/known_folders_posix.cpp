#include "base/known_folders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/file_system.h"

namespace {

// An environment variable holding an absolute path (relative values are to be ignored).
std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

// $XDG_<which> when it is set, else the home folder's `fallback`; "" without either.
std::string xdgFolder(const char* variable, const char* fallback)
{
    if (std::string folder = absoluteVariable(variable); !folder.empty()) return folder;
    const std::string home = absoluteVariable("HOME");
    return home.empty() ? std::string() : joinPath(home, fallback);
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from the user-dirs file, with $HOME expanded.
std::string userDirsDocuments(const std::string& home)
{
    std::ifstream in(joinPath(xdgFolder("XDG_CONFIG_HOME", ".config"), "user-dirs.dirs"));
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/') return value;
    }
    return {};
}

}  // namespace

std::string documentsFolder()
{
    if (const char* chosen = std::getenv("XDG_DOCUMENTS_DIR"); chosen && folderExists(chosen)) return chosen;
    if (const char* home = std::getenv("HOME"); home && home[0]) {
        if (std::string dir = userDirsDocuments(home); !dir.empty() && folderExists(dir)) return dir;
        if (std::string dir = joinPath(home, "Documents"); folderExists(dir)) return dir;
    }
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    return error ? std::string(".") : path;
}

std::string roamingDataFolder() { return xdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string localDataFolder() { return xdgFolder("XDG_CACHE_HOME", ".cache"); }
