// What the readers share about memory: the size limit, the thread's memory gate, and the whole
// picture as a receiver that keeps every row.

#include <algorithm>
#include <new>
#include <string>

#include "picture/picture_codec.h"

namespace {

thread_local PictureMemoryGate* tMemoryGate = nullptr;

}  // namespace

bool pictureSizeAllowed(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
           width * height <= kMaxPicturePixels;
}

ScopedPictureMemoryGate::ScopedPictureMemoryGate(PictureMemoryGate& gate) : previous_(tMemoryGate)
{
    tMemoryGate = &gate;
}

ScopedPictureMemoryGate::~ScopedPictureMemoryGate() { tMemoryGate = previous_; }

PictureMemoryGate* currentPictureMemoryGate() { return tMemoryGate; }

RowDecode refuseSize(RowReceiver& receiver, uint64_t width, uint64_t height)
{
    receiver.explain(std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
                     std::to_string(kMaxPicturePixels / 1000000) + " million a picture may have");
    return RowDecode::TooLarge;
}

bool allocatePicture(DecodedPicture& out, uint32_t width, uint32_t height)
{
    if (!pictureSizeAllowed(width, height)) return false;
    if (tMemoryGate && !tMemoryGate->allowPixels(uint64_t{width} * height * 4)) return false;
    try {
        out.bgra.assign(static_cast<size_t>(width) * height * 4, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.width = out.fullWidth = width;
    out.height = out.fullHeight = height;
    return true;
}

bool PictureBufferReceiver::header(const RowStreamHeader& header)
{
    rowsIn_ = 0;
    if (!allocatePicture(out_, header.width, header.height)) return false;
    out_.fullWidth = std::max(header.fullWidth, header.width);
    out_.fullHeight = std::max(header.fullHeight, header.height);
    out_.icc = header.icc;
    out_.orientation = header.orientation;
    return true;
}

bool PictureBufferReceiver::rows(const uint8_t* bgra, uint32_t count)
{
    if (count > out_.height - rowsIn_) return false;
    const size_t stride = static_cast<size_t>(out_.width) * 4;
    uint8_t* target = out_.bgra.data() + rowsIn_ * stride;
    if (bgra != target) std::copy(bgra, bgra + count * stride, target);
    rowsIn_ += count;
    return true;
}
