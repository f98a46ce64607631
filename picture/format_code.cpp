#include "picture/format_code.h"

#include <array>
#include <cctype>
#include <string>

namespace {

struct Extension {
    std::string_view text;
    int code;
};

// Tried first, so that "wbmp" is not taken for "bmp".
constexpr std::array<Extension, 5> kFourLetter = {{
    {"jpeg", kFormatJpeg},
    {"tiff", kFormatTiff},
    {"wbmp", kFormatWbmp},
    {"webp", kFormatWebp},
    {"avif", kFormatAvif},
}};

constexpr std::array<Extension, 19> kThreeLetter = {{
    {"bmp", kFormatBmp},  {"gif", kFormatGif}, {"jpg", kFormatJpeg}, {"png", kFormatPng}, {"ico", kFormatIco},
    {"tif", kFormatTiff}, {"tga", kFormatTga}, {"pcx", kFormatPcx},  {"wmf", kFormatWmf}, {"emf", kFormatWmf},
    {"j2k", kFormatJp2},  {"jp2", kFormatJp2}, {"j2c", kFormatJpc},  {"jpc", kFormatJpc}, {"pgx", kFormatPgx},
    {"pnm", kFormatPnm},  {"pgm", kFormatPnm}, {"ppm", kFormatPnm},  {"ras", kFormatRas},
}};

std::string lowerTail(std::string_view name, size_t n)
{
    std::string tail(name.substr(name.size() - n));
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail;
}

}  // namespace

int formatCodeOf(std::string_view fileName)
{
    if (fileName.size() >= 4) {
        std::string tail = lowerTail(fileName, 4);
        for (const Extension& e : kFourLetter)
            if (tail == e.text) return e.code;
    }
    if (fileName.size() >= 3) {
        std::string tail = lowerTail(fileName, 3);
        for (const Extension& e : kThreeLetter)
            if (tail == e.text) return e.code;
    }
    return kFormatUnknown;
}
