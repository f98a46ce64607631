#pragma once
// One memory budget shared by the build's picture workers, so that a build needs about the same
// memory whatever the number of workers.
//
// A worker reserves what a picture will cost before it reads and decodes it. A reservation that
// does not fit waits, holding nothing, until the workers busy with earlier pictures have given
// theirs back; the earliest picture waiting is served first, so the one the builder waits for is
// never starved. A picture that would cost more than the whole budget is refused at once.
//
// USAGE
//   MemoryBudget budget(uint64_t{1} << 30);
//   MemoryReservation r(budget, pictureIndex);
//   if (!r.waitFor(sourceBytes)) ...            // larger than the whole budget, or stopped
//   if (!r.tryGrowTo(sourceBytes + more)) ...    // no room now: r.waitFor(...) again, then retry
//   // ~MemoryReservation gives everything back

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>

class MemoryBudget {
public:
    explicit MemoryBudget(uint64_t total) : total_(total) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    uint64_t total() const { return total_; }
    // The most ever held at once, and the pictures waiting for room now.
    uint64_t peak() const;
    size_t waiting() const;
    // Takes `bytes` when they fit now and no earlier picture waits; never waits.
    bool tryTake(uint64_t bytes, size_t ticket);
    // Waits until `bytes` fit and no earlier picture waits. False at once when bytes is more than
    // the whole budget, and when the budget is stopped while waiting.
    bool take(uint64_t bytes, size_t ticket);
    void give(uint64_t bytes);
    // Wakes every waiter with a refusal; later takes fail too. For a build that stops.
    void stop();

private:
    bool fitsLocked(uint64_t bytes, size_t ticket) const;

    const uint64_t total_;
    mutable std::mutex mutex_;
    std::condition_variable room_;
    uint64_t held_ = 0;
    uint64_t peak_ = 0;
    std::multiset<size_t> waiting_;  // tickets of the pictures waiting for room
    bool stopped_ = false;
};

// What one picture holds of the budget; given back when it goes.
class MemoryReservation {
public:
    MemoryReservation(MemoryBudget& budget, size_t ticket) : budget_(budget), ticket_(ticket) {}
    ~MemoryReservation() { release(); }
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;

    uint64_t held() const { return held_; }
    // Holds `total` bytes in all, taking the difference when it fits now; true when already held.
    bool tryGrowTo(uint64_t total);
    // Gives back what is held, then waits until `total` bytes fit (see MemoryBudget::take).
    bool waitFor(uint64_t total);
    void release();

private:
    MemoryBudget& budget_;
    const size_t ticket_;
    uint64_t held_ = 0;
};
