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

bool isStamp(std::string_view stamp)
{
    if (stamp.empty() || stamp.size() > kMaxStampLength) return false;
    for (char c : stamp)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
    return true;
}

}  // namespace

std::string remoteManifestText(const RemoteManifest& manifest)
{
    std::string out(kHeader);
    out += '\n';
    for (const auto& [name, file] : manifest.files) {
        const std::string field = escapeField(name);
        out += "F\t" + std::to_string(file.size) + '\t' + hexText(file.hash) + '\t' + field + '\n';
        if (isStamp(file.stamp)) out += "S\t" + file.stamp + '\t' + field + '\n';
    }
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
            std::string name;
            if (f.size() == 3 && f[0] == "S") {
                // S <stamp> <name>, for a file listed before
                if (!unescapeField(f[2], name) || !isStamp(f[1])) return;
                if (const auto listed = manifest.files.find(name); listed != manifest.files.end())
                    listed->second.stamp = std::string(f[1]);
                return;
            }
            // F <size> <hash> <name>
            RemoteFile file;
            if (f.size() != 4 || f[0] != "F" || !parseNumber(f[1], file.size) || !parseNumber(f[2], file.hash, 16) ||
                !unescapeField(f[3], name) || !isPublishableName(name))
                return;
            manifest.files[name] = file;
        });
    return manifest;
}
