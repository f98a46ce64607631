#pragma once
// Albums made straight from folders, for the commands that build without a project file.

#include <string>
#include <vector>

#include "gallery/builder_doc.h"

// Name order as a file manager shows it: without regard to case, numbers by value.
bool comesBeforeByName(const std::string& a, const std::string& b);

// The pictures of a folder (not of its sub-folders), in name order, as full paths.
std::vector<std::string> picturesOfFolder(const std::string& folder);

// Appends an album holding the folder's pictures; returns how many it holds.
int addAlbumOfFolder(CBuilderDoc& doc, const std::string& folder, const std::string& title, const std::string& caption);
