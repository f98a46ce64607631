// The JPEG segment walk (EXIF orientation, ICC profile pieces) and the splicing of a profile
// into a stream, on arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "picture/exif_orientation.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/picture_splice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const JpegMarkerInfo info = readJpegMarkers(data, size);
    if (info.orientation < 1 || info.orientation > 8) std::abort();
    const int direct = exifOrientationFromTiff(data, size);
    if (direct < 1 || direct > 8) std::abort();
    jpegHasAppSegment(data, size, 1);

    const std::vector<uint8_t> bytes(data, data + size);
    const std::vector<uint8_t> icc(data, data + size / 3);
    std::vector<uint8_t> out;
    insertIccProfile(bytes, icc, out);
    // Any profile spliced into a stream without one reads back unchanged.
    const std::vector<uint8_t> empty = {0xFF, 0xD8, 0xFF, 0xD9};
    if (insertIccProfile(empty, icc, out) && readJpegMarkers(out.data(), out.size()).icc != icc) std::abort();
    insertPngIccProfile(bytes, icc, out);
    pngHasChunk(data, size, "iCCP");
    insertGifTransparency(bytes, size ? data[0] : 0, out);
    return 0;
}
