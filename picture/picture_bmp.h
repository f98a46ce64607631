#pragma once
// The device-independent bitmap reader shared by BMP files and icons, and BMP files by rows.

#include "picture/picture_codec.h"

// A DIB: header, palette or masks, pixels at `pixelOffset` from `data`. In an icon the height
// covers the colour pixels and the AND mask, and 32-bit pixels carry alpha.
bool decodeDib(const uint8_t* data, size_t size, size_t pixelOffset, bool inIcon, DecodedPicture& out);
// A BMP file (every header version, 1 to 32 bits, RLE4/RLE8, bit fields) by bands of rows, read from the file as they
// are needed (bottom-up files from their end); run-length coded ones keep their palette indices whole, a byte a pixel.
RowDecode decodeBmpRows(const ByteSource& source, RowReceiver& receiver);
