#pragma once
// The program's message loop: the wheel to the window under the pointer, the frame's accelerators,
// then the usual translation and dispatch; when the queue runs empty, the frame's idle work
// (toolbar states, indicators).

#include <windows.h>

namespace winui {

class CFrameWindow;

// Runs until WM_QUIT and returns its exit code.
int runMessageLoop(CFrameWindow& frame, HACCEL accelerators);

// Waits for `thread` to end while the window thread keeps working: messages are dispatched
// (through `dialog`'s keyboard handling when it is given), and a WM_QUIT seen meanwhile is
// posted again, once the wait is over, for the loop that ends on it. The caller has the thread
// asked to stop (or knows it is ending) first: the wait itself has no bound.
void waitPumpingMessages(HANDLE thread, HWND dialog);

}  // namespace winui
