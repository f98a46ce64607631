// Ordinals 9 and 10: a bar on a user-interface thread of its own. The host's thread keeps
// dispatching its parent's messages while it waits for the bar to start or to end, because the
// bar's thread talks to that parent (creation notices, forwarded messages) synchronously.

#include <windows.h>

#include "taskpane/bar_deferred.h"
#include "taskpane/bar_keyboard.h"
#include "taskpane/bar_record.h"
#include "taskpane/library.h"

namespace sidefold {

namespace {

constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL;

struct StartBlock {
    HWND parent;
    DWORD style, exStyle;
    int x, y, cx, cy;
    DWORD hostThread;
    HANDLE ready;        // signalled once the bar exists (or could not be made)
    HWND bar = nullptr;  // the result
};

// One message for `window` (the host's parent window) while the host waits.
void dispatchOne(HWND window)
{
    MSG msg;
    if (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The bar's thread: waits in short slices for the stop signal, replays deferred layout work
// between messages, and ends when the bar is gone.
void runLoop(HWND window)
{
    for (;;) {
        BarRecord* bar = barOf(window);
        if (!IsWindow(window) || !bar) return;
        HANDLE stop = bar->stopEvent;
        // MWMO_INPUTAVAILABLE: messages already queued wake the wait at once, so a busy queue
        // is worked off without a 10 ms pause per message.
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &stop, 10, QS_ALLINPUT | QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            DestroyWindow(window);
        else
            replayDeferred(window);
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == SIDEFOLD_MSG_STOP && !msg.hwnd) return;
            if (navigateByKey(window, msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

DWORD WINAPI barThread(void* parameter)
{
    auto* start = static_cast<StartBlock*>(parameter);
    HWND window = CreateWindowExA(start->exStyle, SIDEFOLD_CLASS_BAR, "", start->style | kBarStyle, start->x, start->y,
                                  start->cx, start->cy, start->parent, nullptr, libraryModule(), nullptr);
    if (!window) {
        SetEvent(start->ready);
        return 0;
    }
    if (BarRecord* bar = barOf(window)) {
        bar->hostThread = start->hostThread;
        AttachThreadInput(GetCurrentThreadId(), start->hostThread, TRUE);
    }
    UpdateWindow(window);
    start->bar = window;
    SetEvent(start->ready);  // the start block belongs to the host again from here
    runLoop(window);
    return 0;
}

}  // namespace

}  // namespace sidefold

extern "C" HWND WINAPI sidefoldCreateBar(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy)
{
    using namespace sidefold;
    if (!IsWindow(parent)) return nullptr;
    StartBlock start{parent, style, exStyle, x, y, cx, cy, GetCurrentThreadId(), nullptr};
    start.ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!start.ready) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, &barThread, &start, 0, nullptr);
    if (!thread) {
        CloseHandle(start.ready);
        return nullptr;
    }
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &start.ready, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        if (woke != WAIT_OBJECT_0 + 1) {
            WaitForSingleObject(start.ready, INFINITE);
            break;
        }
        dispatchOne(parent);
    }
    CloseHandle(start.ready);
    BarRecord* bar = start.bar ? barOf(start.bar) : nullptr;
    if (!bar) {
        WaitForSingleObject(thread, INFINITE);
        DWORD code = 0;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        return nullptr;
    }
    EnterCriticalSection(&bar->lock);
    bar->thread = thread;
    bar->hostThread = GetCurrentThreadId();
    LeaveCriticalSection(&bar->lock);
    return start.bar;
}

extern "C" BOOL WINAPI sidefoldDestroyBar(HWND window)
{
    using namespace sidefold;
    if (!IsWindow(window)) return FALSE;
    BarRecord* bar = isClass(window, WindowClass::Bar) ? barOf(window) : nullptr;
    if (!bar) return DestroyWindow(window);
    const HWND parent = GetParent(window);
    EnterCriticalSection(&bar->lock);
    HANDLE thread = bar->thread;
    bar->thread = nullptr;  // ours now: the bar's teardown must not close it
    if (thread) SetEvent(bar->stopEvent);
    LeaveCriticalSection(&bar->lock);
    // A bar that a host made itself with CreateWindow has no thread of ours to stop.
    if (!thread) return DestroyWindow(window);
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, 10, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        dispatchOne(parent);
    }
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return CloseHandle(thread);
}
