// The EXIF field reader on arbitrary bytes: it must survive, and what it gives must be text a page
// can hold (valid UTF-8 without control characters, at most 128 bytes) and a place on the globe.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "picture/exif_fields.h"

namespace {

void require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "exif_fields_fuzz: %s\n", what);
    std::abort();
}

void requireText(const std::string& text)
{
    require(text.size() <= 128, "texts are cut at 128 bytes");
    for (unsigned char c : text) require(c >= 0x20 && c != 0x7F, "no control characters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ExifFields f = exifFieldsFromFile(data, size);
    for (const std::string* text : {&f.make, &f.model, &f.lens, &f.taken}) requireText(*text);
    if (f.located)
        require(f.latitude >= -90 && f.latitude <= 90 && f.longitude >= -180 && f.longitude <= 180, "a place");
    return 0;
}
