#pragma once
// Why a picture could not be made, in words the person who owns the file can act on: not a
// picture (and what it looks like instead), cut short (at which row), a kind or variant not read
// (which), too large, or the system's own reason for not opening it.
//
// USAGE
//   PictureFailure why;
//   if (streamPictureFile(path, request, outputs, &why) != PictureStreamResult::Made)
//       list.push_back(path + " (" + why.text() + ")");   // "not a picture: it looks like a text file"
//
// text() is one lower-case phrase without a final full stop, to follow a file's name.

#include <cstddef>
#include <cstdint>
#include <string>

enum class PictureProblem {
    None,
    Missing,      // no file at the path
    CannotOpen,   // the system would not open or read it; detail: its reason
    Empty,        // the file holds no bytes
    NotAPicture,  // detail: what it looks like instead ("a PDF document"), or empty when nothing is known
    Unsupported,  // a kind or variant that is not read; detail: which ("a WebP picture", "TIFF: 64-bit samples")
    Truncated,    // the file ends before the picture does; row of rows came
    Damaged,      // the data does not hold together; row of rows came, detail the decoder's word when it has one
    TooLarge,     // more pixels than a picture may have; detail: its size
    NoMemory,     // the memory it needs could not be had; neededBytes when known
};

struct PictureFailure {
    PictureProblem problem = PictureProblem::None;
    std::string detail;
    uint32_t row = 0;   // Truncated, Damaged: the rows that came before it ended
    uint32_t rows = 0;  // of so many (0: the picture's size was not known yet)
    uint64_t neededBytes = 0;

    bool failed() const { return problem != PictureProblem::None; }
    std::string text() const;
};

// What content that is no picture of a format we read looks like, from its first bytes: "a text
// file", "a PDF document", "a ZIP archive"...; empty when it looks like nothing known.
// `pictureKind` says whether that is a kind of picture we do not read (WebP, HEIC, ...), rather
// than no picture at all.
std::string describeContent(const uint8_t* head, size_t size, bool& pictureKind);
