#pragma once
// A TIFF file's orientation tag, read by the program itself for the decoders that ignore it
// (WIC): how the stored pixels are meant to be turned, numbered as EXIF's orientation.

#include "picture/picture_codec.h"
#include "picture/rotate.h"

// Tag 274 of the first directory, classic TIFF or BigTIFF in either byte order. Normal when the
// tag is missing, is not one integer from 1 to 8, or the header or directory does not hold
// together; reads nothing outside the source.
Orientation tiffOrientation(const ByteSource& source);
