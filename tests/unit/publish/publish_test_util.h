#pragma once
// What the publish tests share: a scratch folder, a "built" gallery made of given files with the
// build manifest a build would leave, and an observer that records what the engine reports.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "generator/build_manifest.h"
#include "generator/content_hash.h"
#include "generator/generator_test_util.h"
#include "publish/publish_engine.h"

namespace publish_test {

inline std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

using generator_test::readAll;
using generator_test::ScratchFolder;

inline void writeAll(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(fsPath(path).parent_path());
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

// Writes the files (relative names) into `folder` with the build manifest that lists them, as a
// build leaves them; files of an earlier call that are not named again are removed.
inline void buildGallery(const std::string& folder, const std::map<std::string, std::string>& files)
{
    BuildManifest old;
    std::string text;
    if (readFileBytes(joinPath(folder, kManifestName), text, 1 << 20)) old = parseManifest(text);
    BuildManifest manifest;
    for (const auto& [name, bytes] : files) {
        writeAll(joinPath(folder, name), bytes);
        manifest.files[name] = {bytes.size(), contentHash(bytes.data(), bytes.size())};
    }
    for (const auto& entry : old.files)
        if (!files.contains(entry.first)) removeFile(joinPath(folder, entry.first));
    writeAll(joinPath(folder, kManifestName), manifestText(manifest));
}

// Every regular file under `folder`, by relative name with "/" separators.
inline std::map<std::string, std::string> filesUnder(const std::string& folder)
{
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fsPath(folder))) {
        if (!entry.is_regular_file()) continue;
        const auto relative = entry.path().lexically_relative(fsPath(folder)).generic_u8string();
        const auto full = entry.path().u8string();
        found[std::string(relative.begin(), relative.end())] = readAll(std::string(full.begin(), full.end()));
    }
    return found;
}

class RecordingObserver : public IPublishObserver {
public:
    void progress(const PublishProgress& p) override { last = p; }
    void warning(const std::string& text) override { warnings.push_back(text); }
    bool cancelRequested() override { return cancelAfter >= 0 && asked++ >= cancelAfter; }

    PublishProgress last;
    std::vector<std::string> warnings;
    int cancelAfter = -1;  // answers yes from this question on
    int asked = 0;
};

}  // namespace publish_test
