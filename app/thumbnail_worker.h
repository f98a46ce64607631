#pragma once
// CThumbnailWorker: makes the thumbnail cells of one album on a thread of its own, in album
// order, and hands each to the view with a synchronous message, so that every change to the
// view happens on the user-interface thread.
//
// The worker owns a copy of the album's images taken when it started: the model may change
// under it (the view then maps or drops what arrives). A new run first stops the previous
// one at the next picture and waits for it, dispatching only the messages sent to this thread
// meanwhile (the old worker may be blocked in one), so no input is handled re-entrantly.
//
// Messages to the view (message number given at start):
//   wParam = index in the copy, lParam = HBITMAP of the cell, which the view copies (the worker
//            deletes it when the message returns);
//   wParam = kThumbnailsDone, lParam = 0: the run ended (also after a stop).

#include <windows.h>

#include <atomic>
#include <vector>

#include "gallery/gallery_types.h"

inline constexpr WPARAM kThumbnailsDone = static_cast<WPARAM>(-1);

class CThumbnailWorker {
public:
    CThumbnailWorker() = default;
    ~CThumbnailWorker();
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;

    // Stops a running worker first. False when the thread could not be started.
    bool start(HWND view, UINT message, std::vector<Image> images);
    // Asks the running worker to stop after its current picture and waits for it.
    void stop();
    bool running() const { return thread_ != nullptr && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; }

private:
    static DWORD WINAPI run(void* self);
    void work();

    HANDLE thread_ = nullptr;
    HWND view_ = nullptr;
    UINT message_ = 0;
    std::vector<Image> images_;       // the album as it was at the start
    std::atomic<bool> stopping_{false};
};
