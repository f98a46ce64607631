// Ordinals 9 and 10: a bar on a user-interface thread of its own. The host's thread keeps
// dispatching its parent's messages while it waits for the bar to start or to end, because the
// bar's thread talks to that parent (creation notices, forwarded messages) synchronously.

#include <windows.h>

#include "taskpane/bar_deferred.h"
#include "taskpane/bar_keyboard.h"
#include "taskpane/bar_record.h"
#include "taskpane/bar_scroll.h"
#include "taskpane/library.h"
#include "taskpane/library_messages.h"

namespace sidefold {

namespace {

constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL;

struct StartBlock {
    HWND parent;
    DWORD style, exStyle;
    int x, y, cx, cy;
    DWORD hostThread;
    HANDLE ready;        // signalled once the bar exists (or could not be made)
    HMODULE self;        // a reference to the library, which the thread gives back as it ends
    HWND bar = nullptr;  // the result
};

// The host's thread waiting for its bar: it dispatches the parent's messages in the meantime.
// PeekMessage hands out WM_QUIT whatever window it is asked for; a quit taken here is kept and
// posted again once the wait is over, so the host's own loop still sees it and the program ends.
class HostWait {
public:
    explicit HostWait(HWND parent) : parent_(parent) {}
    HostWait(const HostWait&) = delete;
    HostWait& operator=(const HostWait&) = delete;
    ~HostWait()
    {
        if (quit_) PostQuitMessage(quitCode_);
    }

    void dispatchOne()
    {
        MSG msg;
        if (!PeekMessageA(&msg, parent_, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            quit_ = true;
            quitCode_ = static_cast<int>(msg.wParam);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // Taking the quit clears its flag, so the wait does not spin on it.
    static DWORD wait(HANDLE handle, DWORD timeout)
    {
        return MsgWaitForMultipleObjects(1, &handle, FALSE, timeout, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
    }

private:
    HWND parent_;
    bool quit_ = false;
    int quitCode_ = 0;
};

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
            if (navigateByKey(window, msg) || offerKeyToHost(window, msg) || wheelToPointer(window, msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

DWORD WINAPI barThread(void* parameter)
{
    auto* start = static_cast<StartBlock*>(parameter);
    // The thread holds the library while it runs: a host that frees the library as soon as
    // the bar is gone (or while it dies with its parent) must not unmap the code of this loop.
    const HMODULE self = start->self;
    HWND window = CreateWindowExA(start->exStyle, SIDEFOLD_CLASS_BAR, "", start->style | kBarStyle, start->x, start->y,
                                  start->cx, start->cy, start->parent, nullptr, libraryModule(), nullptr);
    if (!window) {
        SetEvent(start->ready);
        FreeLibraryAndExitThread(self, 0);
    }
    if (BarRecord* bar = barOf(window)) {
        bar->hostThread = start->hostThread;
        AttachThreadInput(GetCurrentThreadId(), start->hostThread, TRUE);
    }
    UpdateWindow(window);
    start->bar = window;
    SetEvent(start->ready);  // the start block belongs to the host again from here
    runLoop(window);
    FreeLibraryAndExitThread(self, 0);
}

// Waits for a thread that ends by itself, keeping the host's window answering meanwhile.
void waitForThread(HANDLE thread, HWND parent)
{
    HostWait host(parent);
    for (;;) {
        const DWORD woke = host.wait(thread, 10);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        host.dispatchOne();
    }
}

}  // namespace

}  // namespace sidefold

extern "C" HWND WINAPI sidefoldCreateBar(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy)
{
    using namespace sidefold;
    if (!IsWindow(parent)) return nullptr;
    StartBlock start{parent, style, exStyle, x, y, cx, cy, GetCurrentThreadId(), nullptr, nullptr};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&barThread), &start.self))
        return nullptr;
    start.ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = start.ready ? CreateThread(nullptr, 0, &barThread, &start, 0, nullptr) : nullptr;
    if (!thread) {
        if (start.ready) CloseHandle(start.ready);
        FreeLibrary(start.self);
        return nullptr;
    }
    {
        HostWait host(parent);
        for (;;) {
            const DWORD woke = host.wait(start.ready, INFINITE);
            if (woke == WAIT_OBJECT_0) break;
            if (woke != WAIT_OBJECT_0 + 1) {
                WaitForSingleObject(start.ready, INFINITE);
                break;
            }
            host.dispatchOne();
        }
    }
    CloseHandle(start.ready);
    // The bar may already be gone again (closed by a message the host dispatched meanwhile).
    AcquireSRWLockExclusive(&barsLock);
    BarRecord* bar = start.bar ? barOf(start.bar) : nullptr;
    if (bar) bar->thread = thread;
    ReleaseSRWLockExclusive(&barsLock);
    if (!bar) {
        waitForThread(thread, parent);
        CloseHandle(thread);
        return nullptr;
    }
    return start.bar;
}

extern "C" BOOL WINAPI sidefoldDestroyBar(HWND window)
{
    using namespace sidefold;
    if (!IsWindow(window)) return FALSE;
    DWORD process = 0;
    const DWORD barThreadId = GetWindowThreadProcessId(window, &process);
    // Another process's window: its user data is a pointer there, and it is not ours to destroy.
    if (process != GetCurrentProcessId()) return FALSE;
    const HWND parent = GetParent(window);
    HANDLE thread = nullptr;
    AcquireSRWLockExclusive(&barsLock);
    BarRecord* bar = isClass(window, WindowClass::Bar) ? barOfAnyThread(window) : nullptr;
    if (bar) {
        thread = bar->thread;
        bar->thread = nullptr;  // ours now: the bar's teardown must not close it
        if (thread && barThreadId != GetCurrentThreadId()) SetEvent(bar->stopEvent);
    }
    ReleaseSRWLockExclusive(&barsLock);
    // A bar that a host made itself with CreateWindow has no thread of ours to stop; a bar asked
    // to go from its own thread (a group's callback) must not wait for itself: both are
    // destroyed directly, and the thread's loop ends once it gets back to it.
    if (!thread || barThreadId == GetCurrentThreadId()) {
        const BOOL destroyed = DestroyWindow(window);
        return thread ? CloseHandle(thread) : destroyed;
    }
    // Called from the host's handler of a forwarded message: the bar's thread is waiting for
    // that answer, and would not see the stop signal before it timed out.
    if ((InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) == ISMEX_SEND) ReplyMessage(0);
    waitForThread(thread, parent);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return CloseHandle(thread);
}
