#pragma once
// "%EXIF%": how a picture was taken, as its file tells it (camera, lens, focal length, exposure,
// aperture, ISO, when), written as plain text at build time so that it reads without the script
// and to a screen reader. Never the place: that is the map's, and only when the owner shows it.

#include <string>

#include "picture/exif_fields.h"

// What the file at `path` says of itself; nothing when it cannot be read or says nothing. Reads
// only the file's first bytes, where the fields are.
ExifFields readCameraDetails(const std::string& path);
// One line for the viewer: "Canon EOS 5D · 35 mm · 1/250 s · f/4 · ISO 200 · 2024-05-12 14:03";
// plain text, not escaped.
std::string cameraDetailsLine(const ExifFields& fields);
// The block for a picture page: a list of what is known, escaped; "" when nothing is.
std::string cameraDetailsBlock(const ExifFields& fields);
