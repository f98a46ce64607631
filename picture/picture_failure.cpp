// The words for why a picture was not made.

#include "picture/picture_failure.h"

#include <cstring>

namespace {

// The magic's own length, so that it may hold zero bytes.
template <size_t N> bool startsWith(const uint8_t* data, size_t size, const char (&magic)[N])
{
    return size >= N - 1 && std::memcmp(data, magic, N - 1) == 0;
}

template <size_t N> bool at(const uint8_t* data, size_t size, size_t offset, const char (&magic)[N])
{
    return size >= offset && startsWith(data + offset, size - offset, magic);
}

// Printable ASCII, tabs and line ends, and the bytes of UTF-8 sequences: nothing a picture's
// header is made of.
bool looksLikeText(const uint8_t* data, size_t size)
{
    const size_t n = size < 512 ? size : 512;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = data[i];
        if (c >= 0x20 && c != 0x7F) continue;
        if (c == '\t' || c == '\n' || c == '\r' || c == '\f') continue;
        return false;
    }
    return n > 0;
}

std::string rowText(uint32_t row, uint32_t rows)
{
    return "row " + std::to_string(row + 1) + " of " + std::to_string(rows);
}

}  // namespace

std::string describeContent(const uint8_t* head, size_t size, bool& pictureKind)
{
    pictureKind = true;
    if (at(head, size, 8, "WEBP") && startsWith(head, size, "RIFF")) return "a WebP picture";
    if (at(head, size, 4, "ftypavif") || at(head, size, 4, "ftypavis")) return "an AVIF picture";
    if (at(head, size, 4, "ftypheic") || at(head, size, 4, "ftypheix") || at(head, size, 4, "ftyphevc") ||
        at(head, size, 4, "ftypmif1") || at(head, size, 4, "ftypmsf1"))
        return "a HEIC picture";
    if (startsWith(head, size, "8BPS")) return "a Photoshop document";
    if (startsWith(head, size, "\x00\x00\x00\x0CjP  ") || startsWith(head, size, "\xFF\x4F\xFF\x51"))
        return "a JPEG 2000 picture";
    if (startsWith(head, size, "\x76\x2F\x31\x01")) return "an OpenEXR picture";
    if (startsWith(head, size, "FUJIFILMCCD-RAW")) return "a camera's raw picture";
    pictureKind = false;
    if (startsWith(head, size, "%PDF")) return "a PDF document";
    if (startsWith(head, size, "PK\x03\x04")) return "a ZIP archive (or an office document)";
    if (startsWith(head, size, "\x1F\x8B")) return "a gzip archive";
    if (startsWith(head, size, "Rar!")) return "a RAR archive";
    if (startsWith(head, size, "7z\xBC\xAF")) return "a 7-Zip archive";
    if (startsWith(head, size,
                   "\x7F"
                   "ELF"))
        return "a program";
    if (startsWith(head, size, "MZ")) return "a Windows program";
    if (startsWith(head, size, "ID3") || startsWith(head, size, "fLaC") || startsWith(head, size, "OggS"))
        return "a sound file";
    if (at(head, size, 4, "ftyp")) return "a video";
    if (looksLikeText(head, size)) {
        const std::string start(reinterpret_cast<const char*>(head), size < 512 ? size : 512);
        if (start.find("<svg") != std::string::npos) return "an SVG drawing, which is not read";
        if (start.find("<html") != std::string::npos || start.find("<!DOCTYPE") != std::string::npos ||
            start.find("<!doctype") != std::string::npos)
            return "a web page";
        return "a text file";
    }
    return {};
}

std::string PictureFailure::text() const
{
    switch (problem) {
    case PictureProblem::None: return {};
    case PictureProblem::Missing: return "the file is missing";
    case PictureProblem::CannotOpen: return detail.empty() ? "cannot be read" : "cannot be read: " + detail;
    case PictureProblem::Empty: return "the file is empty";
    case PictureProblem::NotAPicture:
        return detail.empty() ? "not a picture of any kind Fotoloom reads" : "not a picture: it looks like " + detail;
    case PictureProblem::Unsupported: return "a kind of picture Fotoloom does not read: " + detail;
    case PictureProblem::Truncated:
        return rows ? "cut short: the file ends at " + rowText(row, rows)
                    : "cut short: the file ends before its pixels";
    case PictureProblem::Damaged: {
        std::string text = rows ? "damaged at " + rowText(row, rows) : std::string("damaged");
        return detail.empty() ? text : text + " (" + detail + ")";
    }
    case PictureProblem::TooLarge: return "too large: " + detail;
    case PictureProblem::NoMemory:
        return neededBytes ? "it needs about " + std::to_string((neededBytes + (1u << 20) - 1) >> 20) +
                                 " MB of memory, more than could be had"
                           : "there was not enough memory for it";
    }
    return {};
}
