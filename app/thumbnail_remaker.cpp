#include "app/thumbnail_remaker.h"

#include <utility>

#include "app/thumbnail_source.h"

void CThumbnailRemaker::setTarget(HWND view, UINT message)
{
    std::lock_guard lock(mutex_);
    view_ = view;
    message_ = message;
}

void CThumbnailRemaker::setCache(ThumbnailCache* cache)
{
    std::lock_guard lock(mutex_);
    cache_ = cache;
}

void CThumbnailRemaker::setCellSize(CellSize cell)
{
    std::lock_guard lock(mutex_);
    cell_ = cell;
}

void CThumbnailRemaker::request(size_t slot, Image image)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        const uint64_t generation = ++generation_;
        wanted_[slot] = generation;
        pending_.insert_or_assign(slot, Job{std::move(image), generation, cell_, cache_});
        order_.push_back(slot);
        if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
    }
    wake_.notify_one();
}

void CThumbnailRemaker::clear()
{
    std::lock_guard lock(mutex_);
    order_.clear();
    pending_.clear();
    wanted_.clear();
    made_.clear();
}

void CThumbnailRemaker::forget(size_t slot)
{
    std::lock_guard lock(mutex_);
    pending_.erase(slot);  // its entry in order_ is passed over
    wanted_.erase(slot);
}

std::vector<CThumbnailRemaker::Remade> CThumbnailRemaker::take()
{
    std::lock_guard lock(mutex_);
    posted_ = false;
    return std::exchange(made_, {});
}

bool CThumbnailRemaker::busy()
{
    std::lock_guard lock(mutex_);
    return working_ || !pending_.empty();
}

void CThumbnailRemaker::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    // The thread never waits for the window (it only posts), so joining cannot deadlock.
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    order_.clear();
    pending_.clear();
    made_.clear();
}

void CThumbnailRemaker::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !order_.empty(); });
        if (stopping_) return;
        const size_t slot = order_.front();
        order_.pop_front();
        const auto found = pending_.find(slot);
        if (found == pending_.end()) continue;  // an older entry of a slot already made anew
        Job job = std::move(found->second);
        pending_.erase(found);
        working_ = true;
        lock.unlock();
        ThumbnailCell cell = makeCellOf(job.image, job.cache, job.cell);
        lock.lock();
        working_ = false;
        const auto wanted = wanted_.find(slot);
        if (wanted == wanted_.end() || wanted->second != job.generation || !cell.bitmap) continue;
        wanted_.erase(wanted);
        made_.push_back(Remade{slot, std::move(cell)});
        if (!posted_ && view_) posted_ = PostMessageW(view_, message_, 0, 0) != 0;
    }
}
