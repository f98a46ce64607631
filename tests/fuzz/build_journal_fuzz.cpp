// Any bytes as a build journal: parsing never crashes, and everything it keeps names a file of
// ours inside the gallery folder, and every temporary file it names carries the temporary files'
// own pattern, so a forged journal cannot make a build remove anything else.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "generator/build_journal.h"

namespace {

std::string lastPart(const std::string& name)
{
    const size_t slash = name.find('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const JournalRecords records = parseJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& [name, file] : records.temporaries)
        if (!isGalleryFileName(name) || !isTemporaryFileName(lastPart(name))) __builtin_trap();
    for (const auto& [name, file] : records.writes)
        if (!isGalleryFileName(name) || name.find_first_of("\\:") != std::string::npos) __builtin_trap();
    return 0;
}
