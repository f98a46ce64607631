#pragma once
// The progress of a long task on the program's taskbar button, as Windows programs show it
// (ITaskbarList3). Where the shell offers no taskbar list, every call does nothing.

#include <windows.h>

#include "base/com_ptr_win.h"

struct ITaskbarList3;

namespace winui {

class CTaskbarProgress {
public:
    CTaskbarProgress() = default;
    ~CTaskbarProgress();
    CTaskbarProgress(const CTaskbarProgress&) = delete;
    CTaskbarProgress& operator=(const CTaskbarProgress&) = delete;

    // Shows progress on the taskbar button of `window`'s top-level owner (the one with the button).
    void start(HWND window);
    void set(int percent);  // 0..100
    // Takes the progress off the button.
    void stop();

private:
    ComPtr<ITaskbarList3> list_;
    HWND button_ = nullptr;
};

}  // namespace winui
