#pragma once
// CThumbnailRemaker: makes the cells of single images again after an edit (a rotation) on a
// thread of its own, so that the window never decodes a picture: turning a thousand pictures
// whose cells are not cached yet costs the window nothing but the requests. A request names the
// image's slot in the view; a newer request for a slot makes an older one's result void. Cells
// are kept here until the view takes them, and the view is told there are some by one posted
// message (no parameters), so nothing is lost or leaked when the view goes first.
//
// The cells come from thumbnail_source.h: the cache when it has the picture as shown, else the
// cached unturned picture turned, else a decode.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/thumbnail_cell.h"
#include "gallery/gallery_types.h"

class ThumbnailCache;

class CThumbnailRemaker {
public:
    CThumbnailRemaker() = default;
    ~CThumbnailRemaker() { stop(); }
    CThumbnailRemaker(const CThumbnailRemaker&) = delete;
    CThumbnailRemaker& operator=(const CThumbnailRemaker&) = delete;

    // Where to post `message` when cells are ready.
    void setTarget(HWND view, UINT message);
    // The cache and the cell size of requests made from now on.
    void setCache(ThumbnailCache* cache);
    void setCellSize(CellSize cell);

    // Queues the cell of `image` for `slot` (starting the thread on first use).
    void request(size_t slot, Image image);
    // Forgets every request and every cell not taken yet: the rows they were for are gone.
    void clear();
    // Forgets the request of one slot, and its cell if it is being made: no longer wanted.
    void forget(size_t slot);

    struct Remade {
        size_t slot;
        ThumbnailCell cell;
    };
    // The cells made since the last call, oldest first.
    std::vector<Remade> take();
    // True while requests wait or a cell is being made.
    bool busy();

    // Ends the thread after the cell it is making; requests left are dropped.
    void stop();

private:
    struct Job {
        Image image;
        uint64_t generation;
        CellSize cell;
        ThumbnailCache* cache;
    };
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    HWND view_ = nullptr;
    UINT message_ = 0;
    ThumbnailCache* cache_ = nullptr;
    CellSize cell_;
    std::deque<size_t> order_;                     // slots in request order (a slot may repeat)
    std::unordered_map<size_t, Job> pending_;      // the newest request of each waiting slot
    std::unordered_map<size_t, uint64_t> wanted_;  // the generation each slot's cell must have
    uint64_t generation_ = 0;
    std::vector<Remade> made_;  // not taken yet
    bool working_ = false;      // a cell is being made
    bool posted_ = false;       // the view has been told and has not taken yet
    bool stopping_ = false;
};
