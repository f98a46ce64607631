#pragma once
// The program's message loop: the frame's accelerators first, then the usual translation and
// dispatch; when the queue runs empty, the frame's idle work (toolbar states, indicators).

#include <windows.h>

namespace winui {

class CFrameWindow;

// Runs until WM_QUIT and returns its exit code.
int runMessageLoop(CFrameWindow& frame, HACCEL accelerators);

}  // namespace winui
