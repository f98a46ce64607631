// The thumbnail worker thread.

#include "app/thumbnail_worker.h"

#include "app/thumbnail_cell.h"
#include "gallery/format_code.h"
#include "gallery/picture.h"

CThumbnailWorker::~CThumbnailWorker() { stop(); }

bool CThumbnailWorker::start(HWND view, UINT message, std::vector<Image> images)
{
    stop();
    view_ = view;
    message_ = message;
    images_ = std::move(images);
    stopping_ = false;
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    return thread_ != nullptr;
}

void CThumbnailWorker::stop()
{
    if (!thread_) return;
    stopping_ = true;
    // The worker may be inside a SendMessage to this thread: serve sent messages until it ends.
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI CThumbnailWorker::run(void* self)
{
    static_cast<CThumbnailWorker*>(self)->work();
    return 0;
}

void CThumbnailWorker::work()
{
    for (size_t i = 0; i < images_.size() && !stopping_; ++i) {
        const Image& image = images_[i];
        const int code = formatCodeOf(image.path);
        if (code == kFormatUnknown) continue;
        // Decode no larger than the cell needs; the hint is in the picture's own orientation.
        PictureSizeHint hint = PictureSizeHint::fitInto(kCellWidth, kCellHeight);
        if (image.rotation % 180 != 0) hint = hint.swapped();
        CPicture picture;
        if (!picture.Load(image.path, code, hint)) continue;
        if (image.rotation != 0 && !picture.Rotate(static_cast<float>(image.rotation))) continue;
        HBITMAP cell = makeThumbnailCell(picture);
        if (!cell) continue;
        if (!stopping_) SendMessageW(view_, message_, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(cell));
        DeleteObject(cell);
    }
    SendMessageW(view_, message_, kThumbnailsDone, 0);
}
