// The program's own WBMP reader on arbitrary bytes: it must fail cleanly or give a picture whose
// buffer matches its size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/picture_codec.h"
#include "picture/picture_formats.h"
#include "tests/fuzz/fuzz_memory_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScopedDecodeBudget budget;
    DecodedPicture out;
    if (decodePicture(kFormatWbmp, ByteSource{data, size}, {}, out) &&
        out.bgra.size() != static_cast<size_t>(out.width) * out.height * 4)
        std::abort();
    return 0;
}
