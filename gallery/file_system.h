#pragma once
// The few file-system calls the core needs, with UTF-8 paths on every platform
// (file_system_win.cpp converts to UTF-16; file_system_posix.cpp passes bytes through).

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct FolderEntry {
    std::string name;
    bool isFolder = false;
};

// fopen with a UTF-8 path.
std::FILE* openFile(const std::string& path, const char* mode);
// Renames `from` over `to`, replacing it in one step where the system allows.
bool replaceFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Every entry of a folder in the order the file system returns them ("." and ".." included
// where the system lists them); nothing when the folder cannot be read.
std::optional<std::vector<FolderEntry>> listFolder(const std::string& folder);
// folder + separator + name; no separator is doubled.
std::string joinPath(const std::string& folder, const std::string& name);
// Full path of the running program, and its folder (cut at the last slash or backslash).
std::string programPath();
std::string programFolder();
