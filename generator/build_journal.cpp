#include "generator/build_journal.h"

#include "base/hex_text.h"
#include "generator/record_fields.h"

namespace {

constexpr std::string_view kHeader = "fotoloom-journal 2";
// No record of ours comes near: a name of 255 bytes escaped, and two numbers.
constexpr size_t kLongestLine = 4096;

bool isJournalName(std::string_view name)
{
    const std::string_view hint = kJournalNameHint;
    return name.starts_with(hint) && isTemporaryFileName(name) && name.size() == hint.size() + 21;
}

std::string_view lastPart(std::string_view name)
{
    const size_t slash = name.find('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

void takeRecord(const std::vector<std::string_view>& f, JournalRecords& records)
{
    if (f.size() != 4 || (f[0] != "T" && f[0] != "W" && f[0] != "S")) return;
    WrittenFile file;
    std::string name;
    if (!parseNumber(f[1], file.size) || !parseNumber(f[2], file.hash, 16) || !unescapeField(f[3], name) ||
        !isGalleryFileName(name))
        return;
    if (f[0] == "W") {
        records.writes.emplace_back(std::move(name), file);
    } else if (isTemporaryFileName(lastPart(name))) {
        (f[0] == "T" ? records.temporaries : records.streamed).emplace_back(std::move(name), file);
    }
}

bool isOurHeader(std::string_view line) { return line == kHeader; }

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
    readRecords(text, isOurHeader, [&records](const std::vector<std::string_view>& f) { takeRecord(f, records); });
    return records;
}

FoundJournals readJournals(const FolderHandle& galleryFolder)
{
    FoundJournals found;
    const auto entries = galleryFolder.list();
    if (!entries) return found;
    uint64_t budget = kMaxJournalsBytes;
    for (const FolderEntry& e : *entries) {
        if (e.isFolder || !isJournalName(e.name)) continue;
        bool held = false;
        std::FILE* file = galleryFolder.openIfUnheld(e.name, held);
        if (!file) {
            found.held += held ? 1 : 0;
            continue;
        }
        found.names.push_back(e.name);
        if (budget == 0) {
            found.records.cut = true;
        } else if (!readRecords(file, budget, kLongestLine, isOurHeader,
                                [&found](const std::vector<std::string_view>& f) { takeRecord(f, found.records); })) {
            found.records.cut = true;
        }
        std::fclose(file);
    }
    return found;
}

bool BuildJournal::start(const FolderHandle& galleryFolder)
{
    abandon();
    folder_ = &galleryFolder;
    // Named as TemporaryFile names its files, so one left behind is recognised the same way.
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        name_ = temporaryFileName(kJournalNameHint);
        bool exists = false;
        file_ = galleryFolder.createNew(name_, exists, 0666, true);  // exclusively: never an existing file or a link
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

bool BuildJournal::temporary(const std::string& name, const WrittenFile& file)
{
    return append("T\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name));
}

bool BuildJournal::writing(const std::string& name, const WrittenFile& file)
{
    return append("W\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name));
}

bool BuildJournal::streamed(const std::string& name, const WrittenFile& start)
{
    return append("S\t" + std::to_string(start.size) + '\t' + hexText(start.hash) + '\t' + escapeField(name));
}

void BuildJournal::finish()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    folder_->remove(name_);
}

void BuildJournal::abandon()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
}
