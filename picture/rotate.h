#pragma once
// Turning and mirroring 8-bit BGRA pixels: the eight orientations that EXIF describes, of which
// the user's rotations by 90, 180 and 270 degrees are three.

#include <cstdint>
#include <vector>

// EXIF orientation values: how the stored pixels must be transformed to be seen as meant.
enum class Orientation : int {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,   // mirrored left-right, then turned 90 anticlockwise
    Rotate90 = 6,    // turned 90 clockwise
    Transverse = 7,  // mirrored left-right, then turned 90 clockwise
    Rotate270 = 8,   // turned 90 anticlockwise
};

// True for the orientations that exchange width and height.
inline bool swapsSides(Orientation o) { return static_cast<int>(o) >= 5; }

// The clockwise turn by quarter turns (any integer; negative turns left) as an orientation.
Orientation orientationOfQuarterTurns(int quarterTurns);

// Puts row y of a width x height picture where `orientation` takes it, in `dst`, the transformed
// picture (sides swapped for orientations 5 to 8): a picture turned as its rows are made.
void orientRowInto(const uint8_t* row, uint32_t y, uint32_t width, uint32_t height, Orientation orientation,
                   uint8_t* dst);

// The one orientation that does `first`, then `then`.
Orientation combineOrientations(Orientation first, Orientation then);

// Transforms width x height pixels into `dst`, which is resized; its sides are swapped for
// orientations 5 to 8. False when memory cannot be had.
bool orientPixels(const uint8_t* src, uint32_t width, uint32_t height, Orientation orientation,
                  std::vector<uint8_t>& dst);
