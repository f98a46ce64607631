#pragma once
// How a publish's outcome reads, the same on the command line and in Builder.exe.

#include <cstdint>
#include <string>

#include "publish/publish_engine.h"

// "1.5 MB", "320 KB", "12 bytes".
std::string byteCountText(uint64_t bytes);

// "12 uploaded (1.5 MB), 340 unchanged, 2 removed".
std::string publishCountsText(const PublishResult& result);
