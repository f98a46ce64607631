#pragma once
// The one table of picture formats: what each is called, how its content is recognised, its one
// reader (by rows into a receiver) and its writer (by rows, where it is written). Inside the
// picture code; callers outside it use picture.h and picture_stream.h.
//
// USAGE
//   const PictureFormat* f = pictureFormat(kFormatPng);          // null: no such code
//   RowDecode r = f->decodeRows(source, hint, receiver);           // every reader the same way
//   DecodedPicture whole;                                          // the whole picture is just
//   decodePicture(kFormatTga, source, {}, whole, &why);            //   a receiver keeping every row
//   std::unique_ptr<PictureRowEncoder> e = f->encodeRows ? f->encodeRows() : nullptr;
//
// A new format is one more entry (picture_formats.cpp) with a reader of its own file; nothing
// else of the picture code names formats.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "picture/picture_codec.h"
#include "picture/picture_failure.h"

struct PictureFormat {
    int code;          // format_code.h
    const char* name;  // "JPEG", for messages
    // Whether content starting with these bytes is of this format. For most a signature; for
    // TGA and WBMP, which have none, a header that holds together (`signature` false): those
    // are tried only when no signature fits.
    bool (*detect)(const uint8_t* head, size_t size);
    bool signature;
    // The one reader: the rows top down into the receiver (`hint` in stored orientation, used by
    // JPEG's reduced-scale decode).
    RowDecode (*decodeRows)(const ByteSource& source, const PictureSizeHint& hint, RowReceiver& receiver);
    // A new writer of this format; null when the format is not written.
    std::unique_ptr<PictureRowEncoder> (*encodeRows)();
};

// Every format, in the order signatures are tried.
std::span<const PictureFormat> pictureFormats();
// The entry of a format code; null for codes without a reader (WMF, JPEG 2000, PGX) or unknown.
const PictureFormat* pictureFormat(int code);

// The format that the content shows by its signature; kFormatUnknown when none is certain.
int detectFormat(const uint8_t* data, size_t size);
// The formats to try for content that starts with `bytes`, in order: the one its signature
// shows, else the caller's code and the formats without a signature whose header holds together.
// Returns how many (0..3); the rest are kFormatUnknown.
int candidateFormats(const uint8_t* bytes, size_t size, int formatCode, int (&candidates)[3]);
// Formats without a signature, recognised by a header that holds together.
bool looksLikeTga(const uint8_t* data, size_t size);
bool looksLikeWbmp(const uint8_t* data, size_t size);

// One reader of `format` by rows; Unsupported (and explained) for a code without one.
RowDecode decodeFormatRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver);
// The reader run into a receiver that keeps every row: true, and `out` the whole picture, only
// when every row came; else `out` empty and `why` (when given) says what went wrong.
bool decodePicture(int format, const ByteSource& source, const PictureSizeHint& hint, DecodedPicture& out,
                   PictureFailure* why = nullptr);
// How a reader's result reads to the user, given the rows that came of how many (rows 0: no
// header yet) and what the reader explained.
PictureFailure failureOf(RowDecode result, uint32_t rowsIn, uint32_t rows, const std::string& explanation);
