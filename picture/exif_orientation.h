#pragma once
// The orientation tag of EXIF data: how the camera meant the stored pixels to be turned.

#include <cstddef>
#include <cstdint>

// Reads tag 0x0112 from IFD0 of the TIFF structure inside an EXIF APP1 segment (the bytes after
// "Exif\0\0"). 1 (as stored) when the tag is missing, malformed or out of range.
int exifOrientationFromTiff(const uint8_t* tiff, size_t size);
