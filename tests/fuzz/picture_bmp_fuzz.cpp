// The program's own BMP reader on arbitrary bytes, whole and by rows: it must fail cleanly or give
// a picture whose buffer matches its size, and by rows exactly the rows it announced.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/picture_bmp.h"
#include "picture/picture_codec.h"
#include "picture/picture_formats.h"
#include "tests/fuzz/fuzz_memory_budget.h"

namespace {

class CountingReceiver final : public RowReceiver {
public:
    bool header(const RowStreamHeader& h) override
    {
        height_ = h.height;
        return h.width != 0 && h.height != 0;
    }
    bool rows(const uint8_t*, uint32_t count) override
    {
        rowsIn_ += count;
        return rowsIn_ <= height_;
    }
    bool complete() const { return rowsIn_ == height_; }

private:
    uint64_t height_ = 0;
    uint64_t rowsIn_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScopedDecodeBudget budget;
    DecodedPicture out;
    if (decodePicture(kFormatBmp, ByteSource{data, size}, {}, out) &&
        out.bgra.size() != static_cast<size_t>(out.width) * out.height * 4)
        std::abort();
    CountingReceiver receiver;
    if (decodeBmpRows(ByteSource{data, size}, receiver) == RowDecode::Done && !receiver.complete()) std::abort();
    return 0;
}
