#include "base/folder_handle.h"

#include "base/file_system.h"

namespace {

// Tries before giving up on a folder that keeps answering "exists" to new temporary names.
constexpr int kCreateTries = 16;

}  // namespace

bool FolderHandle::writeFile(const std::string& name, std::string_view bytes) const
{
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        const std::string temporary = temporaryFileName(name);
        bool exists = false;
        std::FILE* file = createNew(temporary, exists, 0600);
        if (!file) {
            if (exists) continue;
            return false;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::fclose(file);
            remove(temporary);
            return false;
        }
        return commit(file, temporary, name);
    }
    return false;
}

bool FolderHandle::readBytes(const std::string& name, std::string& bytes, uint64_t limit) const
{
    bytes.clear();
    std::FILE* file = openRead(name);
    if (!file) return false;
    const bool ok = readFileBytes(file, bytes, limit);
    std::fclose(file);
    return ok;
}
