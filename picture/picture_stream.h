#pragma once
// Making several sizes of one picture file in one decode, in memory that does not grow with the
// picture: the decoder hands out bands of rows, each size has its own resampler working on the
// rows as they come (a size may be made from an earlier size instead of from the source), and
// each is encoded as a JPEG row by row. Turns (a JPEG's EXIF orientation, a TIFF's orientation
// tag, and the caller's) are applied to the small outputs, not to the source.
//
// Every format comes by rows through its one reader (picture_formats.h); an icon, small, is read
// whole inside its reader, and what that holds is asked of the thread's memory gate like any
// load. On Windows WIC gives JPEG, PNG, GIF, BMP, TIFF and ICO by bands of rows. Interlaced PNG
// and progressive JPEG stream too, but their decoders hold the whole picture, and interlaced GIF
// and run-length coded BMP their colour indices, a byte a pixel (counted as their working set).
//
// USAGE
//   PictureStreamRequest request;
//   request.quarterTurns = 1;                       // the user's turn, clockwise
//   request.hint = PictureSizeHint::fitInto(1024, 768).swapped();
//   request.plan = [](uint32_t w, uint32_t h) {     // the picture as seen, turns applied
//       return std::vector<PictureStreamOutput>{{640, 480, -1}, {150, 112, 0}};
//   };
//   std::vector<std::vector<uint8_t>> jpegs;
//   PictureFailure why;                             // what to tell when it is not Made
//   PictureStreamResult r = streamPictureFile(path, request, jpegs, &why);
//
// The pixels are those of the whole-picture path (CPicture: Load, Rotate, Resample2, Save) to
// within one level of a channel: the same readers and the same resampler, only the order of
// the turn and the resize differs.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/picture_byte_sink.h"
#include "picture/picture_failure.h"

// One size to make, in the picture's seen orientation (after every turn).
struct PictureStreamOutput {
    uint32_t width = 0;
    uint32_t height = 0;
    int from = -1;  // -1: from the source; else the index of an earlier output, resampled further
    // Encoded straight into this sink instead of into memory: its entry in the outputs then stays
    // empty, and the sink has had every byte when the result is Made.
    PictureByteSink* sink = nullptr;
};

struct PictureStreamRequest {
    int quarterTurns = 0;  // the caller's clockwise turn, after the EXIF orientation
    // As for CPicture::Load: in the orientation after EXIF, before the caller's turn.
    PictureSizeHint hint;
    int jpegQuality = kDefaultJpegQuality;
    // Pixels instead of JPEG files: each output is then its BGRA pixels (straight alpha, rows
    // packed), for a picture shown rather than saved.
    bool pixels = false;
    // Told the picture's true size as seen; says what to make. An empty list or a zero side
    // makes the stream fail as unreadable.
    std::function<std::vector<PictureStreamOutput>(uint32_t width, uint32_t height)> plan;
};

enum class PictureStreamResult {
    Made,        // every output encoded
    Unreadable,  // not a picture, broken or cut short: no output
    NoMemory,    // the memory gate refused, or memory ran out: no output
};

// Streams one file. The outputs (JPEG bytes, or pixels) are filled only when the result is Made;
// otherwise `why` (when given) says what stood in the way.
PictureStreamResult streamPictureFile(const std::string& path, const PictureStreamRequest& request,
                                      std::vector<std::vector<uint8_t>>& outputs, PictureFailure* why = nullptr);
