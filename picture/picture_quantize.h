#pragma once
// A palette made from the picture, for GIF: at most 256 colours, one of them kept for
// transparency when some pixel is less than half opaque. A picture with few enough colours keeps
// them exactly; others get a median-cut palette.

#include <cstdint>
#include <vector>

struct PaletteColour {
    uint8_t r = 0, g = 0, b = 0;
};

struct IndexedPicture {
    std::vector<PaletteColour> palette;  // 1..256 entries
    std::vector<uint8_t> indices;        // one per pixel, rows top down
    int transparentIndex = -1;           // -1: none
};

bool quantizeForGif(const uint8_t* bgra, uint32_t width, uint32_t height, IndexedPicture& out);
