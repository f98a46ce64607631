#pragma once
// CThumbnailWorker: makes the thumbnail cells of one album on a thread of its own and hands
// them to the view in album order, each with a synchronous message, so that every change to the
// view happens on the user-interface thread. The pictures themselves come from a few helper
// threads working ahead of the one the view gets next, so a large album fills in at the speed of
// all cores. Helpers look in the thumbnail cache first (thumbnail_source.h): a cached picture
// costs a file read, so a run of cached cells goes to the view at once, and what is decoded is
// cached for the next selection of the album, in this run of the program or a later one.
//
// The worker owns a copy of the album's images taken when it started: the model may change
// under it (the view then maps or drops what arrives). A new run first stops the previous
// one at the next picture and waits for it, dispatching only the messages sent to this thread
// meanwhile (the old worker may be blocked in one), so no posted input is handled re-entrantly.
// Messages other threads send (a task pane's commands) do arrive during that wait: a stop may
// therefore be nested in a stop (both wait, the outer one closes the thread), but a start
// nested in a stop is refused; the view defers its rebuild until the stop is over.
//
// Messages to the view (message number given at start):
//   wParam = index in the copy, lParam = const ThumbnailCell* (thumbnail_cell.h): the picture or
//            the missing-picture mark with the reason; the view copies the bitmap (the worker
//            deletes it when the message returns);
//   wParam = kThumbnailsDone, lParam = 0: the run ended (also after a stop).

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/thumbnail_cell.h"
#include "gallery/gallery_types.h"
#include "picture/picture.h"

class ThumbnailCache;

inline constexpr WPARAM kThumbnailsDone = static_cast<WPARAM>(-1);

class CThumbnailWorker {
public:
    CThumbnailWorker() = default;
    ~CThumbnailWorker();
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;

    // The cache to use from the next start; null caches nothing. The user's own cache
    // (sharedThumbnailCache) unless set.
    void setCache(ThumbnailCache* cache)
    {
        cache_ = cache;
        cacheChosen_ = true;
    }
    // The size of the cells to make from the next start (the view's, which follows the screen's DPI).
    void setCellSize(CellSize cell) { cell_ = cell; }
    // Stops a running worker first. False when the thread could not be started, or when called
    // while a stop is waiting (from a message served by that wait).
    bool start(HWND view, UINT message, std::vector<Image> images);
    // Asks the running worker to stop after its current picture and waits for it.
    void stop();
    bool running() const { return thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT; }

private:
    static DWORD WINAPI run(void* self);
    void work();
    void decode(size_t helpers);

    // The helpers' shared state, under mutex_.
    std::mutex mutex_;
    std::condition_variable changed_;
    enum class Made : char { Pending, Picture, Empty, Nothing };
    std::vector<CPicture> pictures_;  // fitted to the cell, not yet handed on
    std::vector<Made> made_;
    size_t next_ = 0;        // the next picture a helper takes
    size_t handed_ = 0;      // the pictures the view has been given, or passed over
    bool finished_ = false;  // the run is over: helpers take nothing more

    winui::UniqueHandle thread_;
    int stopDepth_ = 0;  // stops waiting on this thread, the outermost first
    HWND view_ = nullptr;
    UINT message_ = 0;
    std::vector<Image> images_;  // the album as it was at the start
    std::atomic<bool> stopping_{false};
    size_t helpers_ = 1;  // for the current run
    ThumbnailCache* cache_ = nullptr;
    bool cacheChosen_ = false;
    ThumbnailCache* runCache_ = nullptr;  // for the current run
    CellSize cell_;
    CellSize runCell_;  // for the current run
};
