#include "winui/taskbar_progress.h"

#include <shobjidl.h>

namespace winui {

CTaskbarProgress::~CTaskbarProgress()
{
    stop();
    if (list_) list_->Release();
}

void CTaskbarProgress::start(HWND window)
{
    button_ = GetAncestor(window, GA_ROOTOWNER);
    if (!list_) {
        ITaskbarList3* list = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&list))))
            return;
        if (FAILED(list->HrInit())) {
            list->Release();
            return;
        }
        list_ = list;
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
