// The whole loading path on arbitrary bytes: format detection, every decoder (the libraries'
// and our own), EXIF orientation, then a resample and a turn of whatever was decoded. The first
// byte picks the format code the caller would have given and whether a size hint is used.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/picture.h"
#include "tests/fuzz/fuzz_memory_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScopedDecodeBudget budget;
    if (size < 1) return 0;
    const int code = data[0] % 16;
    const PictureSizeHint hint = (data[0] & 0x80) ? PictureSizeHint::fitInto(64, 48) : PictureSizeHint{};
    CPicture pic;
    if (!pic.loadMemory(data + 1, size - 1, code, hint)) {
        if (pic.IsValid() || pic.GetWidth() != 0) std::abort();
        return 0;
    }
    if (pic.bufferWidth() == 0 || pic.bufferWidth() > pic.GetWidth() + 1 || pic.bufferHeight() > pic.GetHeight() + 1)
        std::abort();
    if (pic.bufferWidth() * static_cast<uint64_t>(pic.bufferHeight()) <= 4096 * 4096) {
        pic.Resample2(17, 11);
        pic.Rotate(90.0f);
        if (pic.GetWidth() != 11 || pic.GetHeight() != 17) std::abort();
    }
    return 0;
}
