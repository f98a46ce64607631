#include "generator/picture_pipeline.h"

#include <algorithm>
#include <new>

#include "gallery/picture.h"
#include "generator/content_hash.h"
#include "generator/file_ops.h"

namespace {

// The picture class refuses larger files anyway; reading stops there.
constexpr uint64_t kMaxSourceBytes = uint64_t{1} << 30;

bool turnsSideways(int32_t rotation) { return ((rotation % 180) + 180) % 180 == 90; }

// The previous build's photo and thumbnail are still what it wrote, for the same source and shape.
bool previousOutputsFit(const PictureJob& job, const std::string& shapeText)
{
    const PictureFingerprint* p = job.previous;
    if (!p || p->source != job.source || p->shape != shapeText || p->thumbName != job.thumbName) return false;
    const FileStamp photo = stampOf(job.photoPath);
    const FileStamp thumb = stampOf(job.thumbPath);
    return photo.exists && thumb.exists && photo.size == job.previousPhotoSize && thumb.size == job.previousThumbSize;
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

PictureOutcome makePicture(const PictureJob& job, const PictureShape& shape)
{
    PictureOutcome out;
    const FileStamp source = stampOf(job.source);
    if (!source.exists) return out;

    const std::string shapeText = pictureShapeText(shape, job.rotation);
    const bool canReuse = !shape.force && previousOutputsFit(job, shapeText);
    // Same size and time: trust the hash taken when the photo was made, without reading the file.
    if (canReuse && source.size == job.previous->sourceSize && source.modified == job.previous->sourceModified)
        return reused(*job.previous);

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
    CPicture picture;
    if (!picture.loadMemory(bytes.data(), bytes.size(), 0, hint)) return out;
    std::string().swap(bytes);  // the source bytes are not needed any more: keep memory per worker low

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

PicturePool::PicturePool(const std::vector<PictureJob>& jobs, const PictureShape& shape, unsigned threads)
    : jobs_(jobs), shape_(shape)
{
    threads = std::max(1u, threads);
    // Two pictures per worker: one being made, one finished and waiting for the builder.
    window_ = 2 * size_t{threads};
    slots_.resize(window_);
    threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(jobs.size(), 1)));
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
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
}

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
        PictureOutcome outcome;
        try {
            outcome = makePicture(jobs_[index], shape_);
        } catch (const std::bad_alloc&) {
            outcome = {};  // too large to hold now: passed over like an unreadable picture
        }
        {
            std::lock_guard lock(mutex_);
            slots_[index % window_] = std::move(outcome);
        }
        resultReady_.notify_all();
    }
}

PictureOutcome PicturePool::take(size_t index)
{
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
