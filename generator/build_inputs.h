#pragma once
// What a build is made from, so that "out of date" means "building now would make something else"
// and not "a file is newer than the gallery".
//
// A finished build records in its manifest one hash of everything its pages and pictures take from
// the project (every setting, with the theme it actually used, the albums in order and each one's
// images with their paths, rotations and comments) beside the fingerprint of each picture's
// source it already keeps. The check hashes the project as it is now, saved or not, the same way,
// and asks each picture's source whether it still holds what its photo was made from, by the rule
// the build reuses a photo by. Where the project is kept (the outputFolder, the project's path) or
// whether it was saved since plays no part.

#include <cstdint>
#include <string>

#include "gallery/builder_doc.h"
#include "generator/build_manifest.h"

// The hash of what the project gives the pages and pictures, with `themeName` (the theme a build
// resolves the project's to) in place of the project's own.
uint64_t buildInputsHash(const CBuilderDoc& doc, const std::string& themeName);

// True when the manifest holds a finished build of this project as it is now: the same inputs
// hash, and every picture with a recorded fingerprint still made from the same source file with
// the same content. A picture the build could not make has none and is judged by the project alone.
bool builtFromProject(const CBuilderDoc& doc, const std::string& themeName, const BuildManifest& manifest);
