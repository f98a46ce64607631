#include "generator/memory_budget.h"

#include <algorithm>

uint64_t MemoryBudget::peak() const
{
    std::lock_guard lock(mutex_);
    return peak_;
}

size_t MemoryBudget::waiting() const
{
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

bool MemoryBudget::fitsLocked(uint64_t bytes, size_t ticket) const
{
    if (bytes > total_ - held_) return false;
    return waiting_.empty() || *waiting_.begin() >= ticket;
}

bool MemoryBudget::tryTake(uint64_t bytes, size_t ticket)
{
    std::lock_guard lock(mutex_);
    if (stopped_ || !fitsLocked(bytes, ticket)) return false;
    held_ += bytes;
    peak_ = std::max(peak_, held_);
    return true;
}

bool MemoryBudget::take(uint64_t bytes, size_t ticket)
{
    std::unique_lock lock(mutex_);
    if (stopped_ || bytes > total_) return false;
    const auto mine = waiting_.insert(ticket);
    room_.wait(lock, [&] { return stopped_ || (bytes <= total_ - held_ && *waiting_.begin() == ticket); });
    waiting_.erase(mine);
    if (stopped_) {
        lock.unlock();
        room_.notify_all();
        return false;
    }
    held_ += bytes;
    peak_ = std::max(peak_, held_);
    lock.unlock();
    room_.notify_all();  // the next ticket in line may fit as well
    return true;
}

void MemoryBudget::give(uint64_t bytes)
{
    {
        std::lock_guard lock(mutex_);
        held_ -= std::min(bytes, held_);
    }
    room_.notify_all();
}

void MemoryBudget::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    room_.notify_all();
}

bool MemoryReservation::tryGrowTo(uint64_t total)
{
    if (total <= held_) return true;
    if (!budget_.tryTake(total - held_, ticket_)) return false;
    held_ = total;
    return true;
}

bool MemoryReservation::waitFor(uint64_t total)
{
    release();
    if (!budget_.take(total, ticket_)) return false;
    held_ = total;
    return true;
}

void MemoryReservation::release()
{
    if (held_ != 0) budget_.give(held_);
    held_ = 0;
}
