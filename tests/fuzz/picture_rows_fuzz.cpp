// Every reader of the format table through the one interface, on arbitrary bytes: the first byte
// picks the format (and a size hint). A reader must fail cleanly, or hand on exactly the rows it
// announced, each of the width it announced, and no more.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/picture_formats.h"
#include "tests/fuzz/fuzz_memory_budget.h"

namespace {

class CheckingReceiver final : public RowReceiver {
public:
    bool header(const RowStreamHeader& h) override
    {
        if (h.width == 0 || h.height == 0 || !pictureSizeAllowed(h.width, h.height)) std::abort();
        height_ = h.height;
        // As the build's streamed receiver does: what the reader will hold is asked for first.
        return h.decoderBytes <= fuzz::kDecodeBudget;
    }
    bool rows(const uint8_t* bgra, uint32_t count) override
    {
        if (!bgra || count == 0 || count > height_ - rowsIn_) std::abort();
        rowsIn_ += count;
        return true;
    }
    bool complete() const { return rowsIn_ == height_; }

private:
    uint32_t height_ = 0;
    uint32_t rowsIn_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScopedDecodeBudget budget;
    if (size < 1) return 0;
    const auto formats = pictureFormats();
    const PictureFormat& format = formats[data[0] % formats.size()];
    const PictureSizeHint hint = (data[0] & 0x80) ? PictureSizeHint::fitInto(64, 48) : PictureSizeHint{};
    CheckingReceiver receiver;
    if (format.decodeRows(ByteSource{data + 1, size - 1}, hint, receiver) == RowDecode::Done && !receiver.complete())
        std::abort();
    return 0;
}
