#include "gallery/file_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool fileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(dir.get())) {
        FolderEntry entry{e->d_name, false};
        if (e->d_type == DT_DIR) {
            entry.isFolder = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            entry.isFolder = folderExists(joinPath(folder, entry.name));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

std::string programPath()
{
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

std::string programFolder()
{
    std::string path = programPath();
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}
