#include "publish/publish_plan.h"

#include <algorithm>

UploadStage uploadStageOf(const std::string& name)
{
    if (name.starts_with("photos/") || name.starts_with("thumbs/")) return UploadStage::Pictures;
    if (name.starts_with("images/")) return UploadStage::ThemeImages;
    if (name == "index.html") return UploadStage::Index;
    if (name.ends_with(".html") || name.ends_with(".htm")) return UploadStage::Pages;
    return UploadStage::StyleSheet;
}

PublishPlan makePublishPlan(const std::map<std::string, WrittenFile>& built, const RemoteManifest& remote)
{
    PublishPlan plan;
    for (const auto& [name, file] : built) {
        if (!isPublishableName(name)) continue;
        const auto there = remote.files.find(name);
        if (there != remote.files.end() && there->second.size == file.size && there->second.hash == file.hash) {
            ++plan.unchanged;
            continue;
        }
        plan.uploads.push_back({name, file.size, file.hash, uploadStageOf(name)});
        plan.uploadBytes += file.size;
    }
    // Within a stage the names keep their (sorted) order, so a run is repeatable.
    std::stable_sort(plan.uploads.begin(), plan.uploads.end(),
                     [](const PlannedUpload& a, const PlannedUpload& b) { return a.stage < b.stage; });
    for (const auto& entry : remote.files)
        if (!built.contains(entry.first)) plan.removals.push_back(entry.first);
    return plan;
}
