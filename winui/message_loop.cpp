#include "winui/message_loop.h"

#include "winui/frame_window.h"

namespace winui {

namespace {

bool translateForFrame(CFrameWindow& frame, HACCEL accelerators, MSG& msg)
{
    HWND window = frame.hwnd();
    if (!accelerators || !window) return false;
    // Only for the frame and its children: a modeless window of its own keeps its keys.
    if (msg.hwnd != window && !IsChild(window, msg.hwnd)) return false;
    return TranslateAcceleratorW(window, accelerators, &msg) != 0;
}

// The system gives the wheel to the window with the focus; it goes to the window under the
// pointer instead, as newer systems do, when that is another window of the same top-level
// window (the task pane runs on a thread of its own: posted, it is handled there).
bool wheelToPointer(const MSG& msg)
{
    if (msg.message != WM_MOUSEWHEEL && msg.message != WM_MOUSEHWHEEL) return false;
    const POINT at{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    HWND under = WindowFromPoint(at);
    if (!under || under == msg.hwnd || !msg.hwnd) return false;
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root || GetAncestor(under, GA_ROOT) != root) return false;
    return PostMessageW(under, msg.message, msg.wParam, msg.lParam) != 0;
}

}  // namespace

int runMessageLoop(CFrameWindow& frame, HACCEL accelerators)
{
    MSG msg{};
    bool idleDone = false;
    for (;;) {
        if (!idleDone && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (frame.hwnd()) frame.onIdle();
            idleDone = true;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        if (!wheelToPointer(msg) && !translateForFrame(frame, accelerators, msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        idleDone = false;
    }
}

void waitPumpingMessages(HANDLE thread, HWND dialog)
{
    // A quit taken here is kept for the loop that ends on it and posted again once the wait is
    // over. Posted again at once, it would be the next message taken every time, ahead of the
    // paints and timers the window still needs, and the wait would spin until the thread ended.
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            if (dialog && IsDialogMessageW(dialog, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit) PostQuitMessage(quitCode);
}

}  // namespace winui
