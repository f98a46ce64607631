#pragma once
// Whether a project's gallery folder holds a build that a publish may send: the one check the
// command line and Builder.exe ask before publishing.

#include <string>

#include "gallery/builder_doc.h"

enum class GalleryState { Current, NotBuilt, OutOfDate };

// Built when the build's record names an entry page; out of date when the project file (at
// `projectPath`, may be "") or any of the document's pictures changed after the record was written.
GalleryState galleryState(const std::string& galleryFolder, const std::string& projectPath, const CBuilderDoc& doc);
