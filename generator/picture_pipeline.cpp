#include "generator/picture_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <system_error>

#include "base/file_system.h"
#include "generator/content_hash.h"
#include "generator/file_ops.h"
#include "generator/picture_colour.h"
#include "picture/picture.h"
#include "picture/picture_stream.h"

namespace {

// The picture class refuses larger files anyway; reading stops there.
constexpr uint64_t kMaxSourceBytes = uint64_t{1} << 30;

bool turnsSideways(int32_t rotation) { return ((rotation % 180) + 180) % 180 == 90; }

// The previous build's photo and thumbnail are still what it wrote, for the same source and shape.
bool previousOutputsFit(const PictureJob& job, const PictureShape& shape, const std::string& shapeText)
{
    const PictureFingerprint* p = job.previous;
    if (!p || p->source != job.source || p->shape != shapeText || p->thumbName != job.thumbName) return false;
    // Never through a link: what stands there must be a file of the gallery folder itself.
    const auto fits = [](const std::string& path, uint64_t size) {
        const FileFacts facts = inspectFile(path);
        return facts.kind == FileKind::Regular && facts.size == size;
    };
    if (!fits(job.photoPath, job.previousPhotoSize) || !fits(job.thumbPath, job.previousThumbSize)) return false;
    if (!shape.dense) return true;
    // The pages need the look, and the high-density files it lists must be there too.
    return p->look.known() && (!p->look.densePhoto || fits(job.densePhotoPath, job.previousDensePhotoSize)) &&
           (!p->look.denseThumb || fits(job.denseThumbPath, job.previousDenseThumbSize));
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
    // Only then: the fingerprints of a build without them stay what they were.
    if (shape.dense) text.append(" d2");
    return text;
}

uint64_t pictureMemoryCost(uint64_t sourceBytes, uint64_t pixelBytes, PhotoBox box)
{
    const uint64_t photo = box.width != 0 ? uint64_t{box.width} * box.height * 4 : pixelBytes / 2;
    return sourceBytes + 2 * pixelBytes + photo;
}

namespace {

// Grows the picture's reservation when the streamed decode (or a decoder that reads whole) is
// about to take its memory; when that does not fit now, the decode is refused and `wanted` says
// what to wait for.
class BudgetGate final : public PictureMemoryGate {
public:
    BudgetGate(MemoryReservation& reservation, uint64_t sourceBytes, PhotoBox box)
        : reservation_(reservation), sourceBytes_(sourceBytes), box_(box)
    {
    }
    bool allowPixels(uint64_t bytes) override { return grow(pictureMemoryCost(sourceBytes_, bytes, box_)); }
    bool allowWorkingSet(uint64_t bytes) override { return grow(bytes); }
    uint64_t wanted = 0;

private:
    bool grow(uint64_t need)
    {
        if (reservation_.tryGrowTo(need)) return true;
        wanted = std::max(wanted, need);
        return false;
    }
    MemoryReservation& reservation_;
    const uint64_t sourceBytes_;
    const PhotoBox box_;
};

class FileSink final : public PictureByteSink {
public:
    explicit FileSink(StreamedFile& file) : file_(file) {}
    bool write(const uint8_t* bytes, size_t size) override { return file_.write(bytes, size); }

private:
    StreamedFile& file_;
};

PictureOutcome tooLarge(uint64_t needed)
{
    PictureOutcome out;
    out.kind = PictureOutcome::Kind::TooLarge;
    out.neededBytes = needed;
    return out;
}

// The source's content hash, read a piece at a time.
bool hashFile(const std::string& path, uint64_t& hash)
{
    std::FILE* f = openFile(path, "rb");
    if (!f) return false;
    ContentHasher hasher;
    std::vector<unsigned char> piece(size_t{1} << 20);
    size_t n = 0;
    uint64_t total = 0;
    while ((n = std::fread(piece.data(), 1, piece.size(), f)) > 0 && total <= kMaxSourceBytes) {
        hasher.add(piece.data(), n);
        total += n;
    }
    const bool ok = !std::ferror(f) && total <= kMaxSourceBytes;
    std::fclose(f);
    hash = hasher.finish();
    return ok;
}

// The sizes a picture is made in, and which output is which.
struct SizePlan {
    std::vector<PictureStreamOutput> sizes;
    int photo = 0;
    int thumb = 0;        // the photo itself when no smaller thumbnail is needed
    int densePhoto = -1;  // -1: none
    int denseThumb = -1;  // -1: none; the dense photo's bytes when the thumbnail is the photo
};

// The photo fitted into the box, the thumbnail from the photo (none when it would be the photo
// itself), and with `dense` each of them twice as large where the source holds it. The dense
// photo is then made from the source and the photo from it, rather than both from the source:
// the source's rows go through one resampler instead of two, which is most of what a picture
// costs beyond its decode.
SizePlan planSizes(uint32_t width, uint32_t height, const PictureShape& shape)
{
    SizePlan plan;
    const uint32_t sourceWidth = width;
    const uint32_t sourceHeight = height;
    fitIntoBox(width, height, shape.box);
    const uint32_t photoWidth = width;
    const uint32_t photoHeight = height;
    const auto add = [&plan](uint32_t w, uint32_t h, int from) {
        plan.sizes.push_back({w, h, from});
        return static_cast<int>(plan.sizes.size()) - 1;
    };
    if (shape.dense && doubleFits(photoWidth, photoHeight, sourceWidth, sourceHeight)) {
        plan.densePhoto = add(photoWidth * 2, photoHeight * 2, -1);
        plan.photo = add(photoWidth, photoHeight, plan.densePhoto);
    } else {
        plan.photo = add(photoWidth, photoHeight, -1);
    }
    plan.thumb = plan.photo;
    fitToThumbWidth(width, height, shape.thumbWidth);
    if (width != photoWidth) plan.thumb = add(width, height, plan.photo);
    if (!shape.dense) return plan;
    if (plan.thumb == plan.photo) {
        plan.denseThumb = plan.densePhoto;
    } else if (doubleFits(width, height, sourceWidth, sourceHeight)) {
        plan.denseThumb = add(width * 2, height * 2, plan.densePhoto);
    }
    return plan;
}

PictureLook lookOf(const SizePlan& plan, const std::vector<uint8_t>& thumbBytes)
{
    PictureLook look;
    look.photoWidth = plan.sizes[static_cast<size_t>(plan.photo)].width;
    look.photoHeight = plan.sizes[static_cast<size_t>(plan.photo)].height;
    look.thumbWidth = plan.sizes[static_cast<size_t>(plan.thumb)].width;
    look.thumbHeight = plan.sizes[static_cast<size_t>(plan.thumb)].height;
    look.colour = averageColour(thumbBytes);
    look.densePhoto = plan.densePhoto >= 0;
    look.denseThumb = plan.denseThumb >= 0;
    return look;
}

}  // namespace

bool sourceUnchanged(const PictureFingerprint& fingerprint)
{
    const FileStamp source = stampOf(fingerprint.source);
    if (!source.exists || source.size != fingerprint.sourceSize) return false;
    if (source.modified == fingerprint.sourceModified) return true;
    uint64_t hash = 0;
    return hashFile(fingerprint.source, hash) && hash == fingerprint.sourceHash;
}

PictureOutcome makePicture(const PictureJob& job, const PictureShape& shape, MemoryBudget& budget, size_t ticket,
                           GalleryWriter* files)
{
    PictureOutcome out;
    const FileStamp source = stampOf(job.source);
    if (!source.exists) {
        out.failure.problem = PictureProblem::Missing;
        return out;
    }

    const std::string shapeText = pictureShapeText(shape, job.rotation);
    const bool canReuse = !shape.force && previousOutputsFit(job, shape, shapeText);
    // Same size and time: trust the hash taken when the photo was made, without reading the file.
    if (canReuse && source.size == job.previous->sourceSize && source.modified == job.previous->sourceModified)
        return reused(*job.previous);

    uint64_t hash = 0;
    if (!hashFile(job.source, hash)) {
        out.failure.problem = PictureProblem::CannotOpen;
        return out;
    }
    if (canReuse && source.size == job.previous->sourceSize && hash == job.previous->sourceHash) {
        PictureFingerprint touched = *job.previous;
        touched.sourceModified = source.modified;
        return reused(std::move(touched));
    }

    // Decoded at the smallest JPEG scale that still covers the photo box, in the sides the
    // picture has before it is turned.
    // With high-density files, the largest size any of them needs: twice the box.
    const uint32_t scale = shape.dense ? 2 : 1;
    const PhotoBox box{shape.box.width * scale, shape.box.height * scale};
    PictureStreamRequest request;
    if (box.width != 0) {
        request.hint = PictureSizeHint::fitInto(box.width, box.height);
        if (turnsSideways(job.rotation)) request.hint = request.hint.swapped();
    }
    request.quarterTurns = job.rotation % 90 == 0 ? job.rotation / 90 : 0;
    request.jpegQuality = shape.jpegQuality;
    std::unique_ptr<StreamedFile> photoFile;
    std::optional<FileSink> photoSink;
    SizePlan plan;
    request.plan = [&](uint32_t width, uint32_t height) {
        plan = planSizes(width, height, shape);
        // A photo that is its own thumbnail is needed in memory anyway.
        if (plan.thumb != plan.photo && photoSink) plan.sizes[static_cast<size_t>(plan.photo)].sink = &*photoSink;
        return plan.sizes;
    };

    // The stream asks for what it holds once it knows the picture's size. When that does not fit
    // now, everything is given back, the worker waits until the whole cost fits and starts
    // again: nobody waits while holding a part.
    MemoryReservation reservation(budget, ticket);
    uint64_t want = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (want > budget.total()) return tooLarge(want);
        if (!reservation.waitFor(want)) return out;  // the build stops

        BudgetGate gate(reservation, source.size, box);
        photoSink.reset();
        photoFile = files ? files->stream(job.photoName, shape.force) : nullptr;
        if (photoFile) photoSink.emplace(*photoFile);
        std::vector<std::vector<uint8_t>> sizes;
        PictureStreamResult result = PictureStreamResult::Unreadable;
        {
            ScopedPictureMemoryGate scope(gate);
            result = streamPictureFile(job.source, request, sizes, &out.failure);
        }
        if (result != PictureStreamResult::Made && photoFile && photoFile->failed()) {
            // The photo's file could not be written: told as a file not written, never as a picture
            // that cannot be read. No fingerprint, so the next build makes it again.
            out.kind = PictureOutcome::Kind::Made;
            out.failure = {};
            out.photoFile = std::move(photoFile);
            return out;
        }
        if (result == PictureStreamResult::Unreadable) return out;
        if (result == PictureStreamResult::NoMemory) {
            out.failure = {};
            // Out of memory outside the budget's count: as large as the whole budget, for the message.
            want = gate.wanted != 0 ? gate.wanted : std::max(reservation.held(), budget.total()) + 1;
            continue;
        }
        std::vector<uint8_t>& photo = sizes[static_cast<size_t>(plan.photo)];
        if (photo.empty() && photoFile) {
            out.photoFile = std::move(photoFile);
        } else {
            out.photoBytes = std::move(photo);
        }
        out.thumbBytes = plan.thumb != plan.photo ? std::move(sizes[static_cast<size_t>(plan.thumb)]) : out.photoBytes;
        out.kind = PictureOutcome::Kind::Made;
        out.fingerprint = {job.source, source.size, source.modified, hash, shapeText, job.thumbName, {}};
        if (shape.dense) {
            if (plan.densePhoto >= 0) out.densePhotoBytes = std::move(sizes[static_cast<size_t>(plan.densePhoto)]);
            if (plan.denseThumb == plan.densePhoto) {
                out.denseThumbBytes = out.densePhotoBytes;
            } else if (plan.denseThumb >= 0) {
                out.denseThumbBytes = std::move(sizes[static_cast<size_t>(plan.denseThumb)]);
            }
            out.fingerprint.look = lookOf(plan, out.thumbBytes);
        }
        return out;
    }
    // The decoder kept asking for more than it was given.
    return tooLarge(want);
}

