#include "generator/file_ops.h"

#include <cstdio>
#include <system_error>

#include "base/file_system.h"

namespace fs = std::filesystem;

fs::path fsPath(const std::string& utf8)
{
    try {
        return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
    } catch (...) {
        return {};  // not valid UTF-8 where the system needs it converted
    }
}

std::string utf8Path(const fs::path& path)
{
    try {
        std::u8string s = path.u8string();
        return std::string(reinterpret_cast<const char*>(s.data()), s.size());
    } catch (...) {
        return {};
    }
}

bool makeFolder(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directory(fsPath(path), ec);
    return folderExists(path);
}

FileStamp stampOf(const std::string& path)
{
    std::error_code ec;
    const fs::path p = fsPath(path);
    const fs::file_status status = fs::status(p, ec);
    if (ec || !fs::is_regular_file(status)) return {};
    FileStamp stamp;
    stamp.size = fs::file_size(p, ec);
    if (ec) return {};
    const std::optional<int64_t> written = lastWriteTicks(path);
    if (!written) return {};
    stamp.modified = *written;
    stamp.exists = true;
    return stamp;
}

bool writeFileBytes(const std::string& path, std::string_view bytes)
{
    std::FILE* f = openFile(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) removeFile(path);
    return ok;
}
