#include "winui/taskbar_progress.h"

#include <shobjidl.h>

namespace winui {

CTaskbarProgress::~CTaskbarProgress() { stop(); }

void CTaskbarProgress::start(HWND window)
{
    button_ = GetAncestor(window, GA_ROOTOWNER);
    if (!list_) {
        ComPtr<ITaskbarList3> list;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    list.putVoid())) ||
            FAILED(list->HrInit()))
            return;
        list_ = std::move(list);
    }
    list_->SetProgressState(button_, TBPF_NORMAL);
    list_->SetProgressValue(button_, 0, 100);
}

void CTaskbarProgress::set(int percent)
{
    if (list_ && button_) list_->SetProgressValue(button_, static_cast<ULONGLONG>(percent), 100);
}

void CTaskbarProgress::stop()
{
    if (list_ && button_) list_->SetProgressState(button_, TBPF_NOPROGRESS);
    button_ = nullptr;
}

}  // namespace winui
