// The TIFF orientation tag reader on arbitrary bytes: a number from 1 to 8 whatever the
// directory says, and the same from an open file as from memory.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "picture/tiff_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Orientation inMemory = tiffOrientation(ByteSource{data, size});
    const int n = static_cast<int>(inMemory);
    if (n < 1 || n > 8) std::abort();
    if (size == 0) return 0;
    std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    ByteSource file;
    file.file = f;
    file.fileSize = size;
    if (tiffOrientation(file) != inMemory) std::abort();
    std::fclose(f);
    return 0;
}
