#pragma once
// The average colour of a picture, shown behind its thumbnail until the thumbnail arrives.

#include <cstdint>
#include <vector>

// The average colour of an encoded picture (a thumbnail, small), as 0x00BBGGRR, each channel
// rounded to one of 16 levels (0x00, 0x11, ... 0xff); transparent pixels count by their opacity.
// -1 when the bytes are no picture. The coarse levels are all a placeholder needs, and they keep
// the pages the same on every platform although the JPEG decoders differ in the last bit.
int32_t averageColour(const std::vector<uint8_t>& encoded);
