#pragma once
// What a publish does, worked out before it touches the destination: which files to upload, in
// an order that never shows a visitor a page whose pictures are not there yet, and which files
// of an earlier publish to remove.
//
// Order of uploads: photos and thumbnails, then the theme's images, then the style sheet (and
// any other file of the gallery folder that is no page), then the pages, "index.html" last. A
// file is uploaded when the destination lacks it or holds other content (by size and hash); a
// file is removed only when the remote manifest lists it and the gallery no longer has it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "generator/build_manifest.h"
#include "publish/remote_manifest.h"

enum class UploadStage { Pictures, ThemeImages, StyleSheet, Pages, Index };

struct PlannedUpload {
    std::string name;
    uint64_t size = 0;
    uint64_t hash = 0;  // as the build recorded it
    UploadStage stage = UploadStage::Pictures;
};

struct PublishPlan {
    std::vector<PlannedUpload> uploads;  // in upload order
    std::vector<std::string> removals;   // in name order
    size_t unchanged = 0;
    uint64_t uploadBytes = 0;
};

UploadStage uploadStageOf(const std::string& name);
PublishPlan makePublishPlan(const std::map<std::string, WrittenFile>& built, const RemoteManifest& remote);
