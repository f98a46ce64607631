#include "generator/build_journal.h"

#include <charconv>
#include <chrono>
#include <random>

#include "base/file_system.h"
#include "generator/file_ops.h"

namespace {

constexpr std::string_view kHeader = "fotoloom-journal 1";
constexpr uint64_t kMaxJournalBytes = uint64_t{256} << 20;

template <typename T> bool parseNumber(std::string_view s, T& value, int base = 10)
{
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

std::string hexText(uint64_t value)
{
    char digits[17];
    const auto [end, ec] = std::to_chars(digits, digits + 16, value, 16);
    (void)ec;
    return std::string(digits, end);
}

}  // namespace

bool isTemporaryFileName(std::string_view name)
{
    constexpr std::string_view kTail = ".tmp";
    constexpr size_t kDigits = 16;
    if (name.size() < kDigits + 1 + kTail.size() || !name.ends_with(kTail)) return false;
    const std::string_view digits = name.substr(name.size() - kTail.size() - kDigits, kDigits);
    if (name[name.size() - kTail.size() - kDigits - 1] != '.') return false;
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

JournalRecords parseJournal(std::string_view text)
{
    JournalRecords records;
    size_t from = 0;
    bool first = true;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        if (first) {
            if (line != kHeader) return {};
            first = false;
            continue;
        }
        const auto f = splitFields(line);
        std::string name;
        if (f[0] == "T" && f.size() == 2 && unescapeField(f[1], name) && isGalleryFileName(name)) {
            const size_t slash = name.find('/');
            if (isTemporaryFileName(slash == std::string::npos ? name : name.substr(slash + 1)))
                records.temporaries.push_back(std::move(name));
        } else if (f[0] == "W" && f.size() == 4) {
            WrittenFile file;
            if (parseNumber(f[1], file.size) && parseNumber(f[2], file.hash, 16) && unescapeField(f[3], name) &&
                isGalleryFileName(name))
                records.writes.emplace_back(std::move(name), file);
        }
    }
    return records;
}

std::vector<std::string> findJournals(const std::string& galleryFolder)
{
    std::vector<std::string> journals;
    const auto entries = listFolder(galleryFolder);
    if (!entries) return journals;
    const std::string_view hint = kJournalNameHint;
    for (const FolderEntry& e : *entries) {
        if (!e.name.starts_with(hint) || !isTemporaryFileName(e.name) || e.name.size() != hint.size() + 21) continue;
        const std::string path = joinPath(galleryFolder, e.name);
        if (inspectFile(path).kind == FileKind::Regular) journals.push_back(path);
    }
    return journals;
}

JournalRecords readJournals(const std::vector<std::string>& journals)
{
    JournalRecords all;
    for (const std::string& path : journals) {
        std::string text;
        if (inspectFile(path).kind != FileKind::Regular || !readFileBytes(path, text, kMaxJournalBytes)) continue;
        JournalRecords one = parseJournal(text);
        for (std::string& t : one.temporaries) all.temporaries.push_back(std::move(t));
        for (auto& w : one.writes) all.writes.push_back(std::move(w));
    }
    return all;
}

bool BuildJournal::start(const std::string& galleryFolder)
{
    abandon();
    // Named as TemporaryFile names its files, so one left behind is recognised the same way.
    std::random_device device;
    std::mt19937_64 random((uint64_t{device()} << 32) ^ device() ^
                           static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        std::string digits = hexText(random());
        digits.insert(0, 16 - digits.size(), '0');
        path_ = joinPath(galleryFolder, std::string(kJournalNameHint) + "." + digits + ".tmp");
        bool exists = false;
        file_ = createNewFile(path_, exists);  // exclusively: never an existing file or a link
        if (!file_ && !exists) break;
    }
    if (!file_) return false;
    return append(std::string(kHeader));
}

bool BuildJournal::append(const std::string& line)
{
    if (!file_) return false;
    // Flushed to the system at once: a process killed right after cannot lose the line.
    return std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fputc('\n', file_) != EOF &&
           std::fflush(file_) == 0;
}

bool BuildJournal::temporary(const std::string& name) { return append("T\t" + escapeField(name)); }

bool BuildJournal::writing(const std::string& name, const WrittenFile& file)
{
    return append("W\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name));
}

void BuildJournal::finish()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    removeFile(path_);
}

void BuildJournal::abandon()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
}
