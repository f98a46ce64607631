#pragma once
// Picture format codes, worked out from a file name's extension. The numbers are part of
// the picture class's interface: 0 means "unknown" (or "detect from the content" when loading).

#include <string_view>

enum FormatCode : int {
    kFormatUnknown = 0,
    kFormatBmp = 1,
    kFormatGif = 2,
    kFormatJpeg = 3,
    kFormatPng = 4,
    kFormatIco = 5,
    kFormatTiff = 6,
    kFormatTga = 7,
    kFormatPcx = 8,
    kFormatWbmp = 9,
    kFormatWmf = 10,
    kFormatJp2 = 11,
    kFormatJpc = 12,
    kFormatPgx = 13,
    kFormatPnm = 14,
    kFormatRas = 15,
    kFormatWebp = 16,
    kFormatAvif = 17,
};

// The last three characters of the name, or the last four for four-letter extensions,
// compared without regard to case.
int formatCodeOf(std::string_view fileName);
