#pragma once
// Whether a project's gallery folder holds a build that a publish may send: the one check the
// command line and Builder.exe ask before publishing.

#include <string>

#include "gallery/builder_doc.h"

enum class GalleryState { Current, NotBuilt, OutOfDate };

// Built when the build's record names an entry page; out of date when building the document as it
// is now (saved or not) would make something else: other settings, albums, pictures or comments,
// or a picture whose file changed (build_inputs.h). The theme is resolved against `templateRoot`
// ("" for the installed themes), as the build resolves it.
GalleryState galleryState(const std::string& galleryFolder, const CBuilderDoc& doc,
                          const std::string& templateRoot = {});
