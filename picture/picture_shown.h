#pragma once
// Pictures to be shown (a thumbnail cell, a preview) made straight from a file by rows: one decode
// at the smallest scale the hint allows, a resampler per size on the rows as they come, each size
// turned once it is small. So a thumbnail of a 24-megapixel photo never holds the photo.
//
// USAGE
//   std::vector<CPicture> made;
//   const ShownResult r = loadShownPictures(path, PictureSizeHint::fitInto(300, 300),
//       [](uint32_t w, uint32_t h) {                  // after EXIF, before any turn
//           return std::vector<ShownSize>{{150, 100, 1}};   // as shown, after its own turn
//       }, made);
//
// The pixels are those of CPicture's Load, Rotate and Resample2 to within one level of a channel.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/picture.h"

// One picture to make, in the size it is shown at after its own clockwise quarter turns.
struct ShownSize {
    uint32_t width = 0;
    uint32_t height = 0;
    int quarterTurns = 0;
};

enum class ShownResult {
    Made,           // every size made
    NothingToShow,  // the sizes asked for were none (a picture too thin to show)
    Unreadable,     // not a picture, broken or cut short
    NoMemory,       // the thread's memory gate refused, or memory ran out
};

// `sizes` is told the picture's size as stored after its EXIF orientation and says what to make;
// `hint` is in that orientation too, as for CPicture::Load. `made` gets one picture per size, in
// order, when the result is Made, and is empty otherwise.
ShownResult loadShownPictures(const std::string& path, const PictureSizeHint& hint,
                              const std::function<std::vector<ShownSize>(uint32_t width, uint32_t height)>& sizes,
                              std::vector<CPicture>& made);
