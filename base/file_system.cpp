#include "base/file_system.h"

#include "base/hex_text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

// Enough of the target's name to recognise a leftover, short enough that the whole temporary
// name fits in the 255 bytes a file name may have.
constexpr size_t kHintBytes = 64;
// Tries before giving up on a folder that keeps answering "exists" (it will not be chance).
constexpr int kCreateTries = 64;

std::string shortHint(std::string_view hint)
{
    if (hint.size() <= kHintBytes) return std::string(hint);
    size_t cut = kHintBytes;
    // Never split a UTF-8 sequence: back up over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(hint[cut]) & 0xC0) == 0x80) --cut;
    return std::string(hint.substr(0, cut));
}

// One generator per thread, seeded from the system's entropy, the clock and the thread, so
// threads and processes starting together still draw different names.
uint64_t randomPart()
{
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32),
                           static_cast<unsigned>(std::hash<std::thread::id>{}(std::this_thread::get_id()))};
        return std::mt19937_64(seed);
    }();
    return generator();
}

// Reads in growing chunks (a small template costs one small read, a large photo a few), so the
// size the file system states is never trusted for the allocation.
template <class Bytes> bool readWhole(std::FILE* f, Bytes& bytes, uint64_t limit)
{
    bytes.clear();
    bool ok = true;
    try {
        constexpr size_t kFirstChunk = size_t{1} << 16, kLargestChunk = size_t{1} << 24;
        for (;;) {
            const size_t had = bytes.size();
            if (had > limit) {
                ok = false;
                break;
            }
            const size_t chunk = std::clamp(had, kFirstChunk, kLargestChunk);
            bytes.resize(had + chunk);
            const size_t got = std::fread(bytes.data() + had, 1, chunk, f);
            bytes.resize(had + got);
            if (got < chunk) {
                ok = !std::ferror(f) && bytes.size() <= limit;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) Bytes().swap(bytes);
    return ok;
}

template <class Bytes> bool readWhole(const std::string& path, Bytes& bytes, uint64_t limit)
{
    std::FILE* f = openRegularFile(path);
    if (!f) {
        bytes.clear();
        return false;
    }
    const bool ok = readWhole(f, bytes, limit);
    std::fclose(f);
    return ok;
}

}  // namespace

bool readFileBytes(const std::string& path, std::string& bytes, uint64_t limit)
{
    return readWhole(path, bytes, limit);
}

bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes, uint64_t limit)
{
    return readWhole(path, bytes, limit);
}

bool readFileBytes(std::FILE* file, std::string& bytes, uint64_t limit) { return readWhole(file, bytes, limit); }

bool readFileBytes(std::FILE* file, std::vector<uint8_t>& bytes, uint64_t limit)
{
    return readWhole(file, bytes, limit);
}

