// The HEIF reader (libheif with its HEVC and AV1 decoders behind ours) on arbitrary bytes: it must fail
// cleanly or give a whole picture of the size it announced.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/picture_codec.h"
#include "picture/picture_heif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedPicture out;
    PictureBufferReceiver receiver(out);
    if (decodeHeifRows(ByteSource{data, size}, receiver) == RowDecode::Done &&
        (!receiver.complete() || out.bgra.size() != static_cast<size_t>(out.width) * out.height * 4))
        std::abort();
    return 0;
}
