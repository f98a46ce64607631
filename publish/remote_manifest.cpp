#include "publish/remote_manifest.h"

#include <vector>

#include "base/hex_text.h"
#include "generator/build_manifest.h"
#include "generator/record_fields.h"

namespace {

constexpr std::string_view kHeader = "fotoloom-published 1";

// The records of the program itself (this one, the build's) are never files a publish put there.
bool isRecordName(std::string_view name)
{
    const size_t slash = name.rfind('/');
    const std::string_view file = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return file.starts_with(".fotoloom-");
}

}  // namespace

std::string remoteManifestText(const RemoteManifest& manifest)
{
    std::string out(kHeader);
    out += '\n';
    for (const auto& [name, file] : manifest.files)
        out += "F\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + escapeField(name) + '\n';
    return out;
}

bool isPublishableName(std::string_view name) { return isGalleryFileName(name) && !isRecordName(name); }

RemoteManifest parseRemoteManifest(std::string_view text)
{
    RemoteManifest manifest;
    if (text.size() > kMaxRemoteManifestBytes) return manifest;
    readRecords(
        text, [](std::string_view line) { return line == kHeader; },
        [&manifest](const std::vector<std::string_view>& f) {
            // F <size> <hash> <name>
            RemoteFile file;
            std::string name;
            if (f.size() != 4 || f[0] != "F" || !parseNumber(f[1], file.size) || !parseNumber(f[2], file.hash, 16) ||
                !unescapeField(f[3], name) || !isPublishableName(name))
                return;
            manifest.files[name] = file;
        });
    return manifest;
}