PicturePool::PicturePool(const std::vector<PictureJob>& jobs, const PictureShape& shape, unsigned threads,
                         MemoryBudget& budget, GalleryWriter* files, const ThreadStarter& start)
    : jobs_(jobs), shape_(shape), budget_(budget), files_(files)
{
    threads = std::max(1u, threads);
    // Four pictures per worker: being made or finished and waiting for the builder. The window
    // lets a large picture start before the smaller ones ahead of it.
    window_ = 4 * size_t{threads};
    slots_.resize(window_);
    sizes_.reserve(jobs.size());
    startOrder_.reserve(jobs.size());
    for (const PictureJob& job : jobs) sizes_.push_back(stampOf(job.source).size);
    started_.assign(jobs.size(), false);
    unstarted_ = jobs.size();
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

PictureOutcome makeGuarded(const PictureJob& job, const PictureShape& shape, MemoryBudget& budget, size_t ticket,
                           GalleryWriter* files)
{
    try {
        return makePicture(job, shape, budget, ticket, files);
    } catch (const std::bad_alloc&) {
        // Out of memory is never "could not be read": told as too large for the memory there is.
        PictureOutcome out;
        out.kind = PictureOutcome::Kind::TooLarge;
        out.neededBytes = budget.total() + 1;
        return out;
    }
}

}  // namespace

