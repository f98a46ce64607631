#pragma once
// What the tests of the build's promises about files share: a gallery of small pictures, links,
// listings, and the lines of a planted manifest or journal.

#include <filesystem>
#include <set>
#include <string>

#include "generator/build_manifest.h"
#include "generator/content_hash.h"
#include "generator_test_util.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace generator_test {

struct Pictures : TestGallery {
    int32_t album = 0;

    Pictures(const ScratchFolder& scratch, int count) : TestGallery(scratch)
    {
        doc.rows = 1;
        doc.columns = 1;
        album = addAlbum("A");
        for (int i = 0; i < count; ++i) {
            const std::string path = scratch / cat("p", std::to_string(i), ".jpg");
            makePicture(path, 48, 32, static_cast<uint8_t>(20 + 30 * i));
            addImage(album, path, cat("c", std::to_string(i)));
        }
    }
};

inline bool makeLink(const std::string& target, const std::string& link, bool folder = false)
{
#ifdef _WIN32
    // Needs the privilege or developer mode on Windows; where it is refused the test is skipped.
    const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return CreateSymbolicLinkW(fsPath(link).c_str(), fsPath(target).c_str(), flags) != 0 &&
           inspectFile(link).kind == FileKind::Link;
#endif
    std::error_code ec;
    if (folder) {
        std::filesystem::create_directory_symlink(fsPath(target), fsPath(link), ec);
    } else {
        std::filesystem::create_symlink(fsPath(target), fsPath(link), ec);
    }
    return !ec;
}

inline std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (const auto entries = listFolder(folder))
        for (const FolderEntry& e : *entries)
            if (e.name != "." && e.name != "..") names.insert(e.name);
    return names;
}

// A manifest line that claims a file with exactly these bytes.
inline std::string claim(const std::string& name, const std::string& bytes)
{
    return "F\t" + std::to_string(bytes.size()) + "\t" + hexOf(contentHash(bytes.data(), bytes.size())) + "\t" + name +
           "\n";
}

// A journal line ('T' or 'W') that accounts for exactly these bytes under this name.
inline std::string journalLine(char kind, const std::string& name, const std::string& bytes)
{
    return std::string(1, kind) + "\t" + std::to_string(bytes.size()) + "\t" +
           hexOf(contentHash(bytes.data(), bytes.size())) + "\t" + name + "\n";
}

}  // namespace generator_test
