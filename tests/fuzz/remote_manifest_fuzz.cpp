// Any bytes as the publish record found on a server: parsing never crashes, everything it keeps
// is a name a publish may remove (a gallery file, never a record of ours, nothing outside the
// folder), and what it keeps writes out and reads back the same. The plan made from it removes
// only names it lists.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "publish/publish_plan.h"
#include "publish/remote_manifest.h"

namespace {

// No step is "", "." or ".."; at most one folder; no other separator, no drive.
bool staysInside(const std::string& name)
{
    if (name.find_first_of("\\:") != std::string::npos) return false;
    const size_t slash = name.find('/');
    if (slash != std::string::npos && name.find('/', slash + 1) != std::string::npos) return false;
    for (const std::string& step : {name.substr(0, slash), slash == std::string::npos ? "x" : name.substr(slash + 1)})
        if (step.empty() || step == "." || step == "..") return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RemoteManifest m = parseRemoteManifest(text);
    for (const auto& entry : m.files)
        if (!isPublishableName(entry.first) || !staysInside(entry.first)) __builtin_trap();
    if (parseRemoteManifest(remoteManifestText(m)).files != m.files) __builtin_trap();

    const PublishPlan plan = makePublishPlan({{"index.html", {1, 2}}}, m);
    for (const std::string& name : plan.removals)
        if (!m.files.contains(name) || name == "index.html") __builtin_trap();
    return 0;
}