size_t PicturePool::pickLocked() const
{
    // The largest of the window first, so that the build ends on small pictures rather than one
    // worker alone with a large one. But while pictures wait beyond the window, a picture passed
    // over would hold it shut once the others are done (the builder waiting for it, a worker
    // idle): so then the first one at least half as large as the largest, which among pictures of
    // about one size is the one the builder takes next.
    const size_t end = std::min(jobs_.size(), taken_ + window_);
    size_t largest = jobs_.size();
    for (size_t i = taken_; i < end; ++i)
        if (!started_[i] && (largest == jobs_.size() || sizes_[i] > sizes_[largest])) largest = i;
    if (largest == jobs_.size() || end == jobs_.size()) return largest;
    for (size_t i = taken_; i < end; ++i)
        if (!started_[i] && 2 * sizes_[i] >= sizes_[largest]) return i;
    return largest;
}

void PicturePool::work()
{
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [this] { return stopping_ || unstarted_ == 0 || pickLocked() < jobs_.size(); });
            if (stopping_ || unstarted_ == 0) return;
            index = pickLocked();
            started_[index] = true;
            startOrder_.push_back(index);
            --unstarted_;
        }
        PictureOutcome outcome = makeGuarded(jobs_[index], shape_, budget_, index, files_);
        {
            std::lock_guard lock(mutex_);
            slots_[index % window_] = std::move(outcome);
        }
        resultReady_.notify_all();
    }
}

std::vector<size_t> PicturePool::startOrder()
{
    std::lock_guard lock(mutex_);
    return startOrder_;
}

PictureOutcome PicturePool::take(size_t index)
{
    if (threads_.empty()) return makeGuarded(jobs_[index], shape_, budget_, index, files_);
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
