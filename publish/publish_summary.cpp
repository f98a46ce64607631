#include "publish/publish_summary.h"

#include <cstdio>

std::string byteCountText(uint64_t bytes)
{
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu %s", static_cast<unsigned long long>(bytes),
                      bytes == 1 ? "byte" : "bytes");
    } else if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.0f KB", static_cast<double>(bytes) / 1024);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    }
    return text;
}

std::string publishCountsText(const PublishResult& r)
{
    return std::to_string(r.uploaded) + " uploaded (" + byteCountText(r.bytesUploaded) + "), " +
           std::to_string(r.plan.unchanged) + " unchanged, " + std::to_string(r.removed) + " removed";
}
