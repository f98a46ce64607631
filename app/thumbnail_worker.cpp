// The thumbnail worker thread and its decoding helpers.

#include "app/thumbnail_worker.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "app/thumbnail_cell.h"
#include "app/thumbnail_source.h"

namespace {

// Helpers work at most this many pictures ahead of the view. What they hold is small (a picture
// fitted to the cell), so memory stays bounded however large the album, while a run of cached
// pictures behind a slow decode is ready the moment that decode is.
constexpr size_t kAhead = 64;

// What a helper made of a picture, as the cell the view gets.
ThumbnailCell cellOf(const Image& image, const CPicture& fitted, bool shown, CellSize cell)
{
    if (!shown) return missingCellOf(image, cell);
    return ThumbnailCell{winui::UniqueBitmap(fitted.IsValid() ? makeThumbnailCell(fitted, cell) : makeEmptyCell(cell)),
                         CellProblem::None};
}

size_t helperCount(size_t pictures)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<size_t>(std::min(cores, pictures), 1, 8);
}

}  // namespace

CThumbnailWorker::~CThumbnailWorker() { stop(); }

bool CThumbnailWorker::start(HWND view, UINT message, std::vector<Image> images)
{
    if (stopDepth_ > 0) return false;
    stop();
    view_ = view;
    message_ = message;
    images_ = std::move(images);
    helpers_ = helperCount(images_.size());
    runCache_ = cacheChosen_ ? cache_ : &sharedThumbnailCache();
    runCell_ = cell_;
    stopping_ = false;
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

void CThumbnailWorker::stop()
{
    const HANDLE thread = thread_.get();
    if (!thread) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // The worker may be inside a SendMessage to this thread: serve sent messages until it ends.
    // A message served here may stop the worker again; that nested wait ends with this one, and
    // the handle stays open until the outermost wait is over.
    ++stopDepth_;
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) break;  // ended (or the handle is unusable: nothing to wait for)
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (--stopDepth_ == 0) thread_.reset();
}

DWORD WINAPI CThumbnailWorker::run(void* self)
{
    static_cast<CThumbnailWorker*>(self)->work();
    return 0;
}

// One helper: takes the next picture while it is near enough to the view's, finds or makes its
// fitted picture.
void CThumbnailWorker::decode(size_t helpers)
{
    const size_t window = std::max(helpers * 2, kAhead);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock,
                      [&] { return finished_ || stopping_ || next_ >= images_.size() || next_ < handed_ + window; });
        if (finished_ || stopping_ || next_ >= images_.size()) return;
        const size_t i = next_++;
        lock.unlock();
        CPicture fitted;
        const CellSource source = cellPictureOf(images_[i], runCache_, fitted, runCell_);
        lock.lock();
        made_[i] = source == CellSource::None ? Made::Nothing : fitted.IsValid() ? Made::Picture : Made::Empty;
        pictures_[i] = std::move(fitted);
        changed_.notify_all();
    }
}

void CThumbnailWorker::work()
{
    const size_t count = images_.size();
    {
        std::lock_guard lock(mutex_);
        pictures_.assign(count, CPicture());
        made_.assign(count, Made::Pending);
        next_ = handed_ = 0;
        finished_ = false;
    }
    const size_t helpers = helpers_;
    std::vector<std::thread> decoders;
    try {
        for (size_t h = 0; h < helpers && h < count; ++h) decoders.emplace_back([this, helpers] { decode(helpers); });
    } catch (const std::system_error&) {
        // Out of threads: the helpers that started are enough; with none, this thread decodes itself.
    }

    for (size_t i = 0; i < count; ++i) {
        // The cell is made here, not by the helpers: only the cell in hand holds a GDI object.
        ThumbnailCell cell;
        if (decoders.empty()) {
            if (stopping_) break;
            cell = makeCellOf(images_[i], runCache_, runCell_);
        } else {
            CPicture fitted;
            Made made;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return made_[i] != Made::Pending || stopping_; });
                made = made_[i];
                if (made == Made::Pending) break;
                fitted = std::move(pictures_[i]);
                pictures_[i].Destroy();
                handed_ = i + 1;
            }
            changed_.notify_all();
            if (!stopping_) cell = cellOf(images_[i], fitted, made != Made::Nothing, runCell_);
        }
        if (cell.bitmap && !stopping_)
            SendMessageW(view_, message_, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&cell));
    }

    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
    for (std::thread& decoder : decoders) decoder.join();
    pictures_.clear();
    made_.clear();
    SendMessageW(view_, message_, kThumbnailsDone, 0);
}
