#include "generator/picture_pipeline.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "base/file_system.h"
#include "generator/content_hash.h"
#include "generator/file_ops.h"
#include "picture/picture.h"

namespace {

// The picture class refuses larger files anyway; reading stops there.
constexpr uint64_t kMaxSourceBytes = uint64_t{1} << 30;

bool turnsSideways(int32_t rotation) { return ((rotation % 180) + 180) % 180 == 90; }

// The previous build's photo and thumbnail are still what it wrote, for the same source and shape.
bool previousOutputsFit(const PictureJob& job, const std::string& shapeText)
{
    const PictureFingerprint* p = job.previous;
    if (!p || p->source != job.source || p->shape != shapeText || p->thumbName != job.thumbName) return false;
    // Never through a link: what stands there must be a file of the gallery folder itself.
    const FileFacts photo = inspectFile(job.photoPath);
    const FileFacts thumb = inspectFile(job.thumbPath);
    return photo.kind == FileKind::Regular && thumb.kind == FileKind::Regular && photo.size == job.previousPhotoSize &&
           thumb.size == job.previousThumbSize;
}

PictureOutcome reused(PictureFingerprint fingerprint)
{
    PictureOutcome out;
    out.kind = PictureOutcome::Kind::Reused;
    out.fingerprint = std::move(fingerprint);
    return out;
}

}  // namespace

std::string pictureShapeText(const PictureShape& shape, int32_t rotation)
{
    std::string text = "v";
    for (const auto& [tag, value] : {std::pair<const char*, int64_t>{"", kPicturePipelineVersion},
                                     {" r", rotation},
                                     {" box", shape.box.width},
                                     {"x", shape.box.height},
                                     {" t", shape.thumbWidth},
                                     {" q", shape.jpegQuality}}) {
        text.append(tag);
        text.append(std::to_string(value));
    }
    return text;
}

uint64_t pictureMemoryCost(uint64_t sourceBytes, uint64_t pixelBytes, PhotoBox box)
{
    const uint64_t photo = box.width != 0 ? uint64_t{box.width} * box.height * 4 : pixelBytes / 2;
    return sourceBytes + 2 * pixelBytes + photo;
}

namespace {

// Grows the picture's reservation when the decoder is about to allocate its pixels; when that
// does not fit now, the decode is refused and `wanted` says what to wait for.
class BudgetGate final : public PictureMemoryGate {
public:
    BudgetGate(MemoryReservation& reservation, uint64_t sourceBytes, PhotoBox box)
        : reservation_(reservation), sourceBytes_(sourceBytes), box_(box)
    {
    }
    bool allowPixels(uint64_t bytes) override
    {
        const uint64_t need = pictureMemoryCost(sourceBytes_, bytes, box_);
        if (reservation_.tryGrowTo(need)) return true;
        wanted = std::max(wanted, need);
        return false;
    }
    uint64_t wanted = 0;

private:
    MemoryReservation& reservation_;
    const uint64_t sourceBytes_;
    const PhotoBox box_;
};

PictureOutcome tooLarge(uint64_t needed)
{
    PictureOutcome out;
    out.kind = PictureOutcome::Kind::TooLarge;
    out.neededBytes = needed;
    return out;
}

}  // namespace

