// Any bytes as a build manifest: parsing never crashes, everything it keeps names a file of ours
// inside the gallery folder (nothing a later build could delete outside it), and what it keeps
// writes out and reads back the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "generator/build_manifest.h"

namespace {

// At most one folder level, no "." or ".." step, no other separator, no drive.
bool staysInside(const std::string& name)
{
    if (!isGalleryFileName(name) || name.find_first_of("\\:") != std::string::npos) return false;
    const size_t slash = name.find('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    return file.find('/') == std::string::npos && file != "." && file != ".." && !file.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const BuildManifest m = parseManifest(text);
    for (const auto& entry : m.files)
        if (!staysInside(entry.first)) __builtin_trap();
    for (const auto& [photo, p] : m.pictures)
        if (!staysInside(photo) || !staysInside(p.thumbName)) __builtin_trap();

    const BuildManifest again = parseManifest(manifestText(m));
    if (again.files != m.files || again.pictures != m.pictures) __builtin_trap();
    return 0;
}
