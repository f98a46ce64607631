#pragma once
// The sizes of a build's photos and thumbnails: the photo box of each photo size the settings
// offer, and the fit arithmetic (photo_fit.cpp).

#include <cstdint>

// The photo box of a photoSize (0..5); {0, 0} for 6 ("Original Size") and anything unknown.
struct PhotoBox {
    uint32_t width = 0;
    uint32_t height = 0;
};
PhotoBox photoBoxOf(int32_t photoSize);
// The size a w x h picture is fitted to: to the box's width when wider, then to its height when
// still taller; never enlarged, never below 1 pixel. A {0, 0} box leaves the size as it is.
void fitIntoBox(uint32_t& width, uint32_t& height, PhotoBox box);
// The thumbnail's size for a fitted photo of w x h: thumbWidth wide when wider, else as it is.
void fitToThumbWidth(uint32_t& width, uint32_t& height, int32_t thumbWidth);
// Whether a picture of sourceWidth x sourceHeight holds a file twice as large as w x h in both
// sides (the high-density file of a photo or thumbnail): never made by enlarging.
bool doubleFits(uint32_t width, uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight);