PictureOutcome makePicture(const PictureJob& job, const PictureShape& shape, MemoryBudget& budget, size_t ticket)
{
    PictureOutcome out;
    const FileStamp source = stampOf(job.source);
    if (!source.exists) return out;

    const std::string shapeText = pictureShapeText(shape, job.rotation);
    const bool canReuse = !shape.force && previousOutputsFit(job, shapeText);
    // Same size and time: trust the hash taken when the photo was made, without reading the file.
    if (canReuse && source.size == job.previous->sourceSize && source.modified == job.previous->sourceModified)
        return reused(*job.previous);

    // First only the source's bytes are reserved; the decoder asks for the rest once it knows the
    // picture's size. When that does not fit, everything is given back, the worker waits until the
    // whole cost fits, and reads and decodes again: nobody waits while holding a part.
    MemoryReservation reservation(budget, ticket);
    uint64_t want = source.size;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (want > budget.total()) return tooLarge(want);
        if (!reservation.waitFor(want)) return out;  // the build stops

        std::string bytes;
        if (!readFileBytes(job.source, bytes, kMaxSourceBytes)) return out;
        const uint64_t hash = contentHash(bytes.data(), bytes.size());
        if (canReuse && source.size == job.previous->sourceSize && hash == job.previous->sourceHash) {
            PictureFingerprint touched = *job.previous;
            touched.sourceModified = source.modified;
            return reused(std::move(touched));
        }

        // Decoded at the smallest JPEG scale that still covers the photo box, in the sides the
        // picture has before it is turned.
        PictureSizeHint hint;
        if (shape.box.width != 0) {
            hint = PictureSizeHint::fitInto(shape.box.width, shape.box.height);
            if (turnsSideways(job.rotation)) hint = hint.swapped();
        }
        BudgetGate gate(reservation, bytes.size(), shape.box);
        CPicture picture;
        bool loaded = false;
        {
            ScopedPictureMemoryGate scope(gate);
            loaded = picture.loadMemory(bytes.data(), bytes.size(), 0, hint);
        }
        if (!loaded) {
            if (gate.wanted == 0) return out;  // not a picture we can read
            want = gate.wanted;
            continue;
        }
        std::string().swap(bytes);  // the source bytes are not needed any more

        if (job.rotation != 0) picture.Rotate(static_cast<float>(job.rotation));
        picture.setJpegQuality(shape.jpegQuality);

        uint32_t width = picture.GetWidth();
        uint32_t height = picture.GetHeight();
        fitIntoBox(width, height, shape.box);
        if (width != picture.GetWidth() || height != picture.GetHeight()) picture.Resample2(width, height);
        picture.saveMemory(out.photoBytes, kFormatJpeg);

        // The thumbnail is made from the fitted photo, not from the source.
        fitToThumbWidth(width, height, shape.thumbWidth);
        if (width != picture.GetWidth() || height != picture.GetHeight()) {
            picture.Resample2(width, height);
            picture.saveMemory(out.thumbBytes, kFormatJpeg);
        } else {
            out.thumbBytes = out.photoBytes;  // the same picture saved the same way
        }

        out.kind = PictureOutcome::Kind::Made;
        out.fingerprint = {job.source, source.size, source.modified, hash, shapeText, job.thumbName};
        return out;
    }
    return out;  // the decoder kept asking for more than it was given: passed over as unreadable
}

PicturePool::PicturePool(const std::vector<PictureJob>& jobs, const PictureShape& shape, unsigned threads,
                         MemoryBudget& budget, const ThreadStarter& start)
    : jobs_(jobs), shape_(shape), budget_(budget)
{
    threads = std::max(1u, threads);
    // Two pictures per worker: one being made, one finished and waiting for the builder.
    window_ = 2 * size_t{threads};
    slots_.resize(window_);
    threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(jobs.size(), 1)));
    try {
        for (unsigned i = 0; i < threads; ++i) {
            if (start) {
                threads_.push_back(start([this] { work(); }));
            } else {
                threads_.emplace_back([this] { work(); });
            }
        }
    } catch (const std::system_error&) {
        // Out of threads (a low process limit): the workers that started are enough, and with
        // none, take() makes every picture itself.
    }
}

PicturePool::~PicturePool()
{
    stop();
    for (std::thread& t : threads_) t.join();
}

void PicturePool::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    budget_.stop();  // a worker waiting for room gives up
}

namespace {

PictureOutcome makeGuarded(const PictureJob& job, const PictureShape& shape, MemoryBudget& budget, size_t ticket)
{
    try {
        return makePicture(job, shape, budget, ticket);
    } catch (const std::bad_alloc&) {
        return {};  // too large to hold now: passed over like an unreadable picture
    }
}

}  // namespace

void PicturePool::work()
{
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [this] { return stopping_ || next_ >= jobs_.size() || next_ < taken_ + window_; });
            if (stopping_ || next_ >= jobs_.size()) return;
            index = next_++;
        }
        PictureOutcome outcome = makeGuarded(jobs_[index], shape_, budget_, index);
        {
            std::lock_guard lock(mutex_);
            slots_[index % window_] = std::move(outcome);
        }
        resultReady_.notify_all();
    }
}

PictureOutcome PicturePool::take(size_t index)
{
    if (threads_.empty()) return makeGuarded(jobs_[index], shape_, budget_, index);
    std::unique_lock lock(mutex_);
    std::optional<PictureOutcome>& slot = slots_[index % window_];
    resultReady_.wait(lock, [&] { return slot.has_value(); });
    PictureOutcome outcome = std::move(*slot);
    slot.reset();
    taken_ = index + 1;
    lock.unlock();
    workReady_.notify_all();
    return outcome;
}
