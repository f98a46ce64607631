#pragma once
// File operations the generator needs beyond base/file_system.h, through std::filesystem with
// UTF-8 paths on every platform (no platform code of our own). None of them throws.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// A UTF-8 path as the library's path type, and back.
std::filesystem::path fsPath(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);

// Creates one folder level; true when the folder exists afterwards.
bool makeFolder(const std::string& path);

// Size and modification time of a regular file; exists is false for anything else.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t modified = 0;  // ticks of the file clock; compared, never shown
};
FileStamp stampOf(const std::string& path);

// Creates or truncates the file and writes the bytes; a file that could not be written whole is
// removed. False on any failure.
bool writeFileBytes(const std::string& path, std::string_view bytes);
