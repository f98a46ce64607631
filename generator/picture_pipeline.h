#pragma once
// The picture side of a build: each source picture becomes a fitted photo and a thumbnail, made on
// a pool of worker threads and handed back strictly in job order, so the builder writes files and
// reports progress exactly as a one-picture-at-a-time build would.
//
// Workers read sources and encode thumbnails into memory and photos straight into new temporary
// files of the gallery (gallery_writer.h), so a photo of any size is never held whole; every file
// is put in place, and every count and message made, by the builder's own thread. A picture whose fingerprint matches
// the previous build's (and whose files are still there) is not decoded at all. A picture is decoded once, by rows, for
// both its photo and its thumbnail (picture_stream.h), so what it holds does not grow with its size. The workers share
// one memory budget (memory_budget.h): a picture is decoded only once what it holds fits, and one
// that holds more than the whole budget is refused. The encoded thumbnails waiting for the
// builder (at most four per worker) are not counted.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "generator/build_manifest.h"
#include "generator/gallery_writer.h"
#include "generator/memory_budget.h"
#include "generator/photo_fit.h"
#include "generator/thread_starter.h"
#include "picture/picture_failure.h"

// Raised when anything about how pictures are made changes, so older photos are made again.
// 2: a TIFF turned by its orientation tag is turned on Windows too, and turned, not mirrored, by
// the sideways tags on Linux.
inline constexpr int kPicturePipelineVersion = 2;

// What every picture of a build shares.
struct PictureShape {
    PhotoBox box;  // {0, 0}: the photo keeps its size
    int32_t thumbWidth = 150;
    int jpegQuality = 90;
    bool force = false;  // ignore the previous build's fingerprints
    // Also a file twice as large of each photo and thumbnail (when the source holds that many
    // pixels), and the picture's look for the pages (sizes, average colour).
    bool dense = false;
};

struct PictureJob {
    std::string source;  // the source picture
    int32_t rotation = 0;
    std::string photoName;  // relative names, "photos/image-A-N.jpg", "thumbs/thumb-A-N.jpg"
    std::string thumbName;
    std::string photoPath;  // the same as full paths
    std::string thumbPath;
    const PictureFingerprint* previous = nullptr;  // the previous build's record of this photo
    uint64_t previousPhotoSize = 0;                // sizes the previous build wrote
    uint64_t previousThumbSize = 0;
    // The high-density files (PictureShape::dense), as the names above.
    std::string densePhotoName;
    std::string denseThumbName;
    std::string densePhotoPath;
    std::string denseThumbPath;
    uint64_t previousDensePhotoSize = 0;  // 0: the previous build wrote none
    uint64_t previousDenseThumbSize = 0;
};

struct PictureOutcome {
    enum class Kind { Made, Reused, Unreadable, TooLarge };
    Kind kind = Kind::Unreadable;
    uint64_t neededBytes = 0;         // TooLarge: what making it would have cost
    PictureFailure failure;           // Unreadable: why
    std::vector<uint8_t> photoBytes;  // encoded JPEG when Made and not in photoFile (empty when encoding failed)
    std::unique_ptr<StreamedFile> photoFile;  // or the photo encoded into its temporary file
    std::vector<uint8_t> thumbBytes;
    std::vector<uint8_t> densePhotoBytes;  // when Made with PictureShape::dense and the source is large enough
    std::vector<uint8_t> denseThumbBytes;
    PictureFingerprint fingerprint;  // for the new manifest (Made and Reused); with the look when dense
};

// The fingerprint's shape text for one job.
std::string pictureShapeText(const PictureShape& shape, int32_t rotation);
// True when the fingerprint's source file still holds what its photo was made from, by the rule a
// build reuses a photo by: the same size and time, or the same size and content.
bool sourceUnchanged(const PictureFingerprint& fingerprint);
// What making a picture of a format read whole (not by rows) holds at most: its source bytes, the
// decoded pixels twice, and the fitted photo (at the original size, room for its encoded bytes
// instead).
uint64_t pictureMemoryCost(uint64_t sourceBytes, uint64_t pixelBytes, PhotoBox box);
// Makes one picture (or finds it up to date) within the budget; `ticket` orders the waiting
// pictures (the job's index). With `files`, the photo is encoded into a file of it. Safe to call
// on several threads at once.
PictureOutcome makePicture(const PictureJob& job, const PictureShape& shape, MemoryBudget& budget, size_t ticket,
                           GalleryWriter* files = nullptr);

// Runs makePicture over the jobs on up to `threads` workers, at most four pictures per worker
// ahead of the consumer; among those, the largest source is started first, so that the last
// pictures of a build are small ones and no worker is left alone with a large one at the end, but
// among sources of about one size (within half of the largest) the first, so that the picture the
// consumer waits for is not left for last while a worker idles.
// take() must be called for 0, 1, 2, ... in turn, and hands the pictures back in that order. When
// fewer workers can be started, fewer work; when none can, take() makes each picture on the
// calling thread.
class PicturePool {
public:
    PicturePool(const std::vector<PictureJob>& jobs, const PictureShape& shape, unsigned threads, MemoryBudget& budget,
                GalleryWriter* files, const ThreadStarter& start = {});
    ~PicturePool();
    PicturePool(const PicturePool&) = delete;
    PicturePool& operator=(const PicturePool&) = delete;

    PictureOutcome take(size_t index);
    // Lets the workers finish the picture in hand and end; later pictures are not made.
    void stop();
    // Workers actually started (0: the calling thread makes the pictures).
    size_t workers() const { return threads_.size(); }
    // The jobs in the order workers started them (for the benchmark and the tests).
    std::vector<size_t> startOrder();

private:
    void work();
    // The job a worker takes next, or jobs_.size() when none may start now.
    size_t pickLocked() const;

    const std::vector<PictureJob>& jobs_;
    const PictureShape shape_;
    MemoryBudget& budget_;
    GalleryWriter* files_;
    size_t window_;
    std::vector<std::optional<PictureOutcome>> slots_;  // job i lives in slot i % window_
    std::vector<uint64_t> sizes_;                       // of the sources, for the order of starting
    std::vector<bool> started_;
    std::vector<size_t> startOrder_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable resultReady_;
    size_t unstarted_ = 0;  // jobs no worker has taken yet
    size_t taken_ = 0;      // jobs the consumer has taken
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