bool isTemporaryNameFor(std::string_view name, std::string_view nameHint)
{
    constexpr std::string_view kTail = ".tmp";
    constexpr size_t kDigits = 16;
    const std::string prefix = shortHint(nameHint) + ".";
    if (name.size() != prefix.size() + kDigits + kTail.size() || !name.starts_with(prefix) || !name.ends_with(kTail))
        return false;
    const std::string_view digits = name.substr(prefix.size(), kDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

void removeAbandonedTemporariesOf(const std::string& target, int64_t minimumAgeSeconds)
{
    const std::string folder = folderOf(target);
    const std::string name = fileNameOf(target);
    const auto entries = listFolder(folder.empty() ? "." : folder);
    if (!entries) return;
    for (const FolderEntry& e : *entries)
        if (!e.isFolder && isTemporaryNameFor(e.name, name))
            removeAbandonedTemporary(joinPath(folder, e.name), minimumAgeSeconds);
}

std::string temporaryFileName(std::string_view nameHint)
{
    return shortHint(nameHint) + "." + hexText(randomPart(), 16) + ".tmp";
}

std::string folderOf(const std::string& path)
{
    size_t cut = path.find_last_of(kSeparators);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string fileNameOf(const std::string& path)
{
    size_t cut = path.find_last_of(kSeparators);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string absolutePath(const std::string& path)
{
    std::u8string utf8(path.begin(), path.end());
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(utf8), error);
    if (error) return path;
    std::u8string normal = full.lexically_normal().u8string();
    return std::string(normal.begin(), normal.end());
}

bool isAbsolutePath(const std::string& path)
{
    std::u8string utf8(path.begin(), path.end());
    return !path.empty() && std::filesystem::path(utf8).is_absolute();
}

namespace {

// A system error's text as a sentence part: no full stop or line end at its end.
std::string reasonText(const std::error_code& error)
{
    std::string text = error.message();
    while (!text.empty() && (text.back() == '.' || text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(error.value()) : text;
}

}  // namespace

bool makeFolderPath(const std::string& path, std::string& reason)
{
    namespace fs = std::filesystem;
    reason.clear();
    if (path.empty()) {
        reason = "no folder was named";
        return false;
    }
    std::error_code error;
    fs::path target = fs::path(std::u8string(path.begin(), path.end()));
    if (!target.has_filename() && target.has_parent_path()) target = target.parent_path();  // "a/b/"
    // The levels that are missing, deepest first: made from the top down, and taken away again
    // when a deeper one cannot be made, so a refused folder leaves nothing behind.
    std::vector<fs::path> missing;
    for (fs::path level = target; !level.empty() && !fs::exists(fs::symlink_status(level, error));
         level = level.parent_path()) {
        missing.push_back(level);
        if (level == level.parent_path()) break;
    }
    for (size_t i = missing.size(); i-- > 0;) {
        if (fs::create_directory(missing[i], error) || (!error && fs::is_directory(missing[i], error))) continue;
        if (!error) error = std::make_error_code(std::errc::file_exists);
        reason = reasonText(error);
        std::error_code ignored;
        for (size_t made = i + 1; made < missing.size(); ++made) fs::remove(missing[made], ignored);
        return false;
    }
    if (folderExists(path)) return true;
    reason = reasonText(std::make_error_code(std::errc::not_a_directory));  // something else stands there
    return false;
}

std::string folderWriteProblem(const std::string& folder)
{
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        const std::string probe = joinPath(folder, temporaryFileName(".fotoloom-probe"));
        bool alreadyExists = false;
        errno = 0;
        if (std::FILE* file = createNewFile(probe, alreadyExists, 0600)) {
            // One byte through to the system, so a full disk answers here too.
            int error = 0;
            if (std::fputc('x', file) == EOF || std::fflush(file) != 0) error = errno ? errno : EIO;
            if (std::fclose(file) != 0 && error == 0) error = errno ? errno : EIO;
            removeFile(probe);
            return error == 0 ? std::string() : reasonText(std::error_code(error, std::generic_category()));
        }
        if (!alreadyExists) return reasonText(std::error_code(errno ? errno : EACCES, std::generic_category()));
    }
    return reasonText(std::make_error_code(std::errc::file_exists));
}

// --- TemporaryFile -----------------------------------------------------------------------------

std::optional<TemporaryFile> TemporaryFile::create(const std::string& folder, std::string_view nameHint)
{
    for (int attempt = 0; attempt < kCreateTries; ++attempt) {
        std::string path = joinPath(folder, temporaryFileName(nameHint));
        bool alreadyExists = false;
        // Private while it is written: it may become a file only its owner may read.
        if (std::FILE* file = createNewFile(path, alreadyExists, 0600)) return TemporaryFile(std::move(path), file);
        if (!alreadyExists) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<TemporaryFile> TemporaryFile::createBeside(const std::string& target)
{
    return create(folderOf(target), fileNameOf(target));
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::move(other.path_)), file_(std::exchange(other.file_, nullptr))
{
    other.path_.clear();
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept
{
    if (this != &other) {
        discard();
        path_ = std::exchange(other.path_, {});
        file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
}

TemporaryFile::~TemporaryFile() { discard(); }

bool TemporaryFile::closeFile()
{
    if (!file_) return true;
    return std::fclose(std::exchange(file_, nullptr)) == 0;
}

void TemporaryFile::discard()
{
    closeFile();
    if (!path_.empty()) removeFile(std::exchange(path_, {}));
}
