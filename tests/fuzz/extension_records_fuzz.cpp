// The records of the project file's extension block on arbitrary bytes. Besides surviving:
// records that parse encode back to the same bytes, and settings taken from them are written
// as records that give the same settings again.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "gallery/gallery_settings.h"
#include "gallery/project_extension.h"

namespace {

void require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "extension_records_fuzz: %s\n", what);
    std::abort();
}

constexpr size_t kHeader = sizeof kExtensionMagic + 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    std::optional<std::vector<ExtensionRecord>> records = parseExtensionRecords(payload);
    if (!records) return 0;
    require(encodeExtensionBlock(*records).substr(kHeader) == payload, "records encode to the bytes they came from");

    GallerySettings settings;
    applyExtensionRecords(settings, std::move(*records));
    bringIntoRange(settings);
    const std::string block = encodeExtensionBlock(extensionRecordsOf(settings));
    std::optional<std::vector<ExtensionRecord>> again = parseExtensionRecords(std::string_view(block).substr(kHeader));
    require(again.has_value(), "written records parse");
    GallerySettings reread;
    applyExtensionRecords(reread, std::move(*again));
    require(reread == settings, "settings survive being written");
    return 0;
}
